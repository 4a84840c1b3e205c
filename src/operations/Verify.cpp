#include "operations/Verify.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
namespace {

constexpr int MismatchLimit = 128;

std::uint16_t bufferWord(const Core &core, unsigned address)
{
    return core.st.buffer.DeviceBuffer[address];
}

// The four ID words from the target's current address on, against the buffer's
// 0x2100..0x2103; false when the link was lost.
bool compareIdWords(Core &core)
{
    OperationState &op = core.st.op;
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return false;
        if (!matches(core, op.DataWord, bufferWord(core, a)))
            reportMismatch(core, a, bufferWord(core, a), op.DataWord);
    }
    return true;
}

void parallelVerify(Core &core)
{
    OperationState &op = core.st.op;
    ParallelReadWord(core); // the configuration word, which is not compared
    int mismatches = 0;
    const auto compare = [&](std::uint16_t address) {
        op.CurrentAddress = address;
        if (core.st.exchange.StopRequest == 0)
            ParallelReadWord(core);
        const std::uint16_t expected = bufferWord(core, address);
        if (matches(core, op.DataWord, expected))
            return true;
        if (++mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return false;
        reportMismatch(core, address, expected, op.DataWord);
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

void serial14Verify(Core &core)
{
    OperationState &op = core.st.op;
    op.ReadCommand = target::ReadProgram;
    for (unsigned b = 0; b <= lastProgramWord(core) / 128u; ++b) {
        op.CurrentAddress = static_cast<std::uint16_t>(b * 128);
        ReadBlock(core);
        if (linkLost(core))
            return;
        for (unsigned k = 0; k < 128; ++k) {
            if (core.st.exchange.StopRequest > 0)
                return;
            const unsigned address = b * 128 + k;
            const std::uint16_t word = blockWord(core, k);
            if (!matches(core, word, bufferWord(core, address)))
                reportMismatch(
                    core, static_cast<std::uint16_t>(address), bufferWord(core, address), word);
        }
    }
    sendCommand(core, target::LoadConfiguration);
    op.DataWord = 0x3FFF;
    SendDataWord(core);
    op.ReadCommand = target::ReadProgram;
    if (!compareIdWords(core))
        return;
    for (int i = 0; i < 3; ++i)
        sendCommand(core, target::Increment);
    ReadWord(core);
    if (!linkLost(core) && !matches(core, op.DataWord, core.st.device.ConfigWord)) {
        core.ui.appendLine(ControlId::Memo1, "Fuse Mis-Match");
        op.failureFlag = 1;
    }
}

void serial12Verify(Core &core)
{
    OperationState &op = core.st.op;
    const auto last = static_cast<std::uint16_t>(lastProgramWord(core));
    const std::uint16_t config = core.st.device.ConfigWord;
    op.ReadCommand = target::ReadProgram;
    ReadWord(core);
    if (linkLost(core))
        return;
    if (!matches(core, op.DataWord, config)) {
        core.ui.appendLine(
            ControlId::Memo1, "Fuse  EXPECTED-" + hex4(config) + "  FOUND-" + hex4(op.DataWord));
        op.failureFlag = 1;
    }
    sendCommand(core, target::Increment);
    op.ReadCommand = target::ReadProgram;
    const bool checkCalibration = core.ui[ControlId::Cal_Byte].checked;
    int mismatches = 0;
    for (unsigned a = 0; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (a == last && !checkCalibration) {
            sendCommand(core, target::Increment); // past the calibration word
            continue;
        }
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return;
        const std::uint16_t expected = bufferWord(core, a);
        if (matches(core, op.DataWord, expected))
            continue;
        if (++mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return;
        reportMismatch(core, static_cast<std::uint16_t>(a), expected, op.DataWord);
    }
    compareIdWords(core);
}

} // namespace

void Verify_EpromClick(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Verifying Device to Buffer...");
    core.ui.show(ControlId::StaticText2);
    core.st.op.failureFlag = 0;
    core.ui.show(ControlId::Memo1);
    core.ui.clearLines(ControlId::Memo1);
    EnterProgrammingMode(core);

    const bool ran = runRoutine(core, {parallelVerify, serial14Verify, serial12Verify});
    finishCheck(core, ran, "Device Did NOT Verify to Buffer...", "Device Verified to Buffer...");
    IdleStep(core);
}

} // namespace ravelin
