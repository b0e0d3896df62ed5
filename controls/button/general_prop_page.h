// The button's general property page: caption, alignment, border and the focus look.
#pragma once

#include "controls/common/kro_property_page.h"

#include <memory>

namespace Ui {
class CGeneralPropPage;
}

class CGeneralPropPage : public CKroPropertyPage
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{392A85DC-1C4B-11D4-B319-0000B45078DC}";
    static constexpr const char* kTypeName = "Pagina delle proprietà";

    explicit CGeneralPropPage(QWidget* parent = nullptr);
    ~CGeneralPropPage() override;
    QString Caption() const override { return QStringLiteral("General"); }

protected:
    void OnOpened() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::CGeneralPropPage> ui_;
};
