// The registry file and the INI form it shares with the type-library descriptions.
#include "controls/common/kro_registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// A registry of a few controls is a few kilobytes; anything this large is not one.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

} // namespace

QString RegistryPath()
{
    const QString override = qEnvironmentVariable("ZOLT_REGISTRY");
    if (!override.isEmpty())
        return override;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zolt/registry.ini");
}

QString TypeLibraryPath(const QString& libraryId, const QString& version)
{
    return QFileInfo(RegistryPath()).absolutePath() + QStringLiteral("/typelib/") +
           NormalizedClassId(libraryId) + u'-' + version + QStringLiteral(".ini");
}

QString NormalizedClassId(const QString& classId)
{
    QString id = classId.trimmed().toUpper();
    if (!id.startsWith(u'{'))
        id.prepend(u'{');
    if (!id.endsWith(u'}'))
        id.append(u'}');
    return id;
}

QString ClassSection(const QString& classId)
{
    return QStringLiteral("CLSID\\") + NormalizedClassId(classId);
}

bool CIniFile::Load(const QString& path)
{
    sections_.clear();
    sectionIndex_.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return false;
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (data.size() > kMaxFileSize)
        return false;
    QString current;
    for (const QByteArray& raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = line.mid(1, line.size() - 2);
            if (Find(current) < 0) {
                sectionIndex_.insert(current.toLower(), sections_.size());
                sections_.append({current, {}, {}});
            }
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || current.isEmpty())
            continue;
        SetValue(current, line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return true;
}

bool CIniFile::Save(const QString& path) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray out;
    for (const Section& section : sections_) {
        out += '[' + section.name.toUtf8() + "]\n";
        for (const auto& [key, value] : section.entries)
            out += key.toUtf8() + '=' + value.toUtf8() + '\n';
        out += '\n';
    }
    file.write(out);
    return file.commit();
}

qsizetype CIniFile::Find(const QString& section) const
{
    return sectionIndex_.value(section.toLower(), -1);
}

QString CIniFile::Value(const QString& section, const QString& key, const QString& fallback) const
{
    const qsizetype s = Find(section);
    if (s < 0)
        return fallback;
    const qsizetype k = sections_[s].keyIndex.value(key.toLower(), -1);
    return k < 0 ? fallback : sections_[s].entries[k].second;
}

bool CIniFile::HasSection(const QString& section) const { return Find(section) >= 0; }

void CIniFile::SetValue(const QString& section, const QString& key, const QString& value)
{
    qsizetype s = Find(section);
    if (s < 0) {
        s = sections_.size();
        sectionIndex_.insert(section.toLower(), s);
        sections_.append({section, {}, {}});
    }
    Section& target = sections_[s];
    const qsizetype k = target.keyIndex.value(key.toLower(), -1);
    if (k >= 0) {
        target.entries[k].second = value;
        return;
    }
    target.keyIndex.insert(key.toLower(), target.entries.size());
    target.entries.append({key, value});
}

void CIniFile::RemoveSection(const QString& section)
{
    const qsizetype s = Find(section);
    if (s < 0)
        return;
    sections_.removeAt(s);
    sectionIndex_.clear();
    for (qsizetype i = 0; i < sections_.size(); ++i)
        sectionIndex_.insert(sections_[i].name.toLower(), i);
}

QStringList CIniFile::Sections() const
{
    QStringList names;
    for (const Section& section : sections_)
        names.append(section.name);
    return names;
}

QStringList CIniFile::Keys(const QString& section) const
{
    QStringList keys;
    const qsizetype s = Find(section);
    if (s >= 0)
        for (const auto& entry : sections_[s].entries)
            keys.append(entry.first);
    return keys;
}
