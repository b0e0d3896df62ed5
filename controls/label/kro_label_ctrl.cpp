// The label control: properties, painting and its three events.
#include "controls/label/kro_label_ctrl.h"

#include "controls/common/gdi_paint.h"
#include "controls/common/shared_prop_pages.h"
#include "controls/label/kro_label_prop_page.h"
#include "controls/common/stock_events.h"
#include "controls/common/text_layout.h"

#include <QMouseEvent>
#include <QPainter>

CKroLabelCtrl::CKroLabelCtrl(QWidget* parent) : CKroControl(parent)
{
    setObjectName(QStringLiteral("KroLabel"));
    setMouseTracking(true);
    ResetToDefaults();
}

const QList<PropSpec>& CKroLabelCtrl::Specs()
{
    static const QList<PropSpec> specs = {
        {"TestoContenuto", PropKind::String, 0, "Testo Contenuto"},
        {"AllOrizzontaleTesto", PropKind::Short, 0, nullptr},
        {"AllVerticaleTesto", PropKind::Short, 0, nullptr},
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
        {"EffettoContorno", PropKind::Short, 0, nullptr},
        {"EffettoTesto", PropKind::Short, 0, nullptr},
    };
    return specs;
}

const QList<DispEntry>& CKroLabelCtrl::DispatchTable()
{
    static const QList<DispEntry> table = {
        {1, "TestoContenuto", "BSTR"},
        {2, "AllOrizzontaleTesto", "short"},
        {3, "AllVerticaleTesto", "short"},
        {4, "Bordo", "VARIANT_BOOL"},
        {5, "ColoreBordo", "OLE_COLOR"},
        {6, "StileSfondo", "short"},
        {7, "ColoreOpacoSfondo", "OLE_COLOR"},
        {8, "OrientamentoGrad", "VARIANT_BOOL"},
        {9, "ColoreGradiente1", "OLE_COLOR"},
        {10, "ColoreGradiente2", "OLE_COLOR"},
        {11, "ColoreGradiente3", "OLE_COLOR"},
        {12, "FontName", "BSTR"},
        {13, "DimensioneFont", "long"},
        {14, "ColoreTesto", "OLE_COLOR"},
        {15, "Italico", "VARIANT_BOOL"},
        {16, "Sottolineato", "VARIANT_BOOL"},
        {17, "Barrato", "VARIANT_BOOL"},
        {18, "Bold", "long"},
        {19, "EffettoContorno", "short"},
        {20, "EffettoTesto", "short"},
        {21, "WindowText", "BSTR"},
        {-518, "Caption", "BSTR"},
        {22, "Text", "BSTR"},
    };
    return table;
}

const QList<DispEntry>& CKroLabelCtrl::EventTable()
{
    static const QList<DispEntry> table = {
        {-600, "Click", "void", true},
        {-601, "DblClick", "void", true},
        {-606, "MouseMove", "void", true,
         "short Button, short Shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y"},
    };
    return table;
}

QString CKroLabelCtrl::TypeName() const { return QStringLiteral("KroLabel"); }

void CKroLabelCtrl::OnCaptionChanged()
{
    testoContenuto_ = Caption();
    update();
}

void CKroLabelCtrl::SetWindowText(const QString& text)
{
    testoContenuto_ = text;
    update();
    SetModifiedFlag();
}

void CKroLabelCtrl::SetText(const QString& text)
{
    testoContenuto_ = text;
    SetCaption(text);
    SetModifiedFlag();
    update();
}

void CKroLabelCtrl::OnDraw(QPainter& dc, const QRect& bounds)
{
    dc.save();
    dc.translate(bounds.topLeft());
    const QColor face = palette().color(QPalette::Button);
    GdiRect rc{0, 0, bounds.width(), bounds.height()};
    // The label has no flat two-ring contour: 0 means none.
    if (effettoContorno_ >= 1 && effettoContorno_ <= 3)
        DrawContour(dc, rc, effettoContorno_, false, LightPen(face), DarkPen(face));
    if (bordo_)
        DrawBorder(dc, rc, coloreBordo_);
    DrawBackground(dc, rc,
                   {stileSfondo_, coloreOpacoSfondo_, orientamentoGrad_ ? 1 : 0, coloreGradiente1_,
                    coloreGradiente2_, coloreGradiente3_},
                   false);
    const QFont font = CreateControlFont(fontName_, dimensioneFont_, bold_, italico_,
                                         sottolineato_, barrato_);
    dc.setFont(font);
    const int flags = LayoutText(rc, FontTextMeasure(font), testoContenuto_, allOrizzontaleTesto_,
                                 allVerticaleTesto_, effettoTesto_, CaptionRules::Label);
    DrawEffectText(dc, rc, testoContenuto_, flags, effettoTesto_, coloreTesto_, true,
                   CaptionRules::Label);
    dc.restore();
}

void CKroLabelCtrl::mousePressEvent(QMouseEvent* e)
{
    buttonState_ |= ButtonCode(e->button());
}

void CKroLabelCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    const short button = ButtonCode(e->button());
    if (!(buttonState_ & button))
        return;
    buttonState_ &= ~button;
    if (button == 1 && doubleClicked_)
        doubleClicked_ = false;
    else if (button == 1 && rect().contains(e->position().toPoint()))
        emit Click();
}

void CKroLabelCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    buttonState_ |= ButtonCode(e->button());
    if (e->button() == Qt::LeftButton) {
        doubleClicked_ = true;
        emit DblClick();
    }
}

void CKroLabelCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    emit MouseMove(ButtonCode(e->buttons()), ShiftState(e->modifiers()), p.x(), p.y());
}

QList<CKroPropertyPage*> CKroLabelCtrl::CreatePropertyPages()
{
    return {new CKroLabelPropPage, new CPropPageSfondo(PageFlavor::Label),
            new CSetFontPropPage(PageFlavor::Label), new CSpecialEffect};
}
