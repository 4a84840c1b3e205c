#include "operations/BlankCheck.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

namespace ravelin {
namespace {

// The parallel and 12-bit routines list at most 127 mismatches.
constexpr int MismatchLimit = 128;

struct Counter
{
    int mismatches = 0;
};

// The 16C5x present their configuration word first, then the program words,
// then the four ID words. A stop means no further word is read: the last one is
// compared again, so the loop ends at the next mismatch.
void parallelBlankCheck(Core &core)
{
    OperationState &op = core.st.op;
    const std::uint16_t blank = core.st.device.WordMask;
    ParallelReadWord(core);
    Counter counter;
    const auto check = [&](std::uint16_t address) {
        op.CurrentAddress = address;
        if (core.st.exchange.StopRequest == 0)
            ParallelReadWord(core);
        if (matches(core, op.DataWord, blank))
            return true;
        if (++counter.mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return false;
        reportMismatch(core, address, blank, op.DataWord);
        return true;
    };
    for (unsigned a = 0; a <= lastProgramWord(core); ++a) {
        if (linkLost(core) || !check(static_cast<std::uint16_t>(a)))
            return;
    }
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        if (linkLost(core) || !check(a))
            return;
    }
}

void serial14BlankCheck(Core &core)
{
    OperationState &op = core.st.op;
    const std::uint16_t blank = core.st.device.WordMask;
    op.ReadCommand = target::ReadProgram;
    for (unsigned b = 0; b <= lastProgramWord(core) / 128u; ++b) {
        op.CurrentAddress = static_cast<std::uint16_t>(b * 128);
        ReadBlock(core);
        if (linkLost(core))
            return;
        for (unsigned k = 0; k < 128; ++k) {
            if (core.st.exchange.StopRequest > 0)
                return;
            const std::uint16_t word = blockWord(core, k);
            if (!matches(core, word, blank))
                reportMismatch(core, static_cast<std::uint16_t>(b * 128 + k), blank, word);
        }
    }
    sendCommand(core, target::LoadConfiguration);
    op.DataWord = 0x3FFF;
    SendDataWord(core);
    op.ReadCommand = target::ReadProgram;
    if (core.st.exchange.StopRequest >= 3)
        return;
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return;
        if (!matches(core, op.DataWord, blank))
            reportMismatch(core, a, blank, op.DataWord);
    }
}

// The 12-bit serial parts stand at their configuration word after the entry;
// their last program word holds the factory calibration value.
void serial12BlankCheck(Core &core)
{
    OperationState &op = core.st.op;
    const auto last = static_cast<std::uint16_t>(lastProgramWord(core));
    const bool checkCalibration = core.ui[ControlId::Cal_Byte].checked;
    sendCommand(core, target::Increment);
    op.ReadCommand = target::ReadProgram;
    int mismatches = 0;
    for (unsigned a = 0; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (a == last && !checkCalibration)
            continue;
        ReadWordAndIncrement(core);
        if (linkLost(core))
            return;
        if (matches(core, op.DataWord, 0x0FFF))
            continue;
        if (++mismatches >= MismatchLimit || core.st.exchange.StopRequest > 0)
            return;
        core.ui.appendLine(ControlId::Memo1,
            hex4(op.CurrentAddress) + "  EXPECTED-0FFF  FOUND-" + hex4(op.DataWord));
        op.failureFlag = 1;
    }
}

} // namespace

void Blank_ChkClick(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    core.ui.setCaption(ControlId::StaticText2, "Checking to see if Device is erased...");
    core.ui.show(ControlId::StaticText2);
    core.ui.clearLines(ControlId::Memo1);
    core.ui.show(ControlId::Memo1);
    core.st.op.failureFlag = 0;
    EnterProgrammingMode(core);

    const bool ran = runRoutine(core, {parallelBlankCheck, serial14BlankCheck, serial12BlankCheck});
    finishCheck(core, ran, "Device is NOT Erased...", "Device is Erased...");
    IdleStep(core);
}

} // namespace ravelin
