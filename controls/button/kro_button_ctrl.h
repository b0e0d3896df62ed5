// The custom-drawn push button CKROButtonCtrl: the focus mark's properties beside the shared
// ones, its painting, pressed and focused looks, and the ten events it fires to its container.
#pragma once

#include "controls/common/kro_control.h"

#include <QPixmap>
#include <QPointer>

class CKROButtonCtrl : public CKroControl
{
    Q_OBJECT
    Q_PROPERTY(int StileFuoco READ StileFuoco WRITE SetStileFuoco NOTIFY StileFuocoChanged)
    Q_PROPERTY(uint ColoreFuoco READ ColoreFuoco WRITE SetColoreFuoco NOTIFY ColoreFuocoChanged)
    Q_PROPERTY(bool ColoraTestoInFuoco READ ColoraTestoInFuoco WRITE SetColoraTestoInFuoco NOTIFY
                   ColoraTestoInFuocoChanged)
    Q_PROPERTY(uint ColoreTestoFuoco READ ColoreTestoFuoco WRITE SetColoreTestoFuoco NOTIFY
                   ColoreTestoFuocoChanged)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)

public:
    static constexpr const char* kClassId = "{392A85DB-1C4B-11D4-B319-0000B45078DC}";
    static constexpr const char* kProgId = "KROBUTTON.KROButtonCtrl.1";

    explicit CKROButtonCtrl(QWidget* parent = nullptr);

    // The custom properties in exchange order (TestoContenuto first) with their defaults.
    static const QList<PropSpec>& Specs();
    // _DKROButton in the type library's source order, and _DKROButtonEvents.
    static const QList<DispEntry>& DispatchTable();
    static const QList<DispEntry>& EventTable();

    // Draws `Bitmap` centred instead of the caption until NoBitmap or the next exchange. The
    // control keeps its own copy, so the host's picture may go at any time.
    Q_INVOKABLE void InserisciBitmap(const QPixmap& Bitmap);
    Q_INVOKABLE void NoBitmap();

    // The base's click step, called with the button (1 left, 2 right, 4 middle) that completed
    // a click inside the control.
    void OnClick(short button);

    void OnDraw(QPainter& dc, const QRect& bounds) override;

    bool IsPressed() const { return isPressed_; }
    bool HasFocusMark() const { return hasFocus_; }
    bool IsBitmapMode() const { return bitmapMode_; }

    int StileFuoco() const { return stileFuoco_; }
    uint ColoreFuoco() const { return coloreFuoco_; }
    bool ColoraTestoInFuoco() const { return coloraTestoInFuoco_; }
    uint ColoreTestoFuoco() const { return coloreTestoFuoco_; }
    bool Enabled() const { return isEnabled(); }

    void SetStileFuoco(int v) { Change(stileFuoco_, v, &CKROButtonCtrl::StileFuocoChanged); }
    void SetColoreFuoco(uint v) { Change(coloreFuoco_, v, &CKROButtonCtrl::ColoreFuocoChanged); }
    void SetColoraTestoInFuoco(bool v)
    {
        Change(coloraTestoInFuoco_, v, &CKROButtonCtrl::ColoraTestoInFuocoChanged);
    }
    void SetColoreTestoFuoco(uint v)
    {
        Change(coloreTestoFuoco_, v, &CKROButtonCtrl::ColoreTestoFuocoChanged);
    }
    void SetEnabled(bool enabled);

signals:
    void StileFuocoChanged(int value);
    void ColoreFuocoChanged(uint color);
    void ColoraTestoInFuocoChanged(bool value);
    void ColoreTestoFuocoChanged(uint color);
    void EnabledChanged(bool enabled);

    void OnSetFocus();
    void OnKillFocus();
    void Click();
    void DblClick();
    void KeyDown(short KeyCode, short Shift);
    void KeyPress(short KeyAscii);
    void KeyUp(short KeyCode, short Shift);
    void MouseDown(short Button, short Shift, int x, int y);
    void MouseMove(short Button, short Shift, int x, int y);
    void MouseUp(short Button, short Shift, int x, int y);

protected:
    const QList<PropSpec>& PropertySpecs() const override { return Specs(); }
    std::uint32_t StockMask() const override;
    void AfterExchange() override;
    QList<CKroPropertyPage*> CreatePropertyPages() override;
    QString TypeName() const override;

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool bitmapMode_ = false;
    QPixmap bitmap_;
    bool isPressed_ = false;
    bool hasFocus_ = false;
    bool isVisible_ = true;
    int buttonState_ = 0;      // mouse buttons held since a press on the control
    int doubleClickState_ = 0; // buttons whose next release ends a double click
    QPointer<QWidget> lastOtherFocus_;

    qint16 stileFuoco_ = 0;
    uint coloreFuoco_ = 0;
    bool coloraTestoInFuoco_ = false;
    uint coloreTestoFuoco_ = 0;
};
