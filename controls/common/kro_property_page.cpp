// Property pages bound by name.
#include "controls/common/kro_property_page.h"

#include "controls/common/color_dlg.h"
#include "controls/common/color_swatch.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

void CKroPropertyPage::SetObjects(const QList<QObject*>& objects)
{
    objects_.clear();
    for (QObject* object : objects)
        objects_.append(object);
    filling_ = true;
    for (Binding& binding : bindings_) {
        binding.changed = false;
        if (!objects_.isEmpty() && objects_.first())
            binding.show(objects_.first()->property(binding.property));
    }
    OnOpened();
    filling_ = false;
}

int CKroPropertyPage::Apply()
{
    int written = 0;
    for (Binding& binding : bindings_) {
        if (!binding.changed)
            continue;
        binding.changed = false;
        const QVariant value = binding.take();
        if (!value.isValid())
            continue; // nothing a property could take, e.g. an empty number
        for (const QPointer<QObject>& object : objects_)
            if (object)
                object->setProperty(binding.property, value);
        ++written;
    }
    return written;
}

bool CKroPropertyPage::IsChanged() const
{
    for (const Binding& binding : bindings_)
        if (binding.changed)
            return true;
    return false;
}

int CKroPropertyPage::Bind(const char* property, std::function<void(const QVariant&)> show,
                           std::function<QVariant()> take)
{
    bindings_.append({property, std::move(show), std::move(take)});
    return int(bindings_.size() - 1);
}

void CKroPropertyPage::MarkChanged(int index)
{
    if (filling_ || index < 0 || index >= bindings_.size())
        return;
    bindings_[index].changed = true;
    emit Changed();
}

void CKroPropertyPage::BindText(QLineEdit* edit, const char* property)
{
    const int i = Bind(
        property, [edit](const QVariant& v) { edit->setText(v.toString()); },
        [edit] { return QVariant(edit->text()); });
    connect(edit, &QLineEdit::textChanged, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindNumber(QLineEdit* edit, const char* property)
{
    const int i = Bind(
        property, [edit](const QVariant& v) { edit->setText(QString::number(v.toInt())); },
        [edit] {
            bool ok = false;
            const int n = edit->text().toInt(&ok);
            return ok ? QVariant(n) : QVariant();
        });
    connect(edit, &QLineEdit::textChanged, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindIndex(QComboBox* combo, const char* property)
{
    const int i = Bind(
        property,
        [combo](const QVariant& v) {
            const int index = v.toInt();
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        },
        [combo] { return combo->currentIndex() >= 0 ? QVariant(combo->currentIndex()) : QVariant(); });
    connect(combo, &QComboBox::currentIndexChanged, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindComboText(QComboBox* combo, const char* property)
{
    const int i = Bind(
        property, [combo](const QVariant& v) { combo->setCurrentText(v.toString()); },
        [combo] { return QVariant(combo->currentText()); });
    connect(combo, &QComboBox::currentTextChanged, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindCheck(QAbstractButton* check, const char* property)
{
    const int i = Bind(
        property, [check](const QVariant& v) { check->setChecked(v.toBool()); },
        [check] { return QVariant(check->isChecked()); });
    connect(check, &QAbstractButton::toggled, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindRadios(const QList<QAbstractButton*>& radios, const char* property)
{
    const int i = Bind(
        property,
        [radios](const QVariant& v) {
            const int value = v.toInt();
            for (int k = 0; k < radios.size(); ++k) {
                // A value without a radio leaves none checked.
                radios[k]->setAutoExclusive(false);
                radios[k]->setChecked(k == value);
                radios[k]->setAutoExclusive(true);
            }
        },
        [radios] {
            for (int k = 0; k < radios.size(); ++k)
                if (radios[k]->isChecked())
                    return QVariant(k);
            return QVariant();
        });
    for (QAbstractButton* radio : radios)
        connect(radio, &QAbstractButton::clicked, this, [this, i] { MarkChanged(i); });
}

void CKroPropertyPage::BindColor(CColorSwatch* swatch, QAbstractButton* pick,
                                 const char* property, PageFlavor flavor)
{
    const int i = Bind(
        property, [swatch](const QVariant& v) { swatch->SetColor(v.toUInt()); },
        [swatch] { return QVariant(uint(swatch->Color())); });
    connect(swatch, &CColorSwatch::ColorChanged, this, [this, i] { MarkChanged(i); });
    connect(pick, &QAbstractButton::clicked, this, [this, swatch, flavor] {
        CColorDlg dialog(swatch->Color(), flavor, this);
        // The picker's result is the chosen colour, or the first one after Cancel; either way
        // the page takes it as a change.
        dialog.exec();
        swatch->SetColor(dialog.Result(), true);
    });
}
