#include "operations/ReadDevice.h"

#include "app/Steps.h"
#include "devices/ConfigEditor.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

#include <array>

namespace ravelin {
namespace {

using Image = std::array<std::uint16_t, BufferState::Words>;

// What a read gathers before it is committed: the buffer as the user had it,
// with the words read laid over it, and the configuration word.
struct Scratch
{
    Image words;
    std::uint16_t config;
};

// The routines stop at a lost link or a stop request: what they gathered is
// thrown away then, so reading on would only cost time.
bool mustEnd(const Core &core)
{
    return linkLost(core) || core.st.exchange.StopRequest > 0;
}

void parallelRead(Core &core, Scratch &scratch)
{
    OperationState &op = core.st.op;
    ParallelReadWord(core);
    scratch.config = op.DataWord;
    for (unsigned a = 0; a <= lastProgramWord(core); ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (mustEnd(core))
            return;
        ParallelReadWord(core);
        scratch.words[a] = op.DataWord;
    }
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        if (mustEnd(core))
            return;
        ParallelReadWord(core);
        scratch.words[a] = op.DataWord;
    }
}

// Reads words from the target's current address on into addresses first..last.
void readWords(Core &core, Scratch &scratch, unsigned first, unsigned last, std::uint16_t mask)
{
    OperationState &op = core.st.op;
    for (unsigned a = first; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (mustEnd(core))
            return;
        ReadWordAndIncrement(core);
        scratch.words[a] = op.DataWord & mask;
    }
}

// Program memory 128 words a packet: the target's address counter moves on
// by a whole block, so the data EEPROM and configuration reads that follow
// start where the word-by-word read would leave them.
void readBlocks(Core &core, Scratch &scratch, unsigned last)
{
    readProgramBlocks(core, last, [&](std::uint16_t address, std::uint16_t word) {
        scratch.words[address] = word;
        return true;
    });
}

void serial14Read(Core &core, Scratch &scratch, ProgramReading reading)
{
    OperationState &op = core.st.op;
    op.ReadCommand = target::ReadProgram;
    switch (reading) {
    case ProgramReading::WordByWord:
        readWords(core, scratch, 0, lastProgramWord(core), 0xFFFF);
        break;
    case ProgramReading::Blocks:
        readBlocks(core, scratch, lastProgramWord(core));
        break;
    }
    if (core.st.device.eeSizeCode > 0) {
        op.ReadCommand = target::ReadData;
        readWords(core, scratch, 0x2000, core.st.device.LastEEAddress, 0x00FF);
    }
    if (mustEnd(core))
        return;
    toConfigurationSpace(core);
    op.ReadCommand = target::ReadProgram;
    readWords(core, scratch, 0x2100, 0x2103, 0xFFFF);
    if (mustEnd(core))
        return;
    for (int i = 0; i < 3; ++i)
        sendCommand(core, target::Increment);
    ReadWord(core);
    scratch.config = op.DataWord;
}

void serial12Read(Core &core, Scratch &scratch)
{
    OperationState &op = core.st.op;
    op.ReadCommand = target::ReadProgram;
    ReadWord(core);
    scratch.config = op.DataWord;
    sendCommand(core, target::Increment);
    readWords(core, scratch, 0, lastProgramWord(core), 0xFFFF);
    readWords(core, scratch, 0x2100, 0x2103, 0xFFFF);
}

} // namespace

void Move_EpromClick(Core &core, ProgramReading reading)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Moving Device to Buffer...");
    core.ui.show(ControlId::StaticText2);
    const bool entered = enterTarget(core);

    Scratch scratch {core.st.buffer.DeviceBuffer, core.st.device.ConfigWord};
    bool read = true;
    switch (entered ? methodOf(core.st.device.FamilyCode) : Method::None) {
    case Method::None:
        read = false;
        break;
    case Method::Parallel:
        parallelRead(core, scratch);
        break;
    case Method::Serial14:
        serial14Read(core, scratch, reading);
        break;
    case Method::Serial12:
        serial12Read(core, scratch);
        break;
    }
    if (!read) {
        showOutcome(core, "No Device Was Selected.");
        closeCommand(core);
        core.st.op.result.outcome = outcomeOf(core, false, false);
        return;
    }
    showOutcome(core, "Device Has Been Moved to Buffer...");
    const bool whole = endingOf(core) == Ending::Completed;
    core.st.op.result.outcome = outcomeOf(core, true, false);
    if (whole)
        core.st.op.result.configRead = scratch.config;
    closeCommand(core);
    // Only a whole read replaces what the user had in the buffer, and a read
    // is whole only when the programmer still answered its closing reset.
    if (whole && !linkLost(core)) {
        core.st.buffer.DeviceBuffer = scratch.words;
        core.st.device.ConfigWord = scratch.config;
        ShowConfigWord(core);
    }
}

} // namespace ravelin
