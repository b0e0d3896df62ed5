// Windows open within the screen's available area, whatever the screen's size and scale.
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

// Returns the geometry (client area) that `window` of client geometry `geometry`, framed by
// `frame`, takes so that its frame lies within `area`: it is shrunk to fit (never below
// `minimum`) and moved in. A window that fits already keeps its place.
QRect FitIntoArea(QRect geometry, const QMargins& frame, const QSize& minimum, const QRect& area);

// Fits a top-level window into the available area of its screen (see FitIntoArea).
void FitIntoScreen(QWidget* window);

// Installed on the application: fits every dialog and top-level window as it is shown.
class ScreenFitFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
