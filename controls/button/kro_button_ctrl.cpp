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
    static const QList<PropSpec> specs = {
        {"TestoContenuto", PropKind::String, 0, "Testo del bottone"},
        {"AllOrizzontaleTesto", PropKind::Short, 1, nullptr},
        {"AllVerticaleTesto", PropKind::Short, 1, nullptr},
        {"Bordo", PropKind::Bool, 0, nullptr},
        {"ColoreBordo", PropKind::ULong, 0x000000, nullptr},
        {"StileSfondo", PropKind::Short, 0, nullptr},
        {"ColoreOpacoSfondo", PropKind::Color, 0xFFFFFF, nullptr},
        {"OrientamentoGrad", PropKind::Bool, 0, nullptr},
        {"ColoreGradiente1", PropKind::Color, 0xFFFFFF, nullptr},
        {"ColoreGradiente2", PropKind::Color, 0xFFFF00, nullptr},
        {"ColoreGradiente3", PropKind::Color, 0xFF0000, nullptr},
        {"FontName", PropKind::String, 0, "MS Sans Serif"},
        {"DimensioneFont", PropKind::Long, 12, nullptr},
        {"ColoreTesto", PropKind::Color, 0x000000, nullptr},
        {"Italico", PropKind::Bool, 0, nullptr},
        {"Sottolineato", PropKind::Bool, 0, nullptr},
        {"Barrato", PropKind::Bool, 0, nullptr},
        {"Bold", PropKind::Long, 0, nullptr},
        {"EffettoContorno", PropKind::Short, 1, nullptr},
        {"EffettoTesto", PropKind::Short, 0, nullptr},
        {"StileFuoco", PropKind::Short, 0, nullptr},
        {"ColoreFuoco", PropKind::Color, 0xFF0000, nullptr},
        {"ColoraTestoInFuoco", PropKind::Bool, 0, nullptr},
        {"ColoreTestoFuoco", PropKind::Color, 0xFFFFFF, nullptr},
    };
    return specs;
}

const QList<DispEntry>& CKROButtonCtrl::DispatchTable()
{
    static const QList<DispEntry> table = {
        {24, "TestoContenuto", "BSTR"},
        {1, "AllOrizzontaleTesto", "short"},
        {2, "AllVerticaleTesto", "short"},
        {3, "Bordo", "VARIANT_BOOL"},
        {4, "ColoreBordo", "OLE_COLOR"},
        {5, "StileSfondo", "short"},
        {6, "ColoreOpacoSfondo", "OLE_COLOR"},
        {7, "OrientamentoGrad", "VARIANT_BOOL"},
        {8, "ColoreGradiente1", "OLE_COLOR"},
        {9, "ColoreGradiente2", "OLE_COLOR"},
        {10, "ColoreGradiente3", "OLE_COLOR"},
        {11, "FontName", "BSTR"},
        {12, "DimensioneFont", "long"},
        {13, "ColoreTesto", "OLE_COLOR"},
        {14, "Italico", "VARIANT_BOOL"},
        {15, "Sottolineato", "VARIANT_BOOL"},
        {16, "Barrato", "VARIANT_BOOL"},
        {17, "Bold", "long"},
        {18, "EffettoContorno", "short"},
        {19, "EffettoTesto", "short"},
        {20, "StileFuoco", "short"},
        {21, "ColoreFuoco", "OLE_COLOR"},
        {22, "ColoraTestoInFuoco", "VARIANT_BOOL"},
        {23, "ColoreTestoFuoco", "OLE_COLOR"},
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
    StoreCaption(testoContenuto_);
}

void CKROButtonCtrl::OnCaptionChanged()
{
    testoContenuto_ = Caption();
    update();
}

void CKROButtonCtrl::SetText(const QString& text)
{
    testoContenuto_ = text;
    SetCaption(text);
    SetModifiedFlag();
    update();
}

void CKROButtonCtrl::SetWindowText(const QString& text)
{
    testoContenuto_ = text;
    SetCaption(text);
    update();
    SetModifiedFlag();
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
    const int contour = enabled ? effettoContorno_ : effettoContorno_ == 2 ? 0 : 2;
    DrawContour(dc, rc, contour, isPressed_, LightPen(face), DarkPen(face));
    if (bordo_)
        DrawBorder(dc, rc, coloreBordo_);
    DrawBackground(dc, rc,
                   {stileSfondo_, coloreOpacoSfondo_, orientamentoGrad_ ? 1 : 0, coloreGradiente1_,
                    coloreGradiente2_, coloreGradiente3_},
                   !enabled);
    if (hasFocus_)
        DrawFocusMark(dc, rc, stileFuoco_, coloreTesto_, coloreFuoco_);
    rc = {rc.l + 6, rc.t + 6, rc.r - 5, rc.b - 5};

    const QFont font = CreateControlFont(fontName_, dimensioneFont_, bold_, italico_,
                                         sottolineato_, barrato_);
    dc.setFont(font);
    const OLE_COLOR textColor = coloraTestoInFuoco_ && hasFocus_ ? coloreTestoFuoco_
                                                                 : coloreTesto_;
    if (bitmapMode_) {
        const int w = bitmap_.width();
        const int h = bitmap_.height();
        if (!bitmap_.isNull() && rc.r > rc.l && rc.b > rc.t)
            dc.drawPixmap((rc.l + rc.r) / 2 - w / 2, (rc.t + rc.b) / 2 - h / 2, bitmap_, 0, 0,
                          std::min(w, rc.r - rc.l), std::min(h, rc.b - rc.t));
    } else {
        const int flags = LayoutText(rc, FontTextMeasure(font), testoContenuto_,
                                     allOrizzontaleTesto_, allVerticaleTesto_, effettoTesto_,
                                     CaptionRules::Button);
        DrawEffectText(dc, rc, testoContenuto_, flags, effettoTesto_, textColor, enabled,
                       CaptionRules::Button);
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
    if (e->type() == QEvent::EnabledChange)
        update();
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
