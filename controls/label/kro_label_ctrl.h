// The custom-drawn label CKroLabelCtrl: the button's drawing without focus, pressed or disabled
// looks, its own property ids and defaults, and the three stock events.
#pragma once

#include "controls/common/kro_control.h"

class CKroLabelCtrl : public CKroControl
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{3A7ECCC5-1227-11D4-B319-0000B45078DC}";
    static constexpr const char* kProgId = "KROLABEL.KroLabelCtrl.1";

    explicit CKroLabelCtrl(QWidget* parent = nullptr);

    static const QList<PropSpec>& Specs();
    static const QList<DispEntry>& DispatchTable();
    static const QList<DispEntry>& EventTable();

    void OnDraw(QPainter& dc, const QRect& bounds) override;

    // Changes the drawn text but not the stock caption.
    void SetWindowText(const QString& text) override;

signals:
    void Click();
    void DblClick();
    void MouseMove(short Button, short Shift, int x, int y);

protected:
    const QList<PropSpec>& PropertySpecs() const override { return Specs(); }
    std::uint32_t StockMask() const override { return StockProp::Caption; }
    QList<CKroPropertyPage*> CreatePropertyPages() override;
    QString TypeName() const override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int buttonState_ = 0;
    bool doubleClicked_ = false;
};
