// Printing the copy's progress.
#include "tools/zoltctl/copy_progress.h"

#include "tools/zoltctl/output.h"

#include <cstdio>
#include <unistd.h>

namespace {

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

CopyProgress::CopyProgress(const CopyEngine& engine) : engine_(engine)
{
    terminal_ = isatty(STDOUT_FILENO) == 1;
    clock_.start();
}

void CopyProgress::Update()
{
    rate_.Add(clock_.elapsed(), engine_.BytesRead());
    const std::uint64_t total = engine_.Total();
    const std::uint64_t left = total > engine_.BytesRead() ? total - engine_.BytesRead() : 0;
    if (terminal_) {
        if (clock_.elapsed() - lastDraw_ < 100 && left != 0)
            return;
        lastDraw_ = clock_.elapsed();
        std::printf("\r\033[K%s  %s  %s", engine_.ProgressText().c_str(),
                    zoltctl::Escaped(BaseName(engine_.CurrentPcPath())).c_str(),
                    rate_.Text(left).c_str());
        std::fflush(stdout);
        drawn_ = true;
        return;
    }
    const int tenth = total == 0 ? 10 : int(engine_.BytesRead() * 10 / total);
    if (tenth > lastTenth_) {
        lastTenth_ = tenth;
        std::printf("%s\n", engine_.ProgressText().c_str());
        std::fflush(stdout);
    }
}

void CopyProgress::FileSent(int index)
{
    EndLine();
    const CopyEngine::Entry& entry = engine_.Entries()[std::size_t(index)];
    std::printf("%s\n", zoltctl::Say(zoltctl::kSent, {zoltctl::Escaped(entry.pcPath),
                                                      zoltctl::Escaped(entry.testerPath)})
                            .c_str());
    std::fflush(stdout);
}

void CopyProgress::EndLine()
{
    if (drawn_)
        std::printf("\n");
    drawn_ = false;
}
