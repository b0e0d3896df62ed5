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
    static const QList<PropSpec> specs = SharedSpecs({"Testo Contenuto", 0, 0, 0});
    return specs;
}

const QList<DispEntry>& CKroLabelCtrl::DispatchTable()
{
    static const QList<DispEntry> table =
        PropertyEntries(Specs(), 1, 2) + QList<DispEntry>{
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

void CKroLabelCtrl::SetWindowText(const QString& text)
{
    StoreTestoContenuto(text);
    update();
    SetModifiedFlag();
}

void CKroLabelCtrl::OnDraw(QPainter& dc, const QRect& bounds)
{
    dc.save();
    dc.translate(bounds.topLeft());
    const QColor face = palette().color(QPalette::Button);
    GdiRect rc{0, 0, bounds.width(), bounds.height()};
    // The label has no flat two-ring contour: 0 means none.
    if (EffettoContorno() >= 1 && EffettoContorno() <= 3)
        DrawContour(dc, rc, EffettoContorno(), false, LightPen(face), DarkPen(face));
    if (Bordo())
        DrawBorder(dc, rc, ColoreBordo());
    DrawBackground(dc, rc, Background(), false);
    const ControlFont font = CaptionFont();
    dc.setFont(font.font);
    const int flags = LayoutText(rc, FontTextMeasure(font.font, font.lineHeight), TestoContenuto(), AllOrizzontaleTesto(),
                                 AllVerticaleTesto(), EffettoTesto(), CaptionRules::Label);
    DrawEffectText(dc, rc, TestoContenuto(), flags, EffettoTesto(), ColoreTesto(), true,
                   CaptionRules::Label, font.lineHeight);
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
