// The button control: properties, painting, input and events.
#include "controls/button/kro_button_ctrl.h"

#include "controls/button/general_prop_page.h"
#include "controls/common/gdi_paint.h"
#include "controls/common/shared_prop_pages.h"
#include "controls/common/stock_events.h"
#include "controls/common/text_layout.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CKROButtonCtrl::CKROButtonCtrl(QWidget* parent) : CKroControl(parent)
{
    setObjectName(QStringLiteral("KROButton"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // A disabled control hands the focus back to the widget that had it before.
    if (qApp)
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now && now != this)
                lastOtherFocus_ = now;
        });
    ResetToDefaults();
}

const QList<PropSpec>& CKROButtonCtrl::Specs()
{
    static const QList<PropSpec> specs =
        SharedSpecs({"Testo del bottone", 1, 1, 1}) +
        QList<PropSpec>{
            {"StileFuoco", PropKind::Short, 0, nullptr},
            {"ColoreFuoco", PropKind::Color, 0xFF0000, nullptr},
            {"ColoraTestoInFuoco", PropKind::Bool, 0, nullptr},
            {"ColoreTestoFuoco", PropKind::Color, 0xFFFFFF, nullptr},
        };
    return specs;
}

// TestoContenuto leads the source order with id 24; the others are numbered by position.
const QList<DispEntry>& CKROButtonCtrl::DispatchTable()
{
    static const QList<DispEntry> table =
        PropertyEntries(Specs(), 24, 1) +
        QList<DispEntry>{
            {-514, "Enabled", "VARIANT_BOOL"},
            {25, "Text", "BSTR"},
            {26, "WindowText", "BSTR"},
            {-518, "Caption", "BSTR"},
            {27, "InserisciBitmap", "void", true, "IUnknown* Bitmap"},
            {28, "NoBitmap", "void", true},
        };
    return table;
}

const QList<DispEntry>& CKROButtonCtrl::EventTable()
{
    static const QList<DispEntry> table = {
        {1, "OnSetFocus", "void", true},
        {2, "OnKillFocus", "void", true},
        {-600, "Click", "void", true},
        {-601, "DblClick", "void", true},
        {-602, "KeyDown", "void", true, "short* KeyCode, short Shift"},
        {-603, "KeyPress", "void", true, "short* KeyAscii"},
        {-604, "KeyUp", "void", true, "short* KeyCode, short Shift"},
        {-605, "MouseDown", "void", true,
         "short Button, short Shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y"},
        {-606, "MouseMove", "void", true,
         "short Button, short Shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y"},
        {-607, "MouseUp", "void", true,
         "short Button, short Shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y"},
    };
    return table;
}

std::uint32_t CKROButtonCtrl::StockMask() const
{
    return StockProp::Caption | StockProp::Enabled;
}

QString CKROButtonCtrl::TypeName() const { return QStringLiteral("KROButton Control"); }

void CKROButtonCtrl::AfterExchange()
{
    hasFocus_ = false;
    isPressed_ = false;
    bitmapMode_ = false;
    isVisible_ = true;
}

void CKROButtonCtrl::SetEnabled(bool enabled)
{
    setEnabled(enabled);
    SetModifiedFlag();
}

void CKROButtonCtrl::InserisciBitmap(const QPixmap& bitmap)
{
    bitmapMode_ = true;
    bitmap_ = bitmap;
}

void CKROButtonCtrl::NoBitmap()
{
    bitmapMode_ = false;
    bitmap_ = QPixmap();
}

void CKROButtonCtrl::OnDraw(QPainter& dc, const QRect& bounds)
{
    if (!isVisible_)
        return;
    dc.save();
    dc.translate(bounds.topLeft());
    const bool enabled = isEnabled();
    const QColor face = palette().color(QPalette::Button);

    GdiRect rc{0, 0, bounds.width(), bounds.height()};
    const int contour = enabled ? EffettoContorno() : EffettoContorno() == 2 ? 0 : 2;
    DrawContour(dc, rc, contour, isPressed_, LightPen(face), DarkPen(face));
    if (Bordo())
        DrawBorder(dc, rc, ColoreBordo());
    DrawBackground(dc, rc, Background(), !enabled);
    if (hasFocus_)
        DrawFocusMark(dc, rc, stileFuoco_, ColoreTesto(), coloreFuoco_);
    rc = {rc.l + 6, rc.t + 6, rc.r - 5, rc.b - 5};

    const ControlFont font = CaptionFont();
    dc.setFont(font.font);
    const OLE_COLOR textColor =
        coloraTestoInFuoco_ && hasFocus_ ? coloreTestoFuoco_ : ColoreTesto();
    if (bitmapMode_) {
        const int w = bitmap_.width();
        const int h = bitmap_.height();
        if (!bitmap_.isNull() && rc.r > rc.l && rc.b > rc.t)
            dc.drawPixmap((rc.l + rc.r) / 2 - w / 2, (rc.t + rc.b) / 2 - h / 2, bitmap_, 0, 0,
                          std::min(w, rc.r - rc.l), std::min(h, rc.b - rc.t));
    } else {
        const int flags =
            LayoutText(rc, FontTextMeasure(font.font, font.lineHeight), TestoContenuto(), AllOrizzontaleTesto(),
                       AllVerticaleTesto(), EffettoTesto(), CaptionRules::Button);
        DrawEffectText(dc, rc, TestoContenuto(), flags, EffettoTesto(), textColor, enabled,
                       CaptionRules::Button, font.lineHeight);
    }
    dc.restore();
}

bool CKROButtonCtrl::event(QEvent* e)
{
    // Showing or hiding the control itself, not its parent, decides whether it draws.
    if (e->type() == QEvent::ShowToParent)
        isVisible_ = true;
    else if (e->type() == QEvent::HideToParent)
        isVisible_ = false;
    return CKroControl::event(e);
}

void CKROButtonCtrl::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        update();
        emit EnabledChanged(isEnabled());
    }
    CKroControl::changeEvent(e);
}

void CKROButtonCtrl::focusInEvent(QFocusEvent* e)
{
    if (!isEnabled()) {
        if (lastOtherFocus_ && lastOtherFocus_ != this)
            lastOtherFocus_->setFocus(Qt::OtherFocusReason);
        return;
    }
    emit OnSetFocus();
    CKroControl::focusInEvent(e);
    hasFocus_ = true;
    update();
}

void CKROButtonCtrl::focusOutEvent(QFocusEvent* e)
{
    emit OnKillFocus();
    CKroControl::focusOutEvent(e);
    hasFocus_ = false;
    update();
}

void CKROButtonCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        isPressed_ = true;
        update();
    }
    buttonState_ |= ButtonCode(e->button());
    doubleClickState_ &= ~ButtonCode(e->button());
    const QPoint p = e->position().toPoint();
    emit MouseDown(ButtonCode(e->button()), ShiftState(e->modifiers()), p.x(), p.y());
}

void CKROButtonCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        isPressed_ = false;
        update();
    }
    const short button = ButtonCode(e->button());
    if (!(buttonState_ & button))
        return;
    buttonState_ &= ~button;
    const QPoint p = e->position().toPoint();
    emit MouseUp(button, ShiftState(e->modifiers()), p.x(), p.y());
    if (doubleClickState_ & button)
        doubleClickState_ &= ~button;
    else if (rect().contains(p))
        OnClick(button);
}

void CKROButtonCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    const short button = ButtonCode(e->button());
    buttonState_ |= button;
    const QPoint p = e->position().toPoint();
    emit MouseDown(button, ShiftState(e->modifiers()), p.x(), p.y());
    if (button == 1)
        emit DblClick();
    doubleClickState_ |= button;
}

void CKROButtonCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    emit MouseMove(ButtonCode(e->buttons()), ShiftState(e->modifiers()), p.x(), p.y());
}

void CKROButtonCtrl::OnClick(short button)
{
    if (!isEnabled())
        return;
    if (button == 1) {
        hasFocus_ = true;
        update();
        emit Click();
    }
}

void CKROButtonCtrl::keyPressEvent(QKeyEvent* e)
{
    const short key = VirtualKey(e->key());
    if ((key == 13 || key == 32) && !isPressed_) {
        isPressed_ = true;
        emit Click();
        update();
    }
    emit KeyDown(key, ShiftState(e->modifiers()));
    if (!e->text().isEmpty())
        emit KeyPress(short(e->text().at(0).unicode()));
}

void CKROButtonCtrl::keyReleaseEvent(QKeyEvent* e)
{
    // The platform repeats only key-downs while a key is held.
    if (e->isAutoRepeat())
        return;
    if (isPressed_) {
        isPressed_ = false;
        update();
    }
    emit KeyUp(VirtualKey(e->key()), ShiftState(e->modifiers()));
}

QList<CKroPropertyPage*> CKROButtonCtrl::CreatePropertyPages()
{
    return {new CGeneralPropPage, new CPropPageSfondo(PageFlavor::Button),
            new CSetFontPropPage(PageFlavor::Button), new CSpecialEffect};
}
