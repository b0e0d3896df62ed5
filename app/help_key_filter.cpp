// F1 in dialogs.
#include "app/help_key_filter.h"

#include "core/help_request.h"

#include <QKeyEvent>
#include <QWidget>

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    // The dialog that holds the focus names its topic; the main window has its own F1.
    int helpId = widget->window()->property("helpId").toInt();
    if (helpId == 0)
        return false;
    RequestHelp(helpId);
    return true;
}
