// Lists the tester's directory "/FN0" as the tester reports it: a sync, the opening of the
// listing, then one entry per exchange until the end of the directory or entry 30. A
// widget-free engine: failures are reported through core/error_sink.h.
//
//   DirLister lister(link);                            // the program's LinkSession
//   connect(&lister, &DirLister::EntryRead, ...);     // one entry at a time
//   connect(&lister, &DirLister::Finished, ...);      // true: read to its end
//   lister.Start();
#pragma once

#include "linklib/protocol.h"

#include <QObject>

#include <cstdint>
#include <string>
#include <vector>

class LinkSession;

class DirLister : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxEntries = proto::kMaxDirectoryEntries;

    explicit DirLister(LinkSession& link, QObject* parent = nullptr);

    struct Entry
    {
        std::uint32_t index = 0;
        int kind = 0; // byte 12 as the tester sent it; 1 means "not recorded"
        std::string date;
        std::string version;
        std::string name;
    };

    // Sends the first sync. Returns false when it could not be sent (failure reported).
    bool Start();
    bool Done() const { return done_; }
    bool Succeeded() const { return ok_; }
    const std::vector<Entry>& Entries() const { return entries_; }

signals:
    void EntryRead(const DirLister::Entry& entry);
    void Finished(bool ok);

protected:
    bool event(QEvent* event) override;

private:
    void OnAnswer(long long code, const QByteArray& frame);
    bool Send(int type, const std::uint8_t* data = nullptr, int length = 0);
    bool RequestEntry(std::uint32_t index);
    void Fail(int message);
    void Finish(bool ok);

    LinkSession& link_;
    bool opened_ = false;
    bool closing_ = false;
    bool done_ = false;
    bool ok_ = false;
    std::uint32_t counter_ = 0;
    std::vector<Entry> entries_;
};
