#include "operations/Outcome.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "operations/Primitives.h"

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
    const bool failure = core.st.op.failureFlag == 1;
    core.st.op.result.outcome = outcomeOf(core, ran, failure);
    if (!ran) {
        showOutcome(core, "No Device Was Selected.");
    } else {
        if (endingOf(core) == Ending::Completed && !failure)
            core.ui.hide(ControlId::Memo1);
        showOutcome(core, failure ? failed : passed);
    }
    closeCommand(core);
}

Outcome outcomeOf(const Core &core, bool ran, bool chipFailed)
{
    switch (endingOf(core)) {
    case Ending::LinkLost:
        return Outcome::LinkFailed;
    case Ending::Stopped:
        return Outcome::Stopped;
    case Ending::Completed:
        break;
    }
    if (!ran)
        return Outcome::NotRun;
    return chipFailed ? Outcome::ChipFailed : Outcome::Done;
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

bool enterTarget(Core &core)
{
    EnterProgrammingMode(core);
    if (core.st.ConnectionState <= 0 && !linkLost(core)) {
        core.ui.insertLine(ControlId::Memo1, "The Quillon Programmer Could Not Be Found....");
        core.st.exchange.linkFailed = true;
    }
    return !linkLost(core);
}

namespace {

// The message panel is shown only with something in it.
void hideEmptyMemo(Core &core)
{
    if (core.ui[ControlId::Memo1].lines.empty())
        core.ui.hide(ControlId::Memo1);
}

} // namespace

void clearMessages(Core &core)
{
    core.ui.hide(ControlId::Memo1);
    core.ui.clearLines(ControlId::Memo1);
}

bool showLinkLost(Core &core)
{
    if (!linkLost(core))
        return false;
    core.ui.setCaption(ControlId::StaticText3, "Programmer Not Responding...");
    core.ui.show(ControlId::Memo1);
    hideEmptyMemo(core);
    return true;
}

void closeCommand(Core &core)
{
    const bool held = !linkLost(core);
    IdleStep(core);
    if (held && showLinkLost(core))
        core.st.op.result.outcome = Outcome::LinkFailed;
}

void showOutcome(Core &core, const std::string &result)
{
    switch (endingOf(core)) {
    case Ending::LinkLost:
        showLinkLost(core);
        return;
    case Ending::Stopped:
        core.ui.setCaption(ControlId::StaticText3, "Operation Stopped...");
        hideEmptyMemo(core);
        return;
    case Ending::Completed:
        core.ui.setCaption(ControlId::StaticText3, result);
        hideEmptyMemo(core);
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
    recordFailedWord(core, address, expected, found);
}

void recordFailedWord(
    Core &core, std::uint16_t address, std::uint16_t expected, std::uint16_t found)
{
    core.st.op.result.mismatches.push_back({address, expected, found});
    core.st.op.failureFlag = 1;
}

void reportConfigMismatch(
    Core &core, std::uint16_t expected, std::uint16_t found, const std::string &line)
{
    core.ui.appendLine(ControlId::Memo1, line);
    core.st.op.result.config = WordMismatch {0x2007, expected, found};
    core.st.op.failureFlag = 1;
}

} // namespace ravelin
