#include "operations/DataEeprom.h"

#include "app/Steps.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"
#include "operations/Program.h"

namespace ravelin {
namespace {

constexpr std::uint16_t EepromStart = 0x2000;

// A data EEPROM holds bytes: only the low 8 bits of a buffer word are its.
bool sameByte(std::uint16_t a, std::uint16_t b)
{
    return (a & 0x00FF) == (b & 0x00FF);
}

bool deviceSelected(const Core &core)
{
    return core.st.device.FamilyCode != Family::None;
}

} // namespace

void Prg_EEClick(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    OperationState &op = core.st.op;
    core.ui.setCaption(ControlId::StaticText2, "Verifying Device to Buffer....");
    core.ui.show(ControlId::StaticText2);
    op.failureFlag = 0;
    core.ui.setCaption(ControlId::StaticText3, "EEprom Programmed....");
    bool wrong = false;
    if (enterTarget(core) && deviceSelected(core)) {
        op.LoadCommand = target::LoadData;
        op.ReadCommand = target::ReadData;
        for (unsigned a = EepromStart; a <= core.st.device.LastEEAddress; ++a) {
            // A stop counts from the command's first pump on, though the
            // opening reset has cleared StopRequest by now.
            if (endingOf(core) != Ending::Completed)
                break;
            op.CurrentAddress = static_cast<std::uint16_t>(a);
            const std::uint16_t word = core.st.buffer.DeviceBuffer[a];
            FlashProgramWord(core, word, false);
            if (!sameByte(op.DataWord, word)) {
                wrong = true;
                recordFailedWord(core, op.CurrentAddress, word & 0x00FF, op.DataWord & 0x00FF);
            }
        }
    }
    if (!showLinkLost(core)) {
        if (!deviceSelected(core)) {
            core.ui.setCaption(ControlId::StaticText3, "No Device Was Selected.");
        } else if (wrong || endingOf(core) == Ending::Stopped) {
            op.failureFlag = 1;
            core.ui.setCaption(ControlId::StaticText3, "EEprom Did NOT Program....");
        }
    }
    op.result.outcome = outcomeOf(core, deviceSelected(core), wrong);
    closeCommand(core);
}

void Verify_EEClick(Core &core)
{
    const LinkBusyScope busy(core);
    clearMessages(core);
    BusyStep(core);
    OperationState &op = core.st.op;
    core.ui.setCaption(ControlId::StaticText2, "Verifying Device to Buffer....");
    core.ui.show(ControlId::StaticText2);
    op.failureFlag = 0;
    core.ui.show(ControlId::Memo1);
    if (enterTarget(core) && deviceSelected(core)) {
        op.ReadCommand = target::ReadData;
        for (unsigned a = EepromStart; a <= core.st.device.LastEEAddress; ++a) {
            op.CurrentAddress = static_cast<std::uint16_t>(a);
            ReadWordAndIncrement(core);
            // A read made at a stop or over a lost link returns a stale reply.
            if (endingOf(core) != Ending::Completed)
                break;
            const std::uint16_t found = op.DataWord & 0x00FF;
            const std::uint16_t expected = core.st.buffer.DeviceBuffer[a] & 0x00FF;
            op.DataWord = found;
            if (!sameByte(found, expected))
                reportMismatch(core, static_cast<std::uint16_t>(a), expected, found);
        }
    }
    finishCheck(core, deviceSelected(core), "EEprom Did NOT Verify to Buffer....",
        "EEprom Verified to Buffer....");
}

} // namespace ravelin
