// The background, text and special-effects pages of both controls.
#include "controls/common/shared_prop_pages.h"

#include "ui_prop_page_sfondo.h"
#include "ui_set_font_prop_page.h"
#include "ui_special_effect.h"

#include <QFontDatabase>
#include <QRegularExpressionValidator>

CPropPageSfondo::CPropPageSfondo(PageFlavor flavor, QWidget* parent)
    : CKroPropertyPage(parent), ui_(std::make_unique<Ui::CPropPageSfondo>())
{
    ui_->setupUi(this);
    BindRadios({ui_->transparentRadio, ui_->opaqueRadio, ui_->gradientRadio}, "StileSfondo");
    BindColor(ui_->opaqueSwatch, ui_->opaqueColorButton, "ColoreOpacoSfondo", flavor);
    BindColor(ui_->gradient1Swatch, ui_->gradient1Button, "ColoreGradiente1", flavor);
    BindColor(ui_->gradient2Swatch, ui_->gradient2Button, "ColoreGradiente2", flavor);
    BindColor(ui_->gradient3Swatch, ui_->gradient3Button, "ColoreGradiente3", flavor);
    BindCheck(ui_->horizontalCheck, "OrientamentoGrad");
    for (QAbstractButton* radio : {ui_->transparentRadio, ui_->opaqueRadio, ui_->gradientRadio})
        connect(radio, &QAbstractButton::clicked, this, &CPropPageSfondo::EnableForStyle);
}

CPropPageSfondo::~CPropPageSfondo() = default;

void CPropPageSfondo::OnOpened() { EnableForStyle(); }

void CPropPageSfondo::EnableForStyle()
{
    const bool opaque = ui_->opaqueRadio->isChecked();
    const bool gradient = ui_->gradientRadio->isChecked();
    // A style without a radio leaves the page as it is.
    if (!opaque && !gradient && !ui_->transparentRadio->isChecked())
        return;
    for (QWidget* w : {static_cast<QWidget*>(ui_->opaqueColorButton),
                       static_cast<QWidget*>(ui_->opaqueSwatch)})
        w->setEnabled(opaque);
    for (QWidget* w : {static_cast<QWidget*>(ui_->gradient1Button),
                       static_cast<QWidget*>(ui_->gradient2Button),
                       static_cast<QWidget*>(ui_->gradient3Button),
                       static_cast<QWidget*>(ui_->gradient1Swatch),
                       static_cast<QWidget*>(ui_->gradient2Swatch),
                       static_cast<QWidget*>(ui_->gradient3Swatch),
                       static_cast<QWidget*>(ui_->horizontalCheck)})
        w->setEnabled(gradient);
}

CSetFontPropPage::CSetFontPropPage(PageFlavor flavor, QWidget* parent)
    : CKroPropertyPage(parent), ui_(std::make_unique<Ui::CSetFontPropPage>()), flavor_(flavor)
{
    ui_->setupUi(this);
    QStringList faces = QFontDatabase::families();
    faces.sort(Qt::CaseInsensitive);
    ui_->faceCombo->addItems(faces);
    ui_->sizeEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    BindComboText(ui_->faceCombo, "FontName");
    BindNumber(ui_->sizeEdit, "DimensioneFont");
    BindColor(ui_->textSwatch, ui_->textColorButton, "ColoreTesto", flavor);
    const int bold = Bind(
        "Bold",
        [this](const QVariant& v) {
            bold_ = v.toInt();
            ui_->boldSlider->setValue(bold_);
        },
        [this] { return QVariant(bold_); });
    connect(ui_->boldSlider, &QSlider::valueChanged, this, [this, bold](int position) {
        bold_ = position;
        MarkChanged(bold);
    });
    BindCheck(ui_->italicCheck, "Italico");
    BindCheck(ui_->underlineCheck, "Sottolineato");
    BindCheck(ui_->strikeCheck, "Barrato");
}

CSetFontPropPage::~CSetFontPropPage() = default;

void CSetFontPropPage::OnOpened()
{
    // The label's copy shows the page's own face in the list; FontName stays as it is unless
    // the user picks another.
    if (flavor_ == PageFlavor::Label) {
        const int index = ui_->faceCombo->findText(font().family(), Qt::MatchExactly);
        if (index >= 0)
            ui_->faceCombo->setCurrentIndex(index);
    }
}

CSpecialEffect::CSpecialEffect(QWidget* parent)
    : CKroPropertyPage(parent), ui_(std::make_unique<Ui::CSpecialEffect>())
{
    ui_->setupUi(this);
    BindRadios({ui_->flatRadio, ui_->raisedRadio, ui_->sunkenRadio, ui_->etchedRadio},
               "EffettoContorno");
    BindRadios({ui_->plainRadio, ui_->shadowRadio, ui_->engravedRadio, ui_->raisedTextRadio},
               "EffettoTesto");
}

CSpecialEffect::~CSpecialEffect() = default;
