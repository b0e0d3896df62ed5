// The registry of control classes: an INI file under $XDG_CONFIG_HOME/zolt/ ("registry.ini"),
// or the file named by ZOLT_REGISTRY, with type-library descriptions in "typelib" beside it.
#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The registry file in effect: $ZOLT_REGISTRY, else $XDG_CONFIG_HOME/zolt/registry.ini (with
// ~/.config when XDG_CONFIG_HOME is unset).
QString RegistryPath();
// The description of type library `libraryId` at `version`, beside the registry.
QString TypeLibraryPath(const QString& libraryId, const QString& version = QStringLiteral("1.0"));

// An INI file held in memory: sections of keys and values, names compared without regard to
// case, order kept. Reading is bounded; writing replaces the file atomically.
class CIniFile
{
public:
    // Reads `path`; a missing file reads as empty. False when the file cannot be read or is
    // larger than any registry should be.
    bool Load(const QString& path);
    // Writes the whole file; false (and the old file untouched) when it cannot be written.
    bool Save(const QString& path) const;

    QString Value(const QString& section, const QString& key,
                  const QString& fallback = QString()) const;
    bool HasSection(const QString& section) const;
    void SetValue(const QString& section, const QString& key, const QString& value);
    void RemoveSection(const QString& section);
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;

private:
    struct Section
    {
        QString name;
        QList<QPair<QString, QString>> entries;
        QHash<QString, qsizetype> keyIndex; // lower-case key -> entry
    };
    qsizetype Find(const QString& section) const;

    // Indexed, so that a hostile file of many names cannot make reading quadratic.
    QList<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_; // lower-case name -> section
};

// The registry's section of a class id ("CLSID\{...}"), with the id in capitals and braces.
QString ClassSection(const QString& classId);
QString NormalizedClassId(const QString& classId);
