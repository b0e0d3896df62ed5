// Keeping windows on the screen.
#include "app/screen_fit.h"

#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

QRect FitIntoArea(QRect geometry, const QMargins& frame, const QSize& minimum, const QRect& area)
{
    const QRect inner = area.marginsRemoved(frame);
    geometry.setWidth(std::max(std::min(geometry.width(), inner.width()), minimum.width()));
    geometry.setHeight(std::max(std::min(geometry.height(), inner.height()), minimum.height()));
    // Right and bottom first, so that a window larger than the area keeps its top-left corner
    // (title bar and first buttons) on the screen.
    geometry.moveRight(std::min(geometry.right(), inner.right()));
    geometry.moveBottom(std::min(geometry.bottom(), inner.bottom()));
    geometry.moveLeft(std::max(geometry.left(), inner.left()));
    geometry.moveTop(std::max(geometry.top(), inner.top()));
    return geometry;
}

void FitIntoScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen || window->isMaximized() || window->isFullScreen())
        return;
    // Before the window manager has framed a window its frame is unknown; a title bar and a
    // thin border are assumed.
    QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
    if (frame.isNull() && !window->windowFlags().testFlag(Qt::FramelessWindowHint))
        frame = QMargins(4, 30, 4, 4);
    QSize minimum = window->minimumSize().expandedTo(window->minimumSizeHint());
    const QRect fitted =
        FitIntoArea(window->geometry(), frame, minimum, screen->availableGeometry());
    if (fitted.size() != window->size())
        window->resize(fitted.size());
    // A dialog not yet placed is centred over its parent, within the screen, by its own show
    // handling, which runs after this and would be skipped once the dialog has been moved.
    if (qobject_cast<QDialog*>(window) && !window->testAttribute(Qt::WA_Moved))
        return;
    if (fitted.topLeft() != window->geometry().topLeft())
        window->move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

bool ScreenFitFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog))
            FitIntoScreen(widget);
    }
    return QObject::eventFilter(watched, event);
}
