// Records the failures the watched emitters report by their Failed signal, for tests.
#pragma once

#include "core/messages.h"

#include <QObject>

#include <vector>

class ReportRecorder : public QObject
{
public:
    std::vector<ErrorReport> reports;

    template <typename Emitter> void Watch(Emitter* emitter)
    {
        QObject::connect(emitter, &Emitter::Failed, this,
                         [this](const ErrorReport& report) { reports.push_back(report); });
    }
    // The text numbers reported so far, in order.
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const ErrorReport& report : reports)
            numbers.push_back(report.number);
        return numbers;
    }
};
