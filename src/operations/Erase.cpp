#include "operations/Erase.h"

#include "app/Steps.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
namespace {

constexpr std::uint8_t BulkSetUp1 = 1;
constexpr std::uint8_t BulkSetUp7 = 7;
constexpr std::uint8_t BulkEraseProgram = 9;
constexpr std::uint8_t BulkEraseData = 0x0B;
constexpr std::uint8_t ChipErase = 0xFF; // all six command bits

enum class Sequence : std::uint8_t { None, A, B, C };

Sequence sequenceFor(Family family)
{
    switch (family) {
    case Family::F5:
    case Family::F9:
    case Family::F14:
    case Family::F18:
    case Family::F21:
    case Family::F22:
    case Family::F27:
        return Sequence::A;
    case Family::F12:
        return Sequence::B;
    case Family::F23:
        return Sequence::C;
    case Family::None:
    case Family::F1:
    case Family::F2:
    case Family::F3:
    case Family::F6:
    case Family::F7:
    case Family::F8:
    case Family::F11:
    case Family::F13:
    case Family::F15:
    case Family::F16:
    case Family::F17:
    case Family::F19:
    case Family::F20:
    case Family::F24:
    case Family::F26:
    case Family::F30:
        return Sequence::None;
    }
    return Sequence::None;
}

void toConfigurationWord(Core &core)
{
    sendCommand(core, target::LoadConfiguration);
    core.st.op.DataWord = 0x3FFF;
    SendDataWord(core);
    for (int i = 0; i < 7; ++i)
        sendCommand(core, target::Increment);
}

// The code-protect disable at the configuration word: clears program memory,
// the data EEPROM, the configuration word and the IDs.
void eraseA(Core &core)
{
    toConfigurationWord(core);
    sendCommand(core, BulkSetUp1);
    sendCommand(core, BulkSetUp7);
    sendCommand(core, target::BeginProgramming);
    core.host.sleepMs(50);
    sendCommand(core, BulkSetUp1);
    sendCommand(core, BulkSetUp7);
    core.host.sleepMs(50);
}

void eraseB(Core &core)
{
    toConfigurationWord(core);
    sendCommand(core, BulkEraseProgram);
    core.host.sleepMs(50);
    sendCommand(core, BulkEraseData);
    core.host.sleepMs(50);
}

// The chip erase, then the ID words written blank.
void eraseC(Core &core)
{
    sendCommand(core, ChipErase);
    core.host.sleepMs(50);
    sendCommand(core, target::LoadConfiguration);
    for (int i = 0; i < 4; ++i) {
        core.st.op.DataWord = 0x3FFF;
        SendDataWord(core);
        ++core.st.op.CurrentAddress;
        sendCommand(core, target::Increment);
    }
    sendCommand(core, target::BeginProgramming);
    core.host.sleepMs(20);
}

void showPriorityError(Core &core)
{
    core.host.messageBox(
        {MessageKind::Information, "Error Setting Priority Class...", MessageButtons::Ok, {}});
}

} // namespace

void Erase_ButClick(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Eraseing Device...");
    core.ui.show(ControlId::StaticText2);
    if (!core.host.raiseProcessPriority())
        showPriorityError(core);
    const bool entered = enterTarget(core);

    // Over in about 100 ms, the erase does not test for a stop.
    const Sequence sequence = entered ? sequenceFor(core.st.device.FamilyCode) : Sequence::None;
    if (sequence != Sequence::None) {
        core.ui.setCaption(ControlId::StaticText2, "Programming Device from Buffer...");
        core.host.pumpMessages();
    }
    switch (sequence) {
    case Sequence::None:
        break;
    case Sequence::A:
        eraseA(core);
        break;
    case Sequence::B:
        eraseB(core);
        break;
    case Sequence::C:
        eraseC(core);
        break;
    }
    core.host.restoreProcessPriority();
    // The erase has no result of its own (a blank check shows it), but a lost
    // programmer or a missing device is said.
    if (!showLinkLost(core) && core.st.device.FamilyCode == Family::None)
        core.ui.setCaption(ControlId::StaticText3, "No Device Was Selected.");
    closeWritingCommand(core);
}

} // namespace ravelin
