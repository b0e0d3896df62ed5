// Failures shown in the program's message box and the platform's notice box.
#include "core/error_boxes.h"

#include "core/message_box.h"
#include "core/workspace.h"

ErrorBoxes::ErrorBoxes(const Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("ErrorBoxes"));
}

void ErrorBoxes::Show(const ErrorReport& report)
{
    QMetaObject::invokeMethod(
        this, [this, report] { ShowAtOnce(report); }, Qt::QueuedConnection);
}

void ErrorBoxes::ShowAtOnce(const ErrorReport& report)
{
    // A box runs an event loop of its own, where the next frame from the line may report the
    // same message again.
    for (const ErrorReport& open : showing_)
        if (open.SameMessage(report)) {
            ++heldBack_;
            return;
        }
    showing_.push_back(report);
    const std::string text = ReportText(report, workspace_);
    if (report.style == kStyleNotice) {
        ShowPlatformNotice(text); // the platform's own box, not the program's
    } else {
        ShowMessageText(workspace_.textsPath.c_str(), ReportTitle(report, workspace_).c_str(),
                        text.c_str(), report.style, report.helpId);
    }
    // Boxes close innermost first, so the one closing is the last opened.
    const ErrorReport shown = showing_.back();
    showing_.pop_back();
    emit Shown(shown);
}
