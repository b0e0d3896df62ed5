// The one place where failures reported below the top become message boxes: every emitter's
// Failed signal is connected here. A report is shown from the event loop, never inside the
// handler that emitted it, and a report of a message whose box is open or on its way is counted,
// not shown again, so that a tester flooding the line cannot stack boxes. A word longer than 60
// characters (a long device path or file name) is shortened in its middle.
//
//   ErrorBoxes boxes(AppConfig);
//   boxes.Watch(&linkSession);             // any QObject with Failed(const ErrorReport&)
//   connect(&engine, &CopyEngine::Failed, &boxes, &ErrorBoxes::Show);
#pragma once

#include "core/messages.h"

#include <QObject>

#include <cstddef>
#include <functional>
#include <vector>

struct Workspace;

class ErrorBoxes : public QObject
{
    Q_OBJECT

public:
    explicit ErrorBoxes(const Workspace& workspace, QObject* parent = nullptr);

    template <typename Emitter> void Watch(Emitter* emitter)
    {
        connect(emitter, &Emitter::Failed, this, &ErrorBoxes::Show);
    }

    // Reports for which `heldBack` returns true are counted, not shown: the top has said them
    // another way (a disconnected tester on the status bar).
    void SetHoldBack(std::function<bool(const ErrorReport&)> heldBack)
    {
        holdBack_ = std::move(heldBack);
    }

    // Reports held back so far because their message was being shown already, or by the rule
    // of SetHoldBack.
    std::size_t HeldBack() const { return heldBack_; }
    // Boxes open now, outermost first.
    const std::vector<ErrorReport>& Showing() const { return showing_; }

    // Shows `report` now, for the top when no event loop will run for it (the program ends
    // after it); never from a handler of the link.
    void ShowAtOnce(const ErrorReport& report);

public slots:
    // Shows `report` once the event loop has control.
    void Show(const ErrorReport& report);

signals:
    // A box for `report` has closed.
    void Shown(const ErrorReport& report);

private:
    const Workspace& workspace_;
    std::vector<ErrorReport> pending_; // on their way to the event loop, in order
    std::vector<ErrorReport> showing_;
    std::size_t heldBack_ = 0;
    std::function<bool(const ErrorReport&)> holdBack_;
};
