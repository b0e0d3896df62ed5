// A swatch showing one colour of a property page or the colour picker.
#pragma once

#include "controls/common/ole_color.h"

#include <QFrame>

class CColorSwatch : public QFrame
{
    Q_OBJECT

public:
    explicit CColorSwatch(QWidget* parent = nullptr);

    OLE_COLOR Color() const { return color_; }
    // Shows `color`; says so with ColorChanged only when asked, as a user's choice does.
    void SetColor(OLE_COLOR color, bool notify = false);
    QSize sizeHint() const override { return minimumSize(); }

signals:
    void ColorChanged(OLE_COLOR color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OLE_COLOR color_ = 0;
};
