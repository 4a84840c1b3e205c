#include "operations/Verify.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "operations/Compare.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
namespace {

void parallelVerify(Core &core)
{
    parallelCompare(core, bufferWord);
}

void serial14Verify(Core &core)
{
    OperationState &op = core.st.op;
    if (!blockCompare(core, bufferWord))
        return;
    toConfigurationSpace(core);
    op.ReadCommand = target::ReadProgram;
    if (!compareIdWords(core, bufferWord))
        return;
    for (int i = 0; i < 3; ++i)
        sendCommand(core, target::Increment);
    ReadWord(core);
    // The band-gap bits are the chip's, whatever the buffer's word holds.
    const auto chipBits = static_cast<std::uint16_t>(~factoryConfigBits(core));
    if (linkLost(core))
        return;
    op.result.configRead = op.DataWord;
    if (!matches(core, op.DataWord & chipBits, core.st.device.ConfigWord & chipBits))
        reportConfigMismatch(core, core.st.device.ConfigWord, op.DataWord, "Fuse Mis-Match");
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
    op.result.configRead = op.DataWord;
    if (!matches(core, op.DataWord, config)) {
        reportConfigMismatch(core, config, op.DataWord,
            "Fuse  EXPECTED-" + hex4(config) + "  FOUND-" + hex4(op.DataWord));
    }
    sendCommand(core, target::Increment);
    op.ReadCommand = target::ReadProgram;
    int mismatches = 0;
    for (unsigned a = 0; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (skipsCalibrationWord(core, a)) {
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
    compareIdWords(core, bufferWord);
}

} // namespace

void Verify_EpromClick(Core &core)
{
    const LinkBusyScope busy(core);
    clearMessages(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Verifying Device to Buffer...");
    core.ui.show(ControlId::StaticText2);
    core.st.op.failureFlag = 0;
    core.ui.show(ControlId::Memo1);
    const bool ran
        = enterTarget(core) && runRoutine(core, {parallelVerify, serial14Verify, serial12Verify});
    finishCheck(core, ran, "Device Did NOT Verify to Buffer...", "Device Verified to Buffer...");
}

} // namespace ravelin
