#include "operations/Identity.h"

#include "app/Steps.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

#include <vector>

namespace ravelin {
namespace {

bool completed(const Core &core)
{
    return endingOf(core) == Ending::Completed;
}

// From word 0: the last program word, by block reads.
std::optional<std::uint16_t> lastWordByBlocks(Core &core)
{
    const unsigned last = lastProgramWord(core);
    std::optional<std::uint16_t> word;
    core.st.op.ReadCommand = target::ReadProgram;
    readProgramBlocks(core, last, [&](std::uint16_t address, std::uint16_t found) {
        if (address == last)
            word = found;
        return true;
    });
    return completed(core) ? word : std::nullopt;
}

// The 14-bit parts: program memory (when asked), then the configuration
// memory from 0x2000: IDs, reserved words, the device ID, the configuration word.
bool serial14Identity(Core &core, ChipIdentity &identity, bool withCalibration)
{
    OperationState &op = core.st.op;
    if (withCalibration && factoryCalibrationOf(core.st.device.FamilyCode).lastWord) {
        identity.calibration = lastWordByBlocks(core);
        if (!identity.calibration)
            return false;
    }
    toConfigurationSpace(core);
    op.ReadCommand = target::ReadProgram;
    for (std::size_t i = 0; i < identity.ids.size(); ++i) {
        op.CurrentAddress = static_cast<std::uint16_t>(0x2100 + i);
        ReadWordAndIncrement(core);
        identity.ids[i] = op.DataWord;
    }
    sendCommand(core, target::Increment);
    sendCommand(core, target::Increment);
    ReadWordAndIncrement(core);
    identity.deviceId = op.DataWord;
    ReadWord(core);
    identity.config = op.DataWord;
    if (const std::uint16_t bits = factoryConfigBits(core); bits != 0 && withCalibration)
        identity.bandGap = static_cast<std::uint16_t>((identity.config & bits) >> 12);
    return completed(core);
}

// The 12-bit serial parts stand at their configuration word; program memory,
// the calibration word last, and the ID words follow it.
bool serial12Identity(Core &core, ChipIdentity &identity, bool withCalibration)
{
    OperationState &op = core.st.op;
    op.ReadCommand = target::ReadProgram;
    ReadWord(core);
    identity.config = op.DataWord;
    sendCommand(core, target::Increment);
    const unsigned last = lastProgramWord(core);
    if (withCalibration) {
        for (unsigned a = 0; a < last; ++a)
            sendCommand(core, target::Increment);
        ReadWordAndIncrement(core);
        identity.calibration = op.DataWord;
    } else {
        for (unsigned a = 0; a <= last; ++a)
            sendCommand(core, target::Increment);
    }
    for (std::size_t i = 0; i < identity.ids.size(); ++i) {
        ReadWordAndIncrement(core);
        identity.ids[i] = op.DataWord;
    }
    return completed(core);
}

// The 16C5x present their configuration word first, then every program word,
// then the ID words.
bool parallelIdentity(Core &core, ChipIdentity &identity)
{
    OperationState &op = core.st.op;
    ParallelReadWord(core);
    identity.config = op.DataWord;
    for (unsigned a = 0; a <= lastProgramWord(core) && completed(core); ++a)
        ParallelReadWord(core);
    for (std::size_t i = 0; i < identity.ids.size(); ++i) {
        ParallelReadWord(core);
        identity.ids[i] = op.DataWord;
    }
    return completed(core);
}

} // namespace

void ReadChipIdentity(Core &core, bool withCalibration)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    ChipIdentity identity;
    bool ran = true;
    bool whole = false;
    switch (enterTarget(core) ? methodOf(core.st.device.FamilyCode) : Method::None) {
    case Method::None:
        ran = false;
        break;
    case Method::Parallel:
        whole = parallelIdentity(core, identity);
        break;
    case Method::Serial14:
        whole = serial14Identity(core, identity, withCalibration);
        break;
    case Method::Serial12:
        whole = serial12Identity(core, identity, withCalibration);
        break;
    }
    core.st.op.result.outcome = outcomeOf(core, ran, false);
    showLinkLost(core);
    closeCommand(core);
    if (whole && !linkLost(core))
        core.st.op.result.identity = identity;
}

void ReadDataEeprom(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    OperationState &op = core.st.op;
    const bool ran = enterTarget(core) && core.st.device.FamilyCode != Family::None;
    std::vector<std::uint16_t> bytes;
    if (ran) {
        op.ReadCommand = target::ReadData;
        for (unsigned a = 0x2000; a <= core.st.device.LastEEAddress && completed(core); ++a) {
            op.CurrentAddress = static_cast<std::uint16_t>(a);
            ReadWordAndIncrement(core);
            bytes.push_back(op.DataWord & 0x00FF);
        }
    }
    const bool whole = ran && completed(core);
    op.result.outcome = outcomeOf(core, ran, false);
    showLinkLost(core);
    closeCommand(core);
    if (whole && !linkLost(core))
        std::copy(bytes.begin(), bytes.end(), core.st.buffer.DeviceBuffer.begin() + 0x2000);
}

} // namespace ravelin
