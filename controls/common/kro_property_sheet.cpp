// The property sheet.
#include "controls/common/kro_property_sheet.h"

#include "controls/common/kro_property_page.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CKroPropertySheet::CKroPropertySheet(const QList<QObject*>& objects,
                                     const QList<CKroPropertyPage*>& pages, const QString& title,
                                     QWidget* parent)
    : QDialog(parent), pages_(pages)
{
    setObjectName(QStringLiteral("propertySheet"));
    setWindowTitle(title);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pageTabs"));
    tabs->setUsesScrollButtons(false);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    applyButton_ = buttons->addButton(QStringLiteral("Applica"), QDialogButtonBox::ApplyRole);
    applyButton_->setObjectName(QStringLiteral("applyButton"));
    applyButton_->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    for (CKroPropertyPage* page : pages_) {
        tabs->addTab(page, page->Caption());
        page->SetObjects(objects);
        connect(page, &CKroPropertyPage::Changed, applyButton_, [this] { applyButton_->setEnabled(true); });
    }
    connect(ok, &QPushButton::clicked, this, [this] {
        ApplyAll();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(applyButton_, &QPushButton::clicked, this, &CKroPropertySheet::ApplyAll);
}

int CKroPropertySheet::ApplyAll()
{
    int written = 0;
    for (CKroPropertyPage* page : pages_)
        written += page->Apply();
    applyButton_->setEnabled(false);
    return written;
}
