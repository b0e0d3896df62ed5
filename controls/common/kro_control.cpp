// Persistence, caption and verb of both controls.
#include "controls/common/kro_control.h"

#include "controls/common/kro_property_sheet.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

CKroControl::CKroControl(QWidget* parent) : QWidget(parent)
{
    resize(100, 50);
    extentX_ = PixelsToHimetric(width());
    extentY_ = PixelsToHimetric(height());
}

int CKroControl::PixelsToHimetric(int pixels) { return int((pixels * 2540LL + 48) / 96); }
int CKroControl::HimetricToPixels(int himetric) { return int((himetric * 96LL + 1270) / 2540); }

void CKroControl::SetCaption(const QString& caption)
{
    caption_ = caption;
    OnCaptionChanged();
    SetModifiedFlag();
    update();
}

PropValues CKroControl::CurrentValues() const
{
    PropValues values;
    for (const PropSpec& spec : PropertySpecs()) {
        const QVariant v = property(spec.name);
        switch (spec.kind) {
        case PropKind::String:
            values.append(EncodeText(v.toString()));
            break;
        case PropKind::Bool:
            values.append(v.toBool());
            break;
        case PropKind::Short:
        case PropKind::Long:
            values.append(v.toInt());
            break;
        case PropKind::ULong:
        case PropKind::Color:
            values.append(v.toUInt());
            break;
        }
    }
    return values;
}

void CKroControl::ApplyValues(const PropValues& values)
{
    const QList<PropSpec>& specs = PropertySpecs();
    for (qsizetype i = 0; i < specs.size() && i < values.size(); ++i) {
        const QVariant& v = values[i];
        setProperty(specs[i].name,
                    specs[i].kind == PropKind::String ? QVariant(DecodeText(v.toByteArray())) : v);
    }
}

bool CKroControl::LoadFromStream(const QByteArray& data)
{
    StockBlock stock;
    PropValues values;
    const bool ok = ReadPropertyStream(data, PropertySpecs(), stock, values);
    if (!ok) {
        ResetToDefaults();
        return false;
    }
    extentX_ = stock.extentX;
    extentY_ = stock.extentY;
    if (stock.mask & (StockProp::Caption | StockProp::Text))
        SetCaption(DecodeText(stock.caption));
    if (StockMask() & StockProp::Enabled && stock.mask & StockProp::Enabled)
        setEnabled(stock.enabled);
    ApplyValues(values);
    AfterExchange();
    SetModifiedFlag(false);
    update();
    return true;
}

bool CKroControl::LoadFromDialogInit(const QByteArray& record)
{
    if (record.size() < 4) {
        ResetToDefaults();
        return false;
    }
    return LoadFromStream(record.sliced(4));
}

QByteArray CKroControl::SaveToStream()
{
    // The extent follows the control's size once it has been resized away from it.
    if (HimetricToPixels(extentX_) != width() || HimetricToPixels(extentY_) != height()) {
        extentX_ = PixelsToHimetric(width());
        extentY_ = PixelsToHimetric(height());
    }
    StockBlock stock;
    stock.extentX = extentX_;
    stock.extentY = extentY_;
    stock.mask = StockMask();
    stock.caption = EncodeText(caption_);
    stock.enabled = isEnabled();
    const QByteArray data = WritePropertyStream(stock, PropertySpecs(), CurrentValues());
    AfterExchange();
    SetModifiedFlag(false);
    return data;
}

void CKroControl::ResetToDefaults()
{
    ApplyValues(DefaultValues(PropertySpecs()));
    if (StockMask() & StockProp::Enabled)
        setEnabled(true);
    AfterExchange();
    SetModifiedFlag(false);
    update();
}

CKroPropertySheet* CKroControl::CreatePropertySheet(QWidget* parent)
{
    return new CKroPropertySheet({this}, CreatePropertyPages(),
                                 QStringLiteral("Proprietà %1").arg(TypeName()), parent);
}

void CKroControl::ShowProperties()
{
    CKroPropertySheet* sheet = CreatePropertySheet(this);
    sheet->exec();
    delete sheet;
}

void CKroControl::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    OnDraw(dc, rect());
}

void CKroControl::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(tr("&Properties..."), this, &CKroControl::ShowProperties);
    menu.exec(event->globalPos());
}
