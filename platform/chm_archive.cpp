// Opens compiled help files with chmlib in a child process and parses their system file and
// table of contents.
#include "platform/chm_archive.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <chm_lib.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The child writes, per file: path length (u32), path, data length (u64), data; then this marker.
constexpr std::uint32_t kEndMarker = 0xFFFFFFFFu;

// Memory the child may allocate beyond what it inherits: far more than chmlib needs for any
// real help file (its decompression window and block cache take a few megabytes).
constexpr long long kChildMemoryBudget = 512LL * 1024 * 1024;

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

struct ChildContext
{
    int fd;
    bool failed = false;
};

int SendUnit(chmFile* h, chmUnitInfo* ui, void* context)
{
    auto* ctx = static_cast<ChildContext*>(context);
    const std::uint32_t pathLength = std::uint32_t(strnlen(ui->path, CHM_MAX_PATHLEN + 1));
    const std::uint64_t length = std::uint64_t(ui->length);
    if (!WriteAll(ctx->fd, &pathLength, sizeof pathLength) ||
        !WriteAll(ctx->fd, ui->path, pathLength) || !WriteAll(ctx->fd, &length, sizeof length)) {
        ctx->failed = true;
        return CHM_ENUMERATOR_FAILURE;
    }
    static unsigned char buffer[65536];
    for (std::uint64_t offset = 0; offset < length;) {
        const std::uint64_t chunk = std::min<std::uint64_t>(sizeof buffer, length - offset);
        const LONGINT64 got =
            chm_retrieve_object(h, ui, buffer, LONGUINT64(offset), LONGINT64(chunk));
        if (got <= 0 || !WriteAll(ctx->fd, buffer, std::size_t(got))) {
            ctx->failed = true;
            return CHM_ENUMERATOR_FAILURE;
        }
        offset += std::uint64_t(got);
    }
    return CHM_ENUMERATOR_CONTINUE;
}

// Returns the data size of this process in bytes (VmData), or -1. Uses only system calls, as
// it runs in the child of a possibly multi-threaded process.
long long CurrentDataBytes()
{
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[8192];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    text[n] = '\0';
    const char* line = std::strstr(text, "VmData:");
    if (!line)
        return -1;
    long long kilobytes = 0;
    for (line += 7; *line == ' ' || *line == '\t'; ++line) {
    }
    for (; *line >= '0' && *line <= '9'; ++line)
        kilobytes = kilobytes * 10 + (*line - '0');
    return kilobytes * 1024;
}

// Runs in the child: everything chmlib does happens here, so that a crash on a damaged file
// only ends the child. _exit skips the parent's exit handlers.
[[noreturn]] void RunChild(const char* path, int fd)
{
    // A crash here is an expected outcome, not an event: no core file, no inherited crash
    // handler. A file that makes chmlib ask for gigabytes meets a memory budget instead.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, SIG_DFL);
    if (const long long data = CurrentDataBytes(); data >= 0) {
        const rlimit budget{rlim_t(data + kChildMemoryBudget), rlim_t(data + kChildMemoryBudget)};
        ::setrlimit(RLIMIT_DATA, &budget);
    }

    chmFile* h = chm_open(path);
    if (!h)
        _exit(2);
    ChildContext ctx{fd};
    const int ok = chm_enumerate(
        h, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES, SendUnit, &ctx);
    if (!ok || ctx.failed)
        _exit(3);
    if (!WriteAll(fd, &kEndMarker, sizeof kEndMarker))
        _exit(4);
    chm_close(h);
    _exit(0);
}

// Returns the stream the child wrote, or nothing when the child failed, crashed, wrote too much
// or took too long.
std::optional<QByteArray> ExtractInChild(const QByteArray& path, const ChmLimits& limits)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(fds[0]);
        RunChild(path.constData(), fds[1]);
    }
    ::close(fds[1]);

    const qint64 cap =
        limits.maxTotalBytes + qint64(limits.maxObjects) * (4 + CHM_MAX_PATHLEN + 1 + 8) + 4;
    QDeadlineTimer deadline(limits.timeoutMs);
    QByteArray stream;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int remaining = int(deadline.remainingTime());
        const int r = remaining == 0 ? 0 : ::poll(&p, 1, remaining);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || stream.size() + n > cap) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        stream.append(buffer, n);
    }
    ::close(fds[0]);
    if (!ok)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return stream;
}

class StreamReader
{
public:
    explicit StreamReader(const QByteArray& data) : data_(data) {}

    bool Take(void* out, qint64 size)
    {
        if (size < 0 || data_.size() - pos_ < size)
            return false;
        std::memcpy(out, data_.constData() + pos_, std::size_t(size));
        pos_ += size;
        return true;
    }
    bool TakeBytes(QByteArray* out, qint64 size)
    {
        if (size < 0 || data_.size() - pos_ < size)
            return false;
        *out = data_.mid(pos_, size);
        pos_ += size;
        return true;
    }
    bool AtEnd() const { return pos_ == data_.size(); }

private:
    const QByteArray& data_;
    qint64 pos_ = 0;
};

QString Key(const QString& path)
{
    return NormalizeChmPath(path).toLower();
}

quint32 ReadLittleEndian(const QByteArray& data, qsizetype pos, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data[pos + i]);
    return value;
}

QString DecodeEntities(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        char32_t code = 0;
        if (name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive))
            code = name.mid(2).toUInt(nullptr, 16);
        else if (name.startsWith(QLatin1Char('#')))
            code = name.mid(1).toUInt();
        else if (name == QLatin1String("amp"))
            code = '&';
        else if (name == QLatin1String("lt"))
            code = '<';
        else if (name == QLatin1String("gt"))
            code = '>';
        else if (name == QLatin1String("quot"))
            code = '"';
        else if (name == QLatin1String("apos"))
            code = '\'';
        else if (name == QLatin1String("nbsp"))
            code = 0xA0;
        if (code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF))
            out += QString::fromUcs4(&code, 1);
        else
            out += m.captured(0);
        last = m.capturedEnd();
    }
    out += text.mid(last);
    return out;
}

} // namespace

bool ChmArchive::Open(const QString& filePath, const ChmLimits& limits)
{
    Close();
    filePath_ = filePath;
    const QFileInfo info(filePath);
    if (filePath.isEmpty() || !info.isFile() || !info.isReadable()) {
        status_ = Status::Missing;
        return false;
    }
    status_ = Status::Corrupt;
    const auto stream = ExtractInChild(QFile::encodeName(info.absoluteFilePath()), limits);
    if (!stream)
        return false;

    QHash<QString, QByteArray> files;
    QHash<QString, QString> names;
    StreamReader reader(*stream);
    qint64 total = 0;
    for (;;) {
        std::uint32_t pathLength = 0;
        if (!reader.Take(&pathLength, sizeof pathLength))
            return false;
        if (pathLength == kEndMarker)
            break;
        QByteArray rawPath;
        std::uint64_t length = 0;
        if (pathLength == 0 || pathLength > CHM_MAX_PATHLEN ||
            !reader.TakeBytes(&rawPath, pathLength) || !reader.Take(&length, sizeof length) ||
            length > std::uint64_t(limits.maxObjectBytes))
            return false;
        total += qint64(length);
        QByteArray data;
        if (total > limits.maxTotalBytes || files.size() >= limits.maxObjects ||
            !reader.TakeBytes(&data, qint64(length)))
            return false;
        const QString path = NormalizeChmPath(DecodeChmText(rawPath));
        files.insert(path.toLower(), data);
        names.insert(path.toLower(), path);
    }
    if (!reader.AtEnd())
        return false;

    files_ = std::move(files);
    names_ = std::move(names);
    if (const auto system = Read(QStringLiteral("/#SYSTEM")))
        system_ = ParseChmSystem(*system);
    status_ = Status::Ok;
    return true;
}

void ChmArchive::Close()
{
    filePath_.clear();
    status_ = Status::NotOpened;
    files_.clear();
    names_.clear();
    system_ = {};
}

bool ChmArchive::Contains(const QString& path) const
{
    return files_.contains(Key(path));
}

std::optional<QByteArray> ChmArchive::Read(const QString& path) const
{
    const auto it = files_.constFind(Key(path));
    if (it == files_.constEnd())
        return std::nullopt;
    return *it;
}

QStringList ChmArchive::Files() const
{
    QStringList list = names_.values();
    list.sort();
    return list;
}

QList<ChmContentsEntry> ChmArchive::Contents() const
{
    QString file = system_.contentsFile;
    if (file.isEmpty() || !Contains(file)) {
        // Some compilers do not record the contents file; take the one .hhc at the root.
        file.clear();
        for (const QString& name : Files()) {
            if (name.count(QLatin1Char('/')) == 1 &&
                name.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
                file = name;
                break;
            }
        }
    }
    if (file.isEmpty())
        return {};
    return ParseChmContents(Read(file).value_or(QByteArray()));
}

QString NormalizeChmPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList segments;
    for (const QString& segment : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (!segments.isEmpty())
                segments.removeLast();
            continue;
        }
        segments << segment;
    }
    return QLatin1Char('/') + segments.join(QLatin1Char('/'));
}

ChmSystemInfo ParseChmSystem(const QByteArray& data)
{
    ChmSystemInfo info;
    qsizetype pos = 4; // the file starts with its version number
    while (pos + 4 <= data.size()) {
        const quint32 code = ReadLittleEndian(data, pos, 2);
        const qsizetype length = ReadLittleEndian(data, pos + 2, 2);
        pos += 4;
        if (length > data.size() - pos)
            break;
        const QByteArray value = data.mid(pos, length);
        pos += length;
        const qsizetype nul = value.indexOf('\0');
        const QString text = DecodeChmText(nul >= 0 ? value.left(nul) : value).trimmed();
        switch (code) {
        case 0:
            info.contentsFile = NormalizeChmPath(text);
            break;
        case 1:
            info.indexFile = NormalizeChmPath(text);
            break;
        case 2:
            info.defaultTopic = NormalizeChmPath(text);
            break;
        case 3:
            info.title = text;
            break;
        case 4:
            if (length >= 4)
                info.lcid = ReadLittleEndian(value, 0, 4);
            break;
        default:
            break;
        }
    }
    return info;
}

QList<ChmContentsEntry> ParseChmContents(const QByteArray& data)
{
    static const QRegularExpression tag(QStringLiteral("<\\s*(/?)\\s*(ul|object|param)\\b([^>]*)>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([a-zA-Z]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"));
    const auto attributes = [](const QString& text) {
        QHash<QString, QString> values;
        for (auto it = attribute.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const QString key = m.captured(1).toLower();
            if (!values.contains(key))
                values.insert(key, DecodeEntities(m.captured(2) + m.captured(3) + m.captured(4)));
        }
        return values;
    };

    QList<ChmContentsEntry> entries;
    const QString text = DecodeChmText(data);
    int listDepth = 0;
    bool inEntry = false;
    ChmContentsEntry current;
    for (auto it = tag.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const bool closing = !m.captured(1).isEmpty();
        const QString name = m.captured(2).toLower();
        if (name == QLatin1String("ul")) {
            listDepth = closing ? std::max(0, listDepth - 1) : listDepth + 1;
        } else if (name == QLatin1String("object")) {
            if (closing) {
                if (inEntry && !current.name.isEmpty())
                    entries << current;
                inEntry = false;
            } else {
                const auto values = attributes(m.captured(3));
                inEntry = values.value(QStringLiteral("type"))
                              .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0;
                current = ChmContentsEntry{};
                current.depth = std::max(0, listDepth - 1);
            }
        } else if (inEntry && !closing) {
            const auto values = attributes(m.captured(3));
            const QString param = values.value(QStringLiteral("name")).toLower();
            const QString value = values.value(QStringLiteral("value")).trimmed();
            if (param == QLatin1String("name") && current.name.isEmpty())
                current.name = value;
            else if (param == QLatin1String("local") && current.local.isEmpty())
                current.local = value;
        }
    }
    return entries;
}

QString DecodeChmText(const QByteArray& data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("windows-1252");
    if (windows1252.isValid())
        return windows1252(data);
    return QString::fromLatin1(data);
}
