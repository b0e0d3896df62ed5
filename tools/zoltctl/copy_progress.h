// The progress of a copy on the terminal: one line that rewrites itself, or a plain line at
// every tenth of the total when standard output is not a terminal.
#pragma once

#include "transfer/copy_engine.h"
#include "transfer/rate_meter.h"

#include <QElapsedTimer>

class CopyProgress
{
public:
    explicit CopyProgress(const CopyEngine& engine);

    // A block was read.
    void Update();
    // The tester acknowledged entry `index`: "sent PC -> TESTER".
    void FileSent(int index);
    // Ends the rewriting line, if one is shown.
    void EndLine();

private:
    const CopyEngine& engine_;
    RateMeter rate_;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1000;
    int lastTenth_ = -1;
    bool terminal_ = false;
    bool drawn_ = false;
};
