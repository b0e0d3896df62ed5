// The directory listing exchanges and the reading of directory entries.
#include "tools/zoltctl/dir_lister.h"

#include "core/app_config.h"
#include "core/link_event.h"
#include "core/texts.h"
#include "link/link_session.h"

#include <QEvent>

#include <algorithm>

namespace {

constexpr int kSync = 3, kOpenDirectory = 21, kReadEntry = 22;
constexpr int kSyncAnswer = 7, kDirectoryAnswer = 18, kEntryAnswer = 19;
constexpr const char* kRoot = "/FN0";
// Offsets in an entry answer.
constexpr int kStatus = 7, kIndex = 8, kKind = 12, kDate = 17, kVersion = 27, kName = 38;

void ShowError(int number)
{
    ShowMessage(AppConfig.textsPath.c_str(), "MESSAGGI_ERRORE", 1, "MESSAGGI_ERRORE", number,
                kStyleError, 0);
}

} // namespace

bool DirLister::Start()
{
    return Send(kSync);
}

bool DirLister::Send(int type, const std::uint8_t* data, int length)
{
    if (BuildRequest(type, data, length) == 0 || SendRequest(this) == 0) {
        Fail(15);
        return false;
    }
    return true;
}

bool DirLister::RequestEntry(std::uint32_t index)
{
    const std::uint8_t data[4] = {std::uint8_t(index >> 24), std::uint8_t(index >> 16),
                                  std::uint8_t(index >> 8), std::uint8_t(index)};
    return Send(kReadEntry, data, 4);
}

bool DirLister::event(QEvent* event)
{
    if (event->type() == LinkMessageEvent::eventType()) {
        if (!done_)
            OnAnswer(static_cast<LinkMessageEvent*>(event)->wParam);
        return true;
    }
    return QObject::event(event);
}

void DirLister::OnAnswer(long long code)
{
    LinkSession* session = LinkSession::Current();
    const std::uint8_t* r = LinkResponse();
    const int length = session && session->Window() ? session->Window()->ResponseLength() : 0;
    const int status = r && length > kStatus ? r[kStatus] : -1;
    switch (code) {
    case kSyncAnswer:
        if (closing_) {
            Finish(true);
        } else if (!opened_) {
            opened_ = true;
            Send(kOpenDirectory, reinterpret_cast<const std::uint8_t*>(kRoot), 4);
        }
        break;
    case kDirectoryAnswer:
        if (status == 1) {
            counter_ = 0;
            RequestEntry(0);
        } else {
            Fail(status == 2 ? 32 : 14);
        }
        break;
    case kEntryAnswer:
        if (status == 4) {
            Finish(true);
        } else if (status == 1) {
            if (length < kName) {
                Fail(14);
                return;
            }
            Entry entry;
            entry.index = (std::uint32_t(r[kIndex]) << 24) | (std::uint32_t(r[kIndex + 1]) << 16) |
                          (std::uint32_t(r[kIndex + 2]) << 8) | r[kIndex + 3];
            if (entry.index >= std::uint32_t(kMaxEntries)) {
                closing_ = true;
                Send(kSync);
                return;
            }
            if (entry.index != counter_) {
                ShowMessageText(AppConfig.textsPath.c_str(), "SYSTEM MESSAGE",
                                "Contatore messaggio previsto diverso da quello ricevuto",
                                kStyleError, 0);
                Finish(false);
                return;
            }
            entry.kind = r[kKind];
            entry.date.assign(reinterpret_cast<const char*>(r + kDate), 10);
            entry.version.assign(reinterpret_cast<const char*>(r + kVersion), 5);
            // The name runs to the end of the frame, whose length field is bytes 1 and 2.
            const int frameEnd = std::min(((r[1] << 8) | r[2]) + 1, length);
            if (frameEnd > kName)
                entry.name.assign(reinterpret_cast<const char*>(r + kName),
                                  std::size_t(frameEnd - kName));
            entries_.push_back(entry);
            emit EntryRead(entry);
            ++counter_;
            RequestEntry(counter_);
        } else {
            Fail(status == 2 || status == 3 ? 32 : 14);
        }
        break;
    case LinkTimeout:
        Fail(12);
        break;
    default:
        break;
    }
}

void DirLister::Fail(int message)
{
    if (done_)
        return;
    ShowError(message);
    Finish(false);
}

void DirLister::Finish(bool ok)
{
    if (done_)
        return;
    done_ = true;
    ok_ = ok;
    EndExchange();
    emit Finished(ok);
}
