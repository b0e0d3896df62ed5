// Failures shown in the program's message box and the platform's notice box.
#include "core/error_boxes.h"

#include "core/message_box.h"
#include "core/plain_box.h"
#include "core/workspace.h"

namespace {

// A box is as wide as its longest unbroken run of characters: a word of more than this many
// (a long device path or file name) is shortened in its middle.
constexpr int kLongestWord = 60;

std::string ElideLongWords(const std::string& text)
{
    QString out;
    const QString all = QString::fromStdString(text);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= all.size(); ++i) {
        if (i < all.size() && !all[i].isSpace())
            continue;
        const QString word = all.mid(start, i - start);
        out += word.size() > kLongestWord
                   ? word.left(kLongestWord / 2 - 1) + QChar(0x2026) + word.right(kLongestWord / 2)
                   : word;
        if (i < all.size())
            out += all[i];
        start = i + 1;
    }
    return out.toStdString();
}

} // namespace

ErrorBoxes::ErrorBoxes(const Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("ErrorBoxes"));
}

void ErrorBoxes::Show(const ErrorReport& report)
{
    if (holdBack_ && holdBack_(report)) {
        ++heldBack_;
        return;
    }
    // Reports made one after the other in one handler reach the event loop together: the
    // second of a message already on its way would only show once the first box is closed.
    for (const std::vector<ErrorReport>* list : {&pending_, &showing_})
        for (const ErrorReport& other : *list)
            if (other.SameMessage(report)) {
                ++heldBack_;
                return;
            }
    pending_.push_back(report);
    QMetaObject::invokeMethod(
        this,
        [this] {
            const ErrorReport next = pending_.front();
            pending_.erase(pending_.begin());
            ShowAtOnce(next);
        },
        Qt::QueuedConnection);
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
    const std::string text = ElideLongWords(ReportText(report, workspace_));
    if (report.style == kStyleNotice) {
        ShowPlatformNotice(text); // the platform's own box, not the program's
    } else if (report.platform) {
        ShowSystemBox(ReportTitle(report, workspace_), text, BoxIcon::Error);
    } else {
        ShowMessageText(workspace_.textsPath.c_str(), ReportTitle(report, workspace_).c_str(),
                        text.c_str(), report.style, report.helpId);
    }
    // Boxes close innermost first, so the one closing is the last opened.
    const ErrorReport shown = showing_.back();
    showing_.pop_back();
    emit Shown(shown);
}
