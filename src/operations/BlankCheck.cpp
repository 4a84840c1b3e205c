#include "operations/BlankCheck.h"

#include "app/Steps.h"
#include "operations/Compare.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
namespace {

void parallelBlankCheck(Core &core)
{
    parallelCompare(core, blankWord);
}

void serial14BlankCheck(Core &core)
{
    OperationState &op = core.st.op;
    if (!blockCompare(core, blankWord))
        return;
    toConfigurationSpace(core);
    op.ReadCommand = target::ReadProgram;
    if (core.st.exchange.StopRequest >= 3)
        return;
    compareIdWords(core, blankWord);
}

// The 12-bit serial parts stand at their configuration word after the entry;
// their last program word holds the factory calibration value.
void serial12BlankCheck(Core &core)
{
    OperationState &op = core.st.op;
    const auto last = static_cast<std::uint16_t>(lastProgramWord(core));
    sendCommand(core, target::Increment);
    op.ReadCommand = target::ReadProgram;
    int mismatches = 0;
    for (unsigned a = 0; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (skipsCalibrationWord(core, a))
            continue;
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return;
        if (matches(core, op.DataWord, 0x0FFF))
            continue;
        if (++mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return;
        reportMismatch(core, op.CurrentAddress, 0x0FFF, op.DataWord);
    }
}

} // namespace

void Blank_ChkClick(Core &core)
{
    const LinkBusyScope busy(core);
    clearMessages(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Checking to see if Device is erased...");
    core.ui.show(ControlId::StaticText2);
    core.ui.show(ControlId::Memo1);
    core.st.op.failureFlag = 0;
    const bool ran = enterTarget(core)
        && runRoutine(core, {parallelBlankCheck, serial14BlankCheck, serial12BlankCheck});
    finishCheck(core, ran, "Device is NOT Erased...", "Device is Erased...");
}

} // namespace ravelin
