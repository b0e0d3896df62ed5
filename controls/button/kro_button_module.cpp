// The button's control library "KROButton.ocx": its identities and the four exports.
#include "controls/button/general_prop_page.h"
#include "controls/button/kro_button_ctrl.h"
#include "controls/common/shared_prop_pages.h"
#include "controls/common/kro_module.h"

namespace {

const KroModuleInfo& Module()
{
    static const KroModuleInfo module{
        "{392A85D8-1C4B-11D4-B319-0000B45078DC}",
        "KROBUTTONLib",
        "KROButton ActiveX Control module",
        "KROButton.hlp",
        "_DKROButton",
        "{392A85D9-1C4B-11D4-B319-0000B45078DC}",
        "Dispatch interface for KROButton Control",
        "_DKROButtonEvents",
        "{392A85DA-1C4B-11D4-B319-0000B45078DC}",
        "Event interface for KROButton Control",
        "KROButton",
        "KROButton Control",
        CKROButtonCtrl::kProgId,
        &CKROButtonCtrl::DispatchTable(),
        &CKROButtonCtrl::EventTable(),
        {CKROButtonCtrl::kClassId, "KROButton Control",
         [](QWidget* parent) -> QWidget* { return new CKROButtonCtrl(parent); }},
        {
            {CGeneralPropPage::kClassId, CGeneralPropPage::kTypeName,
             [](QWidget* parent) -> QWidget* { return new CGeneralPropPage(parent); }},
            {CPropPageSfondo::kClassId, CPropPageSfondo::kTypeName,
             [](QWidget* parent) -> QWidget* {
                 return new CPropPageSfondo(PageFlavor::Button, parent);
             }},
            {CSetFontPropPage::kClassId, CSetFontPropPage::kTypeName,
             [](QWidget* parent) -> QWidget* {
                 return new CSetFontPropPage(PageFlavor::Button, parent);
             }},
            {CSpecialEffect::kClassId, CSpecialEffect::kTypeName,
             [](QWidget* parent) -> QWidget* { return new CSpecialEffect(parent); }},
        },
    };
    return module;
}

} // namespace

KRO_MODULE_EXPORTS(Module())
