#include "operations/Erase.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "devices/ConfigLayouts.h"
#include "link/PacketExchange.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"
#include "operations/Program.h"

#include <optional>

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

// What a 12F629/675 came with from the factory, read before its erase.
struct Calibration
{
    std::uint16_t word;
    std::uint16_t config;
};

enum class Kept : std::uint8_t { NotErased, Erased, NotRestored };

bool completed(const Core &core)
{
    return endingOf(core) == Ending::Completed;
}

// After the entry the target stands at word 0: block reads up to the last
// program word, then the configuration word. Empty when either could not be
// read (a stop or a lost link): the values are then unknown.
std::optional<Calibration> readCalibration(Core &core)
{
    OperationState &op = core.st.op;
    const unsigned last = lastProgramWord(core);
    op.ReadCommand = target::ReadProgram;
    std::uint16_t word = 0;
    readProgramBlocks(core, last, [&](std::uint16_t address, std::uint16_t found) {
        if (address == last)
            word = found;
        return true;
    });
    if (!completed(core))
        return std::nullopt;
    toConfigurationWord(core);
    ReadWord(core);
    if (!completed(core))
        return std::nullopt;
    return Calibration {word, op.DataWord};
}

// Lets the reply waits of a restore have their replies whatever a stop asks:
// the chip's factory values, once erased, exist only in this program.
class StopsHeld
{
public:
    explicit StopsHeld(Core &core)
        : m_exchange(core.st.exchange)
    {
        m_exchange.holdStops = true;
    }
    ~StopsHeld() { m_exchange.holdStops = false; }
    StopsHeld(const StopsHeld &) = delete;
    StopsHeld &operator=(const StopsHeld &) = delete;

private:
    ExchangeState &m_exchange;
};

// Programs the calibration word (when it is to be put back) and, into an
// erased configuration word, the band-gap bits; each is read back after its
// cycle. True when both hold: judged by the read-backs and the link alone, a
// stop asked for meanwhile does not undo what the chip holds.
bool restoreCalibration(Core &core, std::optional<std::uint16_t> word, std::uint16_t bandGapBits)
{
    const StopsHeld held(core);
    OperationState &op = core.st.op;
    const unsigned last = lastProgramWord(core);
    const std::uint16_t bandGap = factoryConfigBits(core);
    ResetProgrammer(core);
    EnterProgrammingMode(core);
    op.LoadCommand = target::LoadProgram;
    op.ReadCommand = target::ReadProgram;
    op.failureFlag = 0;
    if (word) {
        for (unsigned a = 0; a < last; ++a)
            sendCommand(core, target::Increment);
        op.CurrentAddress = static_cast<std::uint16_t>(last);
        FlashProgramWord(core, *word, true);
    }
    toConfigurationWord(core);
    op.CurrentAddress = static_cast<std::uint16_t>(last + 1);
    FlashProgramWord(core,
        static_cast<std::uint16_t>((core.st.device.WordMask & ~bandGap) | (bandGapBits & bandGap)),
        true);
    return op.failureFlag == 0 && !linkLost(core);
}

// The erase clears the calibration word and band-gap bits with the rest of
// the chip: they are read first and put back after. When that fails the user
// gets the values, to restore them by hand. Values the user gives to be
// written instead (the calibration word through the program, the band-gap
// bits here) take the place of the chip's.
Kept eraseKeepingCalibration(Core &core)
{
    core.ui.clearLines(ControlId::Memo1);
    const std::optional<Calibration> saved = readCalibration(core);
    if (!saved)
        return Kept::NotErased;
    OperationState &op = core.st.op;
    // Code protection hides program memory from the read (it comes back as
    // 0000): the calibration word is then unknown, and writing back what was
    // read would replace the factory value with a wrong one.
    const ConfigLayout *layout = layoutOf(core.st.device.FamilyCode);
    const bool wordHidden = layout && ((saved->config >> layout->protectBit) & 1u) == 0;
    const std::uint16_t bandGap = factoryConfigBits(core);
    const std::uint16_t bits = op.bandGapGiven
        ? static_cast<std::uint16_t>((*op.bandGapGiven << 12) & bandGap)
        : static_cast<std::uint16_t>(saved->config & bandGap);
    CalibrationKept kept;
    if (!wordHidden)
        kept.word = saved->word;
    kept.bandGap = static_cast<std::uint16_t>(bits >> 12);
    ResetProgrammer(core);
    EnterProgrammingMode(core);
    eraseA(core);
    // A chip that had lost its calibration word already has no word to put
    // back, but its band-gap bits still go back.
    const bool blankWord = !wordHidden && matches(core, saved->word, core.st.device.WordMask);
    std::optional<std::uint16_t> word;
    if (!wordHidden && !blankWord && !op.calibrationGiven)
        word = saved->word;
    const bool wordKnown = !wordHidden || op.calibrationGiven;
    // The erase is done whatever a stop asks: the restore follows it always.
    kept.restored = !linkLost(core) && restoreCalibration(core, word, bits) && wordKnown;
    op.result.calibration = kept;
    if (kept.restored)
        return Kept::Erased;
    core.ui.appendLine(ControlId::Memo1,
        "Calibration Word = "
            + (wordHidden ? std::string("Not Readable, Code Protected") : hex4(saved->word)));
    core.ui.appendLine(ControlId::Memo1, "Band Gap Bits = " + hex4(kept.bandGap).substr(3));
    return Kept::NotRestored;
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
    Kept kept = Kept::Erased;
    switch (sequence) {
    case Sequence::None:
        break;
    case Sequence::A:
        if (factoryConfigBits(core) != 0)
            kept = eraseKeepingCalibration(core);
        else
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
    core.st.op.result.outcome = kept == Kept::NotRestored
        ? Outcome::ChipFailed
        : outcomeOf(core, sequence != Sequence::None, false);
    // The erase has no result of its own (a blank check shows it), but a lost
    // programmer or a missing device is said.
    if (kept == Kept::NotRestored) {
        // The values read before the erase exist nowhere else now: they stay in
        // view whatever else went wrong, a lost programmer included.
        core.ui.setCaption(ControlId::StaticText3, "Calibration NOT Restored....");
        core.ui.show(ControlId::Memo1);
        IdleStep(core);
        return;
    }
    if (!showLinkLost(core)) {
        if (kept == Kept::NotErased)
            core.ui.setCaption(ControlId::StaticText3, "Operation Stopped...");
        else if (core.st.device.FamilyCode == Family::None)
            core.ui.setCaption(ControlId::StaticText3, "No Device Was Selected.");
    }
    closeCommand(core);
}

} // namespace ravelin
