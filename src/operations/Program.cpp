#include "operations/Program.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "link/PacketExchange.h"
#include "operations/Compare.h"
#include "operations/Outcome.h"
#include "operations/Primitives.h"

#include <optional>

namespace ravelin {
namespace {

constexpr std::uint8_t BeginProgrammingOnly = 0x18;
constexpr std::uint8_t EndProgrammingRow = 0x17;
constexpr std::uint8_t EndProgramming = 0x0E;
constexpr const char *NotProgrammed = "Device DID NOT Program...";
// Where the results name the configuration word.
constexpr std::uint16_t ConfigAddress = 0x2007;

// One programming run. A stop request is latched here: the routines reset the
// programmer between passes, which clears the request, and a run that was asked
// to stop must never go on to the configuration word.
class Run
{
public:
    explicit Run(Core &core)
        : core(core)
        , op(core.st.op)
    { }

    bool stopped()
    {
        if (core.st.exchange.StopRequest > 0 || core.st.exchange.stopRequested)
            m_stopped = true;
        return m_stopped;
    }
    // The run cannot go on: stopped, the link lost, or a word that failed.
    bool mustEnd() { return stopped() || linkLost(core) || op.failureFlag == 1; }
    bool wasStopped() const { return m_stopped; }

    // A fresh pass: the programmer back to idle, the target entered again.
    void newPass(std::uint32_t waitMs = 0)
    {
        stopped();
        ResetProgrammer(core);
        if (waitMs > 0)
            core.host.sleepMs(waitMs);
        EnterProgrammingMode(core);
    }

    void increments(int count)
    {
        for (int i = 0; i < count; ++i)
            sendCommand(core, target::Increment);
    }

    // The last word before a configuration cycle: the set-up's line waits and
    // the read-back before it pump nothing, so a stop pressed there is heard
    // only here. No configuration pulse may begin after a stop.
    bool mustEndBeforeConfiguration()
    {
        core.host.pumpMessages();
        return mustEnd();
    }

    // A word that did not take its value, recorded for the front ends.
    void failed(std::uint16_t address, std::uint16_t expected)
    {
        if (address == ConfigAddress)
            op.result.config = WordMismatch {address, expected, op.DataWord};
        else
            recordFailedWord(core, address, expected, op.DataWord);
        op.failureFlag = 1;
    }

    Core &core;
    OperationState &op;

private:
    bool m_stopped = false;
};

// ---- 16C5x, over the parallel lines ----

void ParallelIncrement(Core &core)
{
    core.st.exchange.LineValue = 0xFD;
    SetLines(core, LineGroup::Control);
    core.host.pumpMessages();
    core.st.exchange.LineValue = 0xF9;
    SetLines(core, LineGroup::Control);
}

void ParallelProgramPulse(Core &core, std::uint16_t parallelWord)
{
    std::uint8_t *packet = commandPacket(core);
    const auto present = [&](std::uint8_t b1, std::uint8_t b2, std::uint8_t b4, std::uint8_t b5) {
        packet[0] = 0x92;
        packet[1] = b1;
        packet[2] = b2;
        packet[3] = 0x62;
        packet[4] = b4;
        packet[5] = b5;
        packet[6] = 0x30;
        SendPacket(core);
    };
    present(static_cast<std::uint8_t>(parallelWord & 0x0F),
        static_cast<std::uint8_t>((parallelWord >> 4) & 0xFF), 0xF9, 0x32);
    core.st.exchange.LineValue = 0xF8;
    SetLines(core, LineGroup::Control);
    core.host.pumpMessages();
    core.st.exchange.LineValue = 0xF9;
    SetLines(core, LineGroup::Control);
    core.st.exchange.LineValue = 0x7A;
    SetLines(core, LineGroup::Supplies);
    present(0x0F, 0xFF, 0xE8, 0x7A);
    packet[0] = 0x50;
    packet[3] = core.st.op.ParallelControl;
    packet[4] = 0xE8;
    packet[5] = 0xE8;
    SendPacket(core);
    const std::uint8_t *reply = replyBuffer(core);
    core.st.op.DataWord = static_cast<std::uint16_t>(reply[1] << 8 | reply[2]);
}

// Up to 26 pulses until the word reads back, then one more. Returns whether it
// took its value.
bool ParallelProgramWord(Run &run, std::uint16_t parallelWord)
{
    Core &core = run.core;
    bool verified = false;
    for (int pulses = 1;; ++pulses) {
        if (run.stopped() || linkLost(core))
            return false;
        ParallelProgramPulse(core, parallelWord);
        verified = matches(core, run.op.DataWord, parallelWord);
        if (verified || pulses > 25)
            break;
    }
    if (verified && !run.stopped())
        ParallelProgramPulse(core, parallelWord);
    return verified;
}

// The target stands at its configuration word.
void parallelConfiguration(Run &run)
{
    Core &core = run.core;
    if (run.mustEndBeforeConfiguration())
        return;
    const std::uint16_t word = core.st.device.ConfigWord & core.st.device.WordMask;
    run.op.ParallelControl = 0x68;
    if (!ParallelProgramWord(run, word) && !run.stopped() && !linkLost(core))
        run.failed(ConfigAddress, word);
    run.op.programFlag = 1;
}

void parallelProgram(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    const std::uint16_t blank = core.st.device.WordMask;
    // Each run judges its own words: the flag of the run before says nothing.
    op.programFlag = 1;
    op.ParallelControl = 0x68;
    ParallelIncrement(core); // from the configuration word to address 0
    const auto programAt = [&](std::uint16_t address) {
        const std::uint16_t word = bufferWord(core, address) & blank;
        if (word != blank) {
            const bool verified = ParallelProgramWord(run, word);
            op.programFlag = verified ? 1 : 0;
            if (!verified && !run.stopped() && !linkLost(core))
                run.failed(address, word);
        }
        if (!run.stopped())
            ParallelIncrement(core);
        core.ui.setCaption(ControlId::Quit_Add, hex4(address));
    };
    for (unsigned a = 0; a <= lastProgramWord(core) && !run.mustEnd(); ++a)
        programAt(static_cast<std::uint16_t>(a));
    for (std::uint16_t a = 0x2100; a <= 0x2103 && !run.mustEnd(); ++a)
        programAt(a);
    if (run.mustEnd())
        return;

    core.ui.setCaption(ControlId::StaticText2, "Verifying Device to Buffer...");
    run.newPass(70);
    ParallelReadWord(core); // the configuration word
    const auto readBack = [&](std::uint16_t address) {
        op.CurrentAddress = address;
        ParallelReadWord(core);
        if (!matches(core, op.DataWord, bufferWord(core, address)))
            run.failed(address, bufferWord(core, address));
    };
    for (unsigned a = 0; a <= lastProgramWord(core) && !run.stopped(); ++a) {
        if (linkLost(core))
            return;
        readBack(static_cast<std::uint16_t>(a));
    }
    for (std::uint16_t a = 0x2100; a <= 0x2103 && !run.stopped(); ++a)
        readBack(a);
    if (run.mustEnd())
        return;

    run.newPass(70); // the target stands at its configuration word
    parallelConfiguration(run);
}

// ---- serial flash, one word at a time ----

// From a fresh entry: the configuration word, with the band-gap bits as the
// chip has them (or as the user gave them), read back.
void singleWordConfiguration(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    toConfigurationWord(core);
    std::uint16_t config = core.st.device.ConfigWord;
    if (const std::uint16_t chipBits = factoryConfigBits(core); chipBits != 0) {
        // The band-gap bits go back as the chip has them, not as the buffer's
        // word says: read them first (a stale read must not be written).
        op.ReadCommand = target::ReadProgram;
        ReadWord(core);
        if (run.mustEnd())
            return;
        const std::uint16_t bits = op.bandGapGiven
            ? static_cast<std::uint16_t>((*op.bandGapGiven << 12) & chipBits)
            : static_cast<std::uint16_t>(op.DataWord & chipBits);
        config = static_cast<std::uint16_t>((config & ~chipBits) | bits);
    }
    op.CurrentAddress = static_cast<std::uint16_t>(lastProgramWord(core) + 1);
    op.LoadCommand = target::LoadProgram;
    op.ReadCommand = target::ReadProgram;
    if (run.mustEndBeforeConfiguration())
        return;
    // The window's program does not judge this word; its read-back is kept
    // for a front end that writes the configuration word on its own.
    FlashProgramWord(core, config, false);
    if (!linkLost(core))
        op.result.configRead = op.DataWord;
}

// One word at CurrentAddress, compared; a word that did not take its value
// is recorded.
void programAndRecord(Run &run, std::uint16_t word)
{
    const std::uint16_t address = run.op.CurrentAddress;
    const int before = run.op.failureFlag;
    FlashProgramWord(run.core, word, true);
    if (before == 0 && run.op.failureFlag == 1 && !linkLost(run.core))
        run.failed(address, word);
}

void singleWordProgram(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    op.LoadCommand = target::LoadProgram;
    op.ReadCommand = target::ReadProgram;
    op.failureFlag = 0;
    for (unsigned a = 0; a <= lastProgramWord(core); ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (skipsCalibrationWord(core, a)) {
            // The factory calibration value stays as the chip came.
            sendCommand(core, target::Increment);
            continue;
        }
        programAndRecord(run, bufferWord(core, a));
        if (run.mustEnd())
            return;
    }
    toConfigurationSpace(core);
    op.LoadCommand = target::LoadProgram;
    op.ReadCommand = target::ReadProgram;
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        programAndRecord(run, bufferWord(core, a));
        if (run.mustEnd())
            return;
    }
    run.newPass();
    singleWordConfiguration(run);
}

// ---- 16F87xA, eight words a row ----

// From a fresh entry: the configuration word's own cycle, which awaits no reply.
void rowConfiguration(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    toConfigurationWord(core);
    if (run.mustEndBeforeConfiguration())
        return;
    sendCommand(core, target::LoadProgram);
    op.DataWord = core.st.device.ConfigWord;
    SendDataWord(core);
    sendCommand(core, target::BeginProgramming);
    core.host.sleepMs(100);
}

void rowProgram(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    core.ui.setCaption(ControlId::StaticText2, "Programming Device...");
    const unsigned rows = (lastProgramWord(core) >> 3) + 1u;
    for (unsigned row = 0; row < rows; ++row) {
        for (int i = 1; i <= 8; ++i) {
            sendCommand(core, target::LoadProgram);
            op.DataWord = bufferWord(core, op.CurrentAddress % BufferState::Words);
            SendDataWord(core);
            if (i < 8) {
                ++op.CurrentAddress;
                sendCommand(core, target::Increment);
            }
        }
        sendCommand(core, BeginProgrammingOnly);
        core.host.sleepMs(5);
        sendCommand(core, EndProgrammingRow);
        sendCommand(core, target::Increment);
        ++op.CurrentAddress;
        if (op.style.rowsHearStops)
            core.host.pumpMessages();
        if (run.stopped() || linkLost(core))
            return;
    }
    toConfigurationSpace(core);
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        sendCommand(core, target::LoadProgram);
        op.DataWord = bufferWord(core, a);
        SendDataWord(core);
        sendCommand(core, target::Increment);
    }
    sendCommand(core, target::BeginProgramming);
    core.host.sleepMs(100);

    core.ui.setCaption(ControlId::StaticText2, "Verifiying Device...");
    op.failureFlag = 0;
    run.newPass();
    op.ReadCommand = target::ReadProgram;
    const auto readBack = [&](std::uint16_t address, std::uint16_t word) {
        if (!matches(core, word, bufferWord(core, address))) {
            op.DataWord = word;
            run.failed(address, bufferWord(core, address));
        }
    };
    if (op.style.blockReadBack) {
        const bool whole = readProgramBlocks(
            core, lastProgramWord(core), [&](std::uint16_t address, std::uint16_t word) {
                if (run.stopped())
                    return false;
                readBack(address, word);
                return true;
            });
        if (!whole || run.stopped())
            return;
    } else {
        for (unsigned a = 0; a <= lastProgramWord(core); ++a) {
            op.CurrentAddress = static_cast<std::uint16_t>(a);
            ReadWordAndIncrement(core);
            if (run.stopped() || linkLost(core))
                return;
            readBack(op.CurrentAddress, op.DataWord);
        }
    }
    toConfigurationSpace(core);
    op.ReadCommand = target::ReadProgram;
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        ReadWordAndIncrement(core);
        if (!linkLost(core))
            readBack(a, op.DataWord);
    }
    if (run.mustEnd())
        return;
    run.newPass(100);
    rowConfiguration(run);
}

// ---- 12-bit serial EPROM ----

void EpromPulse(Core &core, std::uint16_t word)
{
    sendCommand(core, core.st.op.LoadCommand);
    core.st.op.DataWord = word;
    SendDataWord(core);
    sendCommand(core, target::BeginProgramming);
    spinPulse(core.st.op.PulseDelaySetting);
    sendCommand(core, EndProgramming);
}

void EpromProgramWord(Run &run, std::uint16_t word)
{
    Core &core = run.core;
    OperationState &op = run.op;
    showAddress(core);
    int pulses = 0;
    do {
        ++pulses;
        EpromPulse(core, word);
        ReadWord(core);
        op.failureFlag = matches(core, op.DataWord, word) ? 0 : 1;
        if (run.stopped() || linkLost(core))
            return;
    } while (op.failureFlag == 1 && pulses <= 24);
    if (op.failureFlag == 0) {
        for (int i = 0; i < 3 * pulses; ++i)
            EpromPulse(core, word);
    }
    sendCommand(core, target::Increment);
}

void epromProgramAndRecord(Run &run, std::uint16_t word)
{
    const std::uint16_t address = run.op.CurrentAddress;
    EpromProgramWord(run, word);
    if (run.op.failureFlag == 1 && !run.stopped() && !linkLost(run.core))
        run.failed(address, word);
}

// The target stands at its configuration word.
void epromConfiguration(Run &run)
{
    Core &core = run.core;
    run.op.CurrentAddress = static_cast<std::uint16_t>(lastProgramWord(core) + 1);
    run.op.LoadCommand = target::LoadProgram;
    run.op.ReadCommand = target::ReadProgram;
    if (run.mustEndBeforeConfiguration())
        return;
    EpromProgramWord(run, core.st.device.ConfigWord);
    if (!linkLost(core))
        run.op.result.configRead = run.op.DataWord;
    if (run.op.failureFlag == 1 && !run.stopped() && !linkLost(core))
        run.failed(ConfigAddress, core.st.device.ConfigWord);
}

// After the entry the 12-bit part stands at its configuration word: one
// Increment reaches program word 0, and the ID words follow program memory.
void epromProgram(Run &run)
{
    Core &core = run.core;
    OperationState &op = run.op;
    const auto last = static_cast<std::uint16_t>(lastProgramWord(core));
    op.LoadCommand = target::LoadProgram;
    op.ReadCommand = target::ReadProgram;
    op.failureFlag = 0;
    sendCommand(core, target::Increment);
    // A start above 0 leaves the words below it as they are: the target is
    // moved past them so each word lands where the buffer has it.
    run.increments(std::min<int>(core.st.device.StartAddress, last + 1));
    for (unsigned a = core.st.device.StartAddress; a <= last; ++a) {
        op.CurrentAddress = static_cast<std::uint16_t>(a);
        if (skipsCalibrationWord(core, a)) {
            // The factory calibration value stays as the chip came.
            sendCommand(core, target::Increment);
            continue;
        }
        epromProgramAndRecord(run, bufferWord(core, a));
        if (run.mustEnd())
            return;
    }
    for (std::uint16_t a = 0x2100; a <= 0x2103; ++a) {
        op.CurrentAddress = a;
        epromProgramAndRecord(run, bufferWord(core, a));
        if (run.mustEnd())
            return;
    }
    run.newPass(); // the target stands at its configuration word again
    epromConfiguration(run);
}

enum class Routine : std::uint8_t { None, Parallel, SingleWord, Row, Eprom };

Routine routineFor(Family family)
{
    switch (methodOf(family)) {
    case Method::None:
        return Routine::None;
    case Method::Parallel:
        return Routine::Parallel;
    case Method::Serial12:
        return Routine::Eprom;
    case Method::Serial14:
        return family == Family::F23 ? Routine::Row : Routine::SingleWord;
    }
    return Routine::None;
}

// The run latches a stop across its passes' resets; the rest as every command.
Outcome outcomeOf(Run &run, bool ran)
{
    if (!linkLost(run.core) && run.stopped())
        return Outcome::Stopped;
    return outcomeOf(run.core, ran, run.op.failureFlag == 1);
}

// The configuration word alone, from a fresh entry. The row routine's cycle
// awaits no reply: the word is read back after it.
void rowConfigurationRead(Run &run)
{
    rowConfiguration(run);
    if (run.mustEnd())
        return;
    run.op.ReadCommand = target::ReadProgram;
    ReadWord(run.core);
    if (!linkLost(run.core))
        run.op.result.configRead = run.op.DataWord;
}

// A routine's whole run, and its configuration phase alone.
struct Phases
{
    void (*whole)(Run &);
    void (*configuration)(Run &);
};

std::optional<Phases> phasesOf(Routine routine)
{
    switch (routine) {
    case Routine::None:
        return std::nullopt;
    case Routine::Parallel:
        return Phases {parallelProgram, parallelConfiguration};
    case Routine::SingleWord:
        return Phases {singleWordProgram, singleWordConfiguration};
    case Routine::Row:
        return Phases {rowProgram, rowConfigurationRead};
    case Routine::Eprom:
        return Phases {epromProgram, epromConfiguration};
    }
    return std::nullopt;
}

void showPriorityError(Core &core)
{
    core.host.messageBox(
        {MessageKind::Information, "Error Setting Priority Class...", MessageButtons::Ok, {}});
}

} // namespace

void spinPulse(std::uint16_t pulseDelaySetting)
{
    // The spin is the pulse: every pass stores to a volatile, so the compiler
    // must keep the whole loop.
    volatile std::uint32_t spin = 0;
    const std::uint32_t passes = std::uint32_t {pulseDelaySetting} * 100u;
    for (std::uint32_t i = 0; i < passes; ++i)
        spin = i;
    static_cast<void>(spin);
}

void FlashProgramWord(Core &core, std::uint16_t word, bool compare)
{
    OperationState &op = core.st.op;
    showAddress(core);
    sendCommand(core, op.LoadCommand);
    op.DataWord = word;
    SendDataWord(core);
    sendCommand(core, target::BeginProgramming);
    core.host.sleepMs(20);
    ReadWord(core);
    if (compare && !matches(core, op.DataWord, word))
        op.failureFlag = 1;
    sendCommand(core, target::Increment);
}

void Program_EpromClick(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    if (!core.host.raiseProcessPriority())
        showPriorityError(core);
    core.ui.setCaption(ControlId::StaticText2, "Programming Device from Buffer...");
    core.st.op.failureFlag = 0;
    core.ui.show(ControlId::StaticText2);
    const bool entered = enterTarget(core);

    Run run(core);
    const Routine routine = routineFor(core.st.device.FamilyCode);
    if (const std::optional<Phases> phases = phasesOf(routine); phases && entered)
        phases->whole(run);

    // A lost programmer takes precedence over every result; a stop is a failure.
    const bool failed = core.st.op.failureFlag == 1 || linkLost(core) || run.stopped();
    if (!showLinkLost(core)) {
        if (routine == Routine::None)
            core.ui.setCaption(ControlId::StaticText3, "No Device Was Selected.");
        else
            core.ui.setCaption(
                ControlId::StaticText3, failed ? NotProgrammed : "Device is Programmed...");
    }
    if (routine != Routine::None && failed)
        core.host.messageBox({MessageKind::Information, NotProgrammed, MessageButtons::Ok, {}});
    core.host.restoreProcessPriority();
    core.st.op.result.outcome = outcomeOf(run, routine != Routine::None);
    closeCommand(core);
}

void ProgramConfigurationWord(Core &core)
{
    const LinkBusyScope busy(core);
    BusyStep(core);
    OperationState &op = core.st.op;
    op.failureFlag = 0;
    const bool entered = enterTarget(core);
    Run run(core);
    const Routine routine = routineFor(core.st.device.FamilyCode);
    if (const std::optional<Phases> phases = phasesOf(routine); phases && entered)
        phases->configuration(run);
    // The word alone is judged, under the bits the chip keeps as its own.
    const auto judged = static_cast<std::uint16_t>(~factoryConfigBits(core));
    const std::uint16_t want = core.st.device.ConfigWord;
    if (routine != Routine::None && !run.mustEnd() && op.result.configRead
        && !matches(core, *op.result.configRead & judged, want & judged)) {
        op.DataWord = *op.result.configRead;
        run.failed(ConfigAddress, want);
    }
    op.result.outcome = outcomeOf(run, routine != Routine::None);
    closeCommand(core);
}

} // namespace ravelin
