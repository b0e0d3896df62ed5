// Read-only access to a compiled help file (".CHM"): its topics, pictures and system information.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What the "#SYSTEM" file of an archive says about it.
struct ChmSystemInfo
{
    QString contentsFile; // table of contents (.hhc), archive path
    QString indexFile;    // keyword index (.hhk), archive path
    QString defaultTopic; // archive path of the topic shown when none is asked for
    QString title;
    std::uint32_t lcid = 0; // Windows language id the help was written for; 0 when not stated
};

// One line of a table of contents, in document order.
struct ChmContentsEntry
{
    QString name;
    QString local; // archive path of the topic; empty for a heading without a page
    int depth = 0; // 0 for top-level entries
};

// Size limits that keep a hostile archive from exhausting memory or time.
struct ChmLimits
{
    qint64 maxObjectBytes = 64 * 1024 * 1024;
    qint64 maxTotalBytes = 256 * 1024 * 1024;
    int maxObjects = 100000;
    int timeoutMs = 30000;
};

// An opened help archive. The whole archive is extracted when it is opened: chmlib crashes on
// damaged files, so it runs only in a short-lived child process that hands the contents over
// through a pipe. A damaged file then simply fails to open.
class ChmArchive
{
public:
    enum class Status
    {
        NotOpened,
        Ok,
        Missing,
        Corrupt
    };

    // Opens the archive at filePath, replacing whatever was open. Returns false when the file is
    // missing or cannot be read as a help archive; the archive is then empty.
    bool Open(const QString& filePath, const ChmLimits& limits = {});
    void Close();

    bool IsOpen() const { return status_ == Status::Ok; }
    Status status() const { return status_; }
    QString FilePath() const { return filePath_; }

    // Archive paths compare without regard to case, as the help system does; "html/a.html",
    // "/HTML/A.html" and "/html/x/../a.html" all name the same file.
    bool Contains(const QString& path) const;
    // Returns the bytes of the file at path, or nothing when the archive has no such file.
    std::optional<QByteArray> Read(const QString& path) const;
    // Returns the archive paths of all files, each starting with "/", sorted.
    QStringList Files() const;

    const ChmSystemInfo& SystemInfo() const { return system_; }
    // Returns the contents of the archive's table of contents; empty when it has none.
    QList<ChmContentsEntry> Contents() const;

private:
    QString filePath_;
    Status status_ = Status::NotOpened;
    QHash<QString, QByteArray> files_; // key: normalised lower-case path
    QHash<QString, QString> names_;    // key as above, value: the path as stored
    ChmSystemInfo system_;
};

// Returns path as an absolute archive path ("/html/a.html"): backslashes turned to "/", "." and
// ".." segments resolved (never above the root). Returns an empty string for an empty path.
QString NormalizeChmPath(const QString& path);

// Parses the records of a "#SYSTEM" file; a damaged record ends the parse, keeping what came
// before.
ChmSystemInfo ParseChmSystem(const QByteArray& data);

// Parses a table of contents in the sitemap format (.hhc).
QList<ChmContentsEntry> ParseChmContents(const QByteArray& data);

// Decodes text of a help archive: as UTF-8 when it is valid UTF-8, else as Windows-1252, the
// code page of older help files.
QString DecodeChmText(const QByteArray& data);
