#include "operations/Compare.h"

#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
std::uint16_t blankWord(const Core &core, unsigned)
{
    return core.st.device.WordMask;
}

std::uint16_t bufferWord(const Core &core, unsigned address)
{
    return core.st.buffer.DeviceBuffer[address];
}

void parallelCompare(Core &core, Expected expected)
{
    OperationState &op = core.st.op;
    ParallelReadWord(core);
    if (!linkLost(core))
        op.result.configRead = op.DataWord;
    int mismatches = 0;
    const auto compare = [&](std::uint16_t address) {
        op.CurrentAddress = address;
        if (core.st.exchange.StopRequest == 0)
            ParallelReadWord(core);
        const std::uint16_t want = expected(core, address);
        if (matches(core, op.DataWord, want))
            return true;
        if (++mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return false;
        reportMismatch(core, address, want, op.DataWord);
        return true;
    };
    for (unsigned a = 0; a <= lastProgramWord(core); ++a) {
        if (linkLost(core) || !compare(static_cast<std::uint16_t>(a)))
            return;
    }
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        if (linkLost(core) || !compare(a))
            return;
    }
}

bool blockCompare(Core &core, Expected expected)
{
    core.st.op.ReadCommand = target::ReadProgram;
    return readProgramBlocks(
        core, lastProgramWord(core), [&](std::uint16_t address, std::uint16_t word) {
            if (core.st.exchange.StopRequest > 0)
                return false;
            if (!skipsCalibrationWord(core, address)
                && !matches(core, word, expected(core, address)))
                reportMismatch(core, address, expected(core, address), word);
            return true;
        });
}

bool compareIdWords(Core &core, Expected expected)
{
    OperationState &op = core.st.op;
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return false;
        if (!matches(core, op.DataWord, expected(core, a)))
            reportMismatch(core, a, expected(core, a), op.DataWord);
    }
    return true;
}

} // namespace ravelin
