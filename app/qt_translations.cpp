// Switching Qt's translations with the program's language.
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

bool SwitchQtTranslations(int language)
{
    // Locale names of the language indices.
    static const char* const kLocales[6] = {"it", "en", "fr", "de", "es", "el"};
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language < 0 || language > 5 || language == 1)
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_%1").arg(QLatin1String(kLocales[language])),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}
