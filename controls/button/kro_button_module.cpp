// The button's control library "KROButton.ocx": its identities and the four exports.
#include "controls/button/kro_button_ctrl.h"
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
        {},
    };
    return module;
}

} // namespace

KRO_MODULE_EXPORTS(Module())
