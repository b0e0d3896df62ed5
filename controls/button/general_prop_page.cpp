// The button's general property page.
#include "controls/button/general_prop_page.h"

#include "ui_general_prop_page.h"

#include <QTimer>

CGeneralPropPage::CGeneralPropPage(QWidget* parent)
    : CKroPropertyPage(parent), ui_(std::make_unique<Ui::CGeneralPropPage>())
{
    ui_->setupUi(this);
    ui_->versionLabel->setText(QStringLiteral("KroButton Control Versione %1 - creato da ")
                                   .arg(QStringLiteral("2.00.01")) +
                               QStringLiteral("Officina ZOLT"));
    BindText(ui_->textEdit, "TestoContenuto");
    BindIndex(ui_->horizontalCombo, "AllOrizzontaleTesto");
    BindIndex(ui_->verticalCombo, "AllVerticaleTesto");
    BindCheck(ui_->bordoCheck, "Bordo");
    BindColor(ui_->bordoSwatch, ui_->bordoColorButton, "ColoreBordo", PageFlavor::Button);
    BindRadios({ui_->outlineRadio, ui_->rectangleRadio}, "StileFuoco");
    BindColor(ui_->focusSwatch, ui_->focusColorButton, "ColoreFuoco", PageFlavor::Button);
    BindCheck(ui_->colorTextCheck, "ColoraTestoInFuoco");
    BindColor(ui_->focusTextSwatch, ui_->focusTextColorButton, "ColoreTestoFuoco",
              PageFlavor::Button);
    connect(ui_->outlineRadio, &QAbstractButton::clicked, this,
            [this] { ui_->focusColorButton->setEnabled(false); });
    connect(ui_->rectangleRadio, &QAbstractButton::clicked, this,
            [this] { ui_->focusColorButton->setEnabled(true); });
    connect(ui_->colorTextCheck, &QAbstractButton::clicked, this,
            [this](bool checked) { ui_->focusTextColorButton->setEnabled(checked); });
    ui_->textEdit->installEventFilter(this);
}

CGeneralPropPage::~CGeneralPropPage() = default;

void CGeneralPropPage::OnOpened()
{
    // Both focus colour buttons start disabled whatever the properties are; only a click on
    // their radio or check box enables them.
    ui_->focusColorButton->setEnabled(false);
    ui_->focusTextColorButton->setEnabled(false);
    ui_->textEdit->selectAll();
}

bool CGeneralPropPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->textEdit && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, ui_->textEdit, &QLineEdit::selectAll);
    return CKroPropertyPage::eventFilter(watched, event);
}
