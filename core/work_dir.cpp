// The working directory rule and the lookup of the program's own files.
#include "core/work_dir.h"

#include "core/app_config.h"
#include "core/texts.h"

#include "platform/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <vector>

// Where the installed tree keeps its data and private files, seen from the programs' folder.
#ifndef ZOLT_SHARE_RELATIVE
#define ZOLT_SHARE_RELATIVE "../share/zolt"
#endif
#ifndef ZOLT_PRIVATE_RELATIVE
#define ZOLT_PRIVATE_RELATIVE "../lib/zolt"
#endif

namespace {

QString ProgramDir()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

QString SystemReason(int error)
{
    return error != 0 ? qt_error_string(error) : QStringLiteral("unknown error");
}

// mkdir -p that keeps the reason of the step that failed.
int MakePath(const QString& path)
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype at = 1; at <= native.size(); ++at) {
        if (at < native.size() && native[at] != '/')
            continue;
        const QByteArray step = native.left(at);
        struct stat st
        {
        };
        if (::stat(step.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return ENOTDIR;
            continue;
        }
        if (::mkdir(step.constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

// Writes `value` under `key` of `section` unless the profile already has it.
bool WriteIfMissing(const std::string& profile, const char* section, const char* key,
                    const char* value)
{
    char current[8];
    GetPrivateProfileStringA(section, key, "\x01", current, sizeof current, profile.c_str());
    if (current[0] != '\x01' || current[1] != '\0')
        return true;
    errno = 0;
    return WritePrivateProfileStringA(section, key, value, profile.c_str());
}

} // namespace

WorkDirChoice ChooseWorkDir(const QString& option, const QString& current)
{
    if (!option.isEmpty())
        return {QDir::cleanPath(QDir(current).absoluteFilePath(option)),
                WorkDirChoice::Reason::Option};
    const QDir here(current);
    if (QFileInfo::exists(here.filePath("VELANTO.INI")) ||
        QFileInfo::exists(here.filePath("ECU.INI")))
        return {QDir::cleanPath(here.absolutePath()), WorkDirChoice::Reason::CurrentFolder};
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {QDir::cleanPath(data + "/zolt"), WorkDirChoice::Reason::PerUserFolder};
}

QString PrepareWorkDir(const WorkDirChoice& choice)
{
    const QString& dir = choice.path;
    if (choice.reason == WorkDirChoice::Reason::PerUserFolder)
        if (const int error = MakePath(dir))
            return SystemReason(error);
    const QFileInfo info(dir);
    if (!info.exists())
        return SystemReason(ENOENT);
    if (!info.isDir())
        return SystemReason(ENOTDIR);

    // A file that can be created and written now: a read-only folder or a full disk shows here,
    // before the user has done any work.
    {
        QTemporaryFile probe(dir + "/.zolt-XXXXXX");
        if (!probe.open())
            return probe.errorString();
        if (probe.write("ZOLT\n", 5) != 5 || !probe.flush())
            return probe.errorString();
    }

    if (choice.reason != WorkDirChoice::Reason::PerUserFolder)
        return {};
    const std::string base = dir.toStdString();
    const std::string catalogue = JoinPath(base, "ECU.INI");
    const std::string profile = JoinPath(base, "VELANTO.INI");
    if (!QFileInfo::exists(QString::fromStdString(catalogue)) &&
        !WriteIfMissing(catalogue, "VEICOLI", "nV", "0"))
        return SystemReason(errno);
    if (!QFileInfo::exists(QString::fromStdString(profile)) &&
        (!WriteIfMissing(profile, kConfigSection, "lingua", DesktopLanguageCode()) ||
         !WriteIfMissing(profile, kConfigSection, "porta_com", "COM1")))
        return SystemReason(errno);
    return {};
}

const char* LanguageCodeForLocale(const QString& locale)
{
    const QString language = locale.section(QRegularExpression("[_.@-]"), 0, 0).toLower();
    static const struct
    {
        const char* language;
        const char* code;
    } kCodes[] = {{"it", "ITA"}, {"en", "ING"}, {"fr", "FRA"},
                  {"de", "TED"}, {"es", "SPA"}, {"el", "GRE"}};
    for (const auto& entry : kCodes)
        if (language == QLatin1String(entry.language))
            return entry.code;
    return "ING";
}

const char* DesktopLanguageCode()
{
    const QStringList languages = QLocale::system().uiLanguages();
    return LanguageCodeForLocale(languages.isEmpty() ? QLocale::system().name()
                                                     : languages.first());
}

void LoadConfigurationForMessages(const std::string& workDir)
{
    LoadConfiguration(workDir);
    if (QFileInfo::exists(QString::fromStdString(AppConfig.profilePath)))
        return;
    const QLatin1String code(DesktopLanguageCode());
    for (int i = 0; i < 6; ++i)
        if (code == QLatin1String(kLanguageCodes[i]))
            AppConfig.language = std::uint8_t(i);
    AppConfig.textsPath = TextsFilePath(workDir);
}

QString InstalledDataDir()
{
    const QString fromEnvironment = qEnvironmentVariable("ZOLT_SHARE_DIR");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    const QString programDir = ProgramDir();
    if (programDir.isEmpty())
        return {};
    return QDir::cleanPath(programDir + "/" ZOLT_SHARE_RELATIVE);
}

std::string DataFilePath(const std::string& workDir, const char* name)
{
    const std::string own = JoinPath(workDir, name);
    if (QFileInfo::exists(QString::fromStdString(own)))
        return own;
    const QString installed = InstalledDataDir();
    if (!installed.isEmpty()) {
        const std::string shared = JoinPath(installed.toStdString(), name);
        if (QFileInfo::exists(QString::fromStdString(shared)))
            return shared;
    }
    return own;
}

bool TextsFileUsable(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    if (!info.isFile() || !info.isReadable())
        return false;
    // Any text of the current language will do: a workshop's file may hold only some.
    const std::string suffix = std::string("_") + kLanguageCodes[AppConfig.language % 6];
    const platform::ProfileSnapshot texts(path.c_str());
    std::vector<char> sections(64 * 1024), keys(256 * 1024);
    texts.GetString(nullptr, nullptr, "", sections.data(), unsigned(sections.size()));
    for (const char* section = sections.data(); *section; section += std::strlen(section) + 1) {
        texts.GetString(section, nullptr, "", keys.data(), unsigned(keys.size()));
        for (const char* key = keys.data(); *key; key += std::strlen(key) + 1) {
            const std::size_t length = std::strlen(key);
            if (length > suffix.size() + 1 && (key[0] == 's' || key[0] == 'S') &&
                QByteArray(key + length - suffix.size())
                        .compare(suffix.c_str(), Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

std::string TextsFilePath(const std::string& workDir)
{
    const std::string own = JoinPath(workDir, "SWBASE.TXT");
    if (TextsFileUsable(own))
        return own;
    const QString installed = InstalledDataDir();
    const std::string shared =
        installed.isEmpty() ? std::string() : JoinPath(installed.toStdString(), "SWBASE.TXT");
    if (!shared.empty() && TextsFileUsable(shared))
        return shared;
    // Nothing usable: name the file that is there and broken, the workshop's own first.
    if (!shared.empty() && !QFileInfo::exists(QString::fromStdString(own)) &&
        QFileInfo::exists(QString::fromStdString(shared)))
        return shared;
    return own;
}

QString PrivateFilePath(const char* name)
{
    const QString programDir = ProgramDir();
    if (programDir.isEmpty())
        return {};
    for (const QString& candidate :
         {programDir + "/" + name, programDir + "/" ZOLT_PRIVATE_RELATIVE "/" + name})
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    return {};
}
