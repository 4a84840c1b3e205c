#include "app/Steps.h"

#include "link/PacketExchange.h"

namespace ravelin {

void BusyStep(Core &core)
{
    // Each command judges its own link: a failure before it began is not its own.
    core.st.exchange.linkFailed = false;
    core.st.exchange.stopRequested = false;
    core.st.op.result = {};
    ResetProgrammer(core);
    for (ControlId id : BusyLocked)
        core.ui.disable(id);
    core.ui.hide(ControlId::Memo1);
    core.host.pumpMessages();
}

void IdleStep(Core &core)
{
    if (core.st.ConnectionState > 0) {
        for (ControlId id : DeviceCommands)
            core.ui.enable(id);
    }
    for (ControlId id : IdleUnlocked)
        core.ui.enable(id);
    for (ControlId id : IdleHidden)
        core.ui.hide(id);
    ResetProgrammer(core);
    core.host.pumpMessages();
}

} // namespace ravelin
