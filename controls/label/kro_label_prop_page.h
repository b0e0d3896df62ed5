// The label's general property page: caption, alignment and border.
#pragma once

#include "controls/common/kro_property_page.h"

#include <memory>

namespace Ui {
class CKroLabelPropPage;
}

class CKroLabelPropPage : public CKroPropertyPage
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{3A7ECCC6-1227-11D4-B319-0000B45078DC}";
    static constexpr const char* kTypeName = "KroLabel Pagina delle Proprietà";

    explicit CKroLabelPropPage(QWidget* parent = nullptr);
    ~CKroLabelPropPage() override;
    QString Caption() const override { return QStringLiteral("Generiche"); }

private:
    std::unique_ptr<Ui::CKroLabelPropPage> ui_;
};
