// Colour swatches.
#include "controls/common/color_swatch.h"

#include <QPainter>

CColorSwatch::CColorSwatch(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setMinimumSize(40, 20);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CColorSwatch::SetColor(OLE_COLOR color, bool notify)
{
    color_ = color;
    update();
    if (notify)
        emit ColorChanged(color);
}

void CColorSwatch::paintEvent(QPaintEvent* event)
{
    {
        QPainter dc(this);
        // A disabled swatch shows the window colour, as a greyed static does.
        dc.fillRect(contentsRect(), isEnabled() ? ToQColor(color_) : palette().color(QPalette::Window));
    }
    QFrame::paintEvent(event);
}
