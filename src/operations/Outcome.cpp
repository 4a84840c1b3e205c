#include "operations/Outcome.h"

#include "app/Format.h"

namespace ravelin {

bool runRoutine(Core &core, const Routines &routines)
{
    switch (methodOf(core.st.device.FamilyCode)) {
    case Method::None:
        return false;
    case Method::Parallel:
        routines.parallel(core);
        return true;
    case Method::Serial14:
        routines.serial14(core);
        return true;
    case Method::Serial12:
        routines.serial12(core);
        return true;
    }
    return false;
}

void finishCheck(Core &core, bool ran, const std::string &failed, const std::string &passed)
{
    if (!ran) {
        showOutcome(core, "No Device Was Selected.");
        return;
    }
    const bool failure = core.st.op.failureFlag == 1;
    if (endingOf(core) == Ending::Completed && !failure)
        core.ui.hide(ControlId::Memo1);
    showOutcome(core, failure ? failed : passed);
}

bool linkLost(const Core &core)
{
    return core.st.exchange.linkFailed;
}

Ending endingOf(const Core &core)
{
    if (linkLost(core))
        return Ending::LinkLost;
    if (core.st.exchange.StopRequest > 0 || core.st.exchange.stopRequested)
        return Ending::Stopped;
    return Ending::Completed;
}

void showOutcome(Core &core, const std::string &result)
{
    switch (endingOf(core)) {
    case Ending::LinkLost:
        core.ui.setCaption(ControlId::StaticText3, "Programmer Not Responding...");
        core.ui.show(ControlId::Memo1);
        return;
    case Ending::Stopped:
        core.ui.setCaption(ControlId::StaticText3, "Operation Stopped...");
        return;
    case Ending::Completed:
        core.ui.setCaption(ControlId::StaticText3, result);
        return;
    }
}

std::string mismatchLine(std::uint16_t address, std::uint16_t expected, std::uint16_t found)
{
    return hex4(address) + "  EXPECTED-" + hex4(expected) + "  FOUND-" + hex4(found);
}

} // namespace ravelin

namespace ravelin {

void reportMismatch(Core &core, std::uint16_t address, std::uint16_t expected, std::uint16_t found)
{
    core.ui.appendLine(ControlId::Memo1, mismatchLine(address, expected, found));
    core.st.op.failureFlag = 1;
}

} // namespace ravelin
