// The label's general property page.
#include "controls/label/kro_label_prop_page.h"

#include "ui_kro_label_prop_page.h"

CKroLabelPropPage::CKroLabelPropPage(QWidget* parent)
    : CKroPropertyPage(parent), ui_(std::make_unique<Ui::CKroLabelPropPage>())
{
    ui_->setupUi(this);
    ui_->versionLabel->setText(QStringLiteral("KroLabel Control Versione: %1 - creato da ")
                                   .arg(QStringLiteral("2.01.00")) +
                               QStringLiteral("Officina ZOLT"));
    BindText(ui_->textEdit, "TestoContenuto");
    BindIndex(ui_->horizontalCombo, "AllOrizzontaleTesto");
    BindIndex(ui_->verticalCombo, "AllVerticaleTesto");
    BindCheck(ui_->bordoCheck, "Bordo");
    BindColor(ui_->bordoSwatch, ui_->bordoColorButton, "ColoreBordo", PageFlavor::Label);
}

CKroLabelPropPage::~CKroLabelPropPage() = default;
