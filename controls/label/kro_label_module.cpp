// The label's control library "KroLabel.ocx": its identities and the four exports.
#include "controls/common/shared_prop_pages.h"
#include "controls/label/kro_label_ctrl.h"
#include "controls/label/kro_label_prop_page.h"
#include "controls/common/kro_module.h"

namespace {

const KroModuleInfo& Module()
{
    static const KroModuleInfo module{
        "{3A7ECCC2-1227-11D4-B319-0000B45078DC}",
        "KROLABELLib",
        "KroLabel ActiveX Control module",
        "KroLabel.hlp",
        "_DKroLabel",
        "{3A7ECCC3-1227-11D4-B319-0000B45078DC}",
        "Dispatch interface for KroLabel Control",
        "_DKroLabelEvents",
        "{3A7ECCC4-1227-11D4-B319-0000B45078DC}",
        "Event interface for KroLabel Control",
        "KroLabel",
        "KroLabel Control",
        CKroLabelCtrl::kProgId,
        &CKroLabelCtrl::DispatchTable(),
        &CKroLabelCtrl::EventTable(),
        {CKroLabelCtrl::kClassId, "KroLabel",
         [](QWidget* parent) -> QWidget* { return new CKroLabelCtrl(parent); }},
        {
            {CKroLabelPropPage::kClassId, CKroLabelPropPage::kTypeName,
             [](QWidget* parent) -> QWidget* { return new CKroLabelPropPage(parent); }},
            {CPropPageSfondo::kClassId, CPropPageSfondo::kTypeName,
             [](QWidget* parent) -> QWidget* {
                 return new CPropPageSfondo(PageFlavor::Label, parent);
             }},
            {CSetFontPropPage::kClassId, CSetFontPropPage::kTypeName,
             [](QWidget* parent) -> QWidget* {
                 return new CSetFontPropPage(PageFlavor::Label, parent);
             }},
            {CSpecialEffect::kClassId, CSpecialEffect::kTypeName,
             [](QWidget* parent) -> QWidget* { return new CSpecialEffect(parent); }},
        },
    };
    return module;
}

} // namespace

KRO_MODULE_EXPORTS(Module())
