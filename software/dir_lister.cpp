// The directory listing exchanges and the reading of directory entries.
#include "software/dir_lister.h"

#include "core/error_sink.h"
#include "link/link_session.h"
#include "linklib/link_event.h"

#include <QEvent>

#include <algorithm>
#include <cstring>

using namespace proto;

DirLister::DirLister(LinkSession& link, QObject* parent) : QObject(parent), link_(link) {}

bool DirLister::Start()
{
    return Send(kRequestSync);
}

bool DirLister::Send(int type, const std::uint8_t* data, int length)
{
    if (link_.BuildRequest(type, data, length) == 0 || link_.SendRequest(this) == 0) {
        Fail(15);
        return false;
    }
    return true;
}

bool DirLister::RequestEntry(std::uint32_t index)
{
    const std::uint8_t data[4] = {std::uint8_t(index >> 24), std::uint8_t(index >> 16),
                                  std::uint8_t(index >> 8), std::uint8_t(index)};
    return Send(kRequestDirectoryEntry, data, 4);
}

bool DirLister::event(QEvent* event)
{
    if (event->type() == LinkMessageEvent::eventType()) {
        const auto* message = static_cast<LinkMessageEvent*>(event);
        if (!done_)
            OnAnswer(message->wParam, message->frame);
        return true;
    }
    return QObject::event(event);
}

void DirLister::OnAnswer(long long code, const QByteArray& frame)
{
    const auto* r = reinterpret_cast<const std::uint8_t*>(frame.constData());
    const int length = int(frame.size());
    const int status = length > kOffsetStatus ? r[kOffsetStatus] : -1;
    switch (code) {
    case kAnswerSync:
        if (closing_) {
            Finish(true);
        } else if (!opened_) {
            opened_ = true;
            Send(kRequestOpenDirectory, reinterpret_cast<const std::uint8_t*>(kTesterRoot),
                 int(std::strlen(kTesterRoot)));
        }
        break;
    case kAnswerOpenDirectory:
        if (status == kStatusAccepted) {
            counter_ = 0;
            RequestEntry(0);
        } else {
            Fail(status == kStatusRefused ? 32 : 14);
        }
        break;
    case kAnswerDirectoryEntry:
        if (status == kStatusEndOfDirectory) {
            Finish(true);
        } else if (status == kStatusAccepted) {
            if (length < kEntryName) {
                Fail(14);
                return;
            }
            Entry entry;
            entry.index = (std::uint32_t(r[kEntryIndex]) << 24) |
                          (std::uint32_t(r[kEntryIndex + 1]) << 16) |
                          (std::uint32_t(r[kEntryIndex + 2]) << 8) | r[kEntryIndex + 3];
            if (entry.index >= std::uint32_t(kMaxEntries)) {
                closing_ = true;
                Send(kRequestSync);
                return;
            }
            if (entry.index != counter_) {
                ReportLiteral("SYSTEM MESSAGE",
                              "Contatore messaggio previsto diverso da quello ricevuto");
                Finish(false);
                return;
            }
            entry.kind = r[kEntryKind];
            entry.date.assign(reinterpret_cast<const char*>(r + kEntryDate), 10);
            entry.version.assign(reinterpret_cast<const char*>(r + kEntryVersion), 5);
            // The name runs to the end of the frame, whose length field is bytes 1 and 2.
            const int frameEnd = std::min(((r[1] << 8) | r[2]) + 1, length);
            if (frameEnd > kEntryName)
                entry.name.assign(reinterpret_cast<const char*>(r + kEntryName),
                                  std::size_t(frameEnd - kEntryName));
            entries_.push_back(entry);
            emit EntryRead(entry);
            ++counter_;
            RequestEntry(counter_);
        } else {
            Fail(status == kStatusRefused || status == kStatusTesterError ? 32 : 14);
        }
        break;
    case LinkTimeout:
        Fail(12);
        break;
    case LinkSendFailed:
        Fail(15);
        break;
    default:
        break;
    }
}

void DirLister::Fail(int message)
{
    if (done_)
        return;
    ReportError(kErrorSection, message);
    Finish(false);
}

void DirLister::Finish(bool ok)
{
    if (done_)
        return;
    done_ = true;
    ok_ = ok;
    link_.EndExchange(this);
    emit Finished(ok);
}
