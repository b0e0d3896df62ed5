// The language selection dialog.
#include "app/language_dlg.h"

#include "app/app_constants.h"
#include "app/pictures.h"
#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/help_request.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "linklib/link_event.h"
#include "platform/profile.h"
#include "ui_language_dlg.h"

namespace {
constexpr const char* kSection = "DIALOGO_SELEZIONE_LINGUA";
}

CLanguageDlg::CLanguageDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CLanguageDlg)
{
    ui_->setupUi(this);
    setProperty("helpId", helpid::Language);
    auto text = [](int number) { return UiText(kSection, number); };
    setWindowTitle(text(1));

    // Button, caption number, language index.
    const struct
    {
        QToolButton* button;
        int caption;
        int language;
    } buttons[] = {{ui_->buttonItalia, 4, 0},   {ui_->buttonInghilterra, 6, 1},
                   {ui_->buttonGermania, 3, 3}, {ui_->buttonFrancia, 2, 2},
                   {ui_->buttonSpagna, 5, 4},   {ui_->buttonGrecia, 9, 5}};
    for (const auto& b : buttons) {
        b.button->setText(text(b.caption));
        b.button->setIcon(LoadIcon(QString("flag_%1").arg(kLanguageCodes[b.language])));
        b.button->setProperty("language", b.language);
        int language = b.language;
        connect(b.button, &QToolButton::clicked, this, [this, language] { Choose(language); });
    }
    ui_->buttonCancel->setText(text(10));
    ui_->buttonHelp->setText(text(11));
    connect(ui_->buttonCancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(ui_->buttonHelp, &QPushButton::clicked, this, [] { RequestHelp(helpid::Language); });
}

CLanguageDlg::~CLanguageDlg() = default;

void CLanguageDlg::Choose(int language)
{
    if (language == AppConfig.language) {
        done(0);
        return;
    }
    if (!SaveLanguage(language))
        ShowMessage(AppConfig.textsPath.c_str(), kErrorSection, ErrorText::kTitle, kErrorSection,
                    ErrorText::kProfileNotWritten, kStyleError, 0);
    // The language changes for this run even when it could not be saved.
    AppConfig.language = std::uint8_t(language);
    done(1);
}

bool CLanguageDlg::event(QEvent* event)
{
    if (event->type() == LinkMessageEvent::eventType()) {
        if (static_cast<LinkMessageEvent*>(event)->wParam == LinkTimeout)
            ShowMessage(AppConfig.textsPath.c_str(), kErrorSection, ErrorText::kTitle,
                        kErrorSection, ErrorText::kNoAnswer, kStyleError, 0);
        return true;
    }
    return QDialog::event(event);
}

bool SelectLanguage(QWidget* parent)
{
    CLanguageDlg dlg(parent);
    return dlg.exec() != 0;
}
