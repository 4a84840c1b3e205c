#include "sim/SimChip.h"

#include <utility>

namespace ravelin::sim {
namespace {

constexpr std::uint16_t ConfigStart = 0x2000;
constexpr std::uint16_t ConfigWordAddress = 0x2007;
constexpr std::uint16_t DeviceIdAddress = 0x2006;
constexpr std::uint16_t TwelveBitConfigAddress = 0x0FFF;
constexpr std::uint16_t EepromImageStart = 0x2100;

// The 12-bit counter runs through program memory and the ID words into
// locations that answer nothing, and wraps at the next power of two
// (choice: the chips' documents do not say where it wraps).
std::uint16_t twelveBitCounterLimit(std::uint16_t programWords)
{
    std::uint16_t limit = 1;
    while (limit < programWords + 4)
        limit = static_cast<std::uint16_t>(limit << 1);
    return limit;
}

} // namespace

SimChip::SimChip(const ChipInfo &info, ChipOptions options)
    : m_info(info)
    , m_options(options)
    , m_program(info.programWords, wordMask(info.group))
    , m_eeprom(info.eepromBytes, 0xFF)
{
    m_configSpace.fill(blankWord());
    if (const std::optional<std::uint16_t> id = deviceId())
        m_configSpace[DeviceIdAddress - ConfigStart] = *id;
    if (m_options.factoryCalibration) {
        if (m_info.calibrationAddress != 0)
            m_program[m_info.calibrationAddress]
                = m_options.calibration.value_or(calibrationWord(m_info.group, 0x80)) & blankWord();
        // The 12F629/675 carry factory band-gap bits in bits 13:12 of the
        // configuration word.
        if (m_info.group == ChipGroup::Flash12F6xx)
            m_configSpace[7] = static_cast<std::uint16_t>(0x0FFF | (m_options.bandGap & 0x3) << 12);
    }
}

// ---- memory as it is ----------------------------------------------------------

std::uint16_t *SimChip::cell(std::uint16_t imageAddress)
{
    const std::size_t size = m_program.size();
    if (imageAddress < size)
        return &m_program[imageAddress];
    if (twelveBit()) {
        if (imageAddress < size + 4)
            return &m_configSpace[imageAddress - size];
        if (imageAddress == TwelveBitConfigAddress)
            return &m_configSpace[7];
        return nullptr;
    }
    if (imageAddress >= ConfigStart && imageAddress <= ConfigWordAddress)
        return &m_configSpace[imageAddress - ConfigStart];
    return nullptr;
}

bool SimChip::hasWord(std::uint16_t imageAddress) const
{
    return const_cast<SimChip *>(this)->cell(imageAddress) != nullptr;
}

std::uint16_t SimChip::word(std::uint16_t imageAddress) const
{
    const std::uint16_t *found = const_cast<SimChip *>(this)->cell(imageAddress);
    return found ? *found : blankWord();
}

bool SimChip::setWord(std::uint16_t imageAddress, std::uint16_t value)
{
    std::uint16_t *found = cell(imageAddress);
    if (!found)
        return false;
    *found = value & blankWord();
    return true;
}

std::uint16_t SimChip::idAddress(int index) const
{
    const auto base = twelveBit() ? m_program.size() : std::size_t {ConfigStart};
    return static_cast<std::uint16_t>(base + static_cast<std::size_t>(index & 3));
}

std::uint16_t SimChip::configAddress() const
{
    return twelveBit() ? TwelveBitConfigAddress : ConfigWordAddress;
}

std::optional<std::uint16_t> SimChip::deviceId() const
{
    if (twelveBit())
        return std::nullopt;
    if (m_options.deviceId)
        return static_cast<std::uint16_t>(*m_options.deviceId & 0x3FFF);
    if (m_info.deviceId == 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(m_info.deviceId | (m_options.revision & 0x1F));
}

std::uint8_t SimChip::eeprom(std::size_t index) const
{
    return index < m_eeprom.size() ? m_eeprom[index] : 0xFF;
}

bool SimChip::setEeprom(std::size_t index, std::uint8_t value)
{
    if (index >= m_eeprom.size())
        return false;
    m_eeprom[index] = value;
    return true;
}

bool SimChip::codeProtected() const
{
    return (config() & m_info.protectMask) != m_info.protectMask;
}

// ---- programming mode -----------------------------------------------------------

std::optional<std::uint16_t> SimChip::counter() const
{
    if (m_mode == Mode::Off)
        return std::nullopt;
    if (twelveBit() && m_inConfig)
        return TwelveBitConfigAddress;
    return m_pc;
}

void SimChip::forgetCommands()
{
    m_pending = PendingLoad::None;
    m_eraseStep = 0;
    m_pulseRunning = false;
}

void SimChip::enter(Mode mode)
{
    m_mode = mode;
    // 14-bit parts start at program address 0; 12-bit parts at their
    // configuration word, one Increment before address 0.
    m_pc = 0;
    m_inConfig = twelveBit();
    m_latch.reset();
    m_rowLatches.fill(std::nullopt);
    m_dataLatch.reset();
    m_presented.reset();
    forgetCommands();
}

void SimChip::leave()
{
    enter(Mode::Off);
    m_inConfig = false;
}

void SimChip::reset()
{
    m_lines.reset();
    leave();
}

void SimChip::setLines(std::uint8_t group, std::uint8_t value)
{
    const bool parallelChip = programmingMethod(m_info.group) == ProgrammingMethod::Parallel;
    switch (m_lines.set(group, value)) {
    case LineEvent::None:
        break;
    case LineEvent::SerialEntry:
        // A chip entered the wrong way is powered but not in programming mode.
        if (parallelChip)
            leave();
        else
            enter(Mode::Serial);
        break;
    case LineEvent::ParallelEntry:
        if (parallelChip)
            enter(Mode::Parallel);
        else
            leave();
        break;
    case LineEvent::SuppliesOff:
        leave();
        break;
    case LineEvent::ParallelIncrement:
        if (m_mode == Mode::Parallel)
            increment();
        break;
    case LineEvent::ParallelPulse:
        if (m_mode == Mode::Parallel && m_presented)
            pulse(*m_presented);
        break;
    }
}

void SimChip::serialSupplies(std::uint8_t pattern)
{
    // A serial packet that drives the supplies other than the entry left them
    // changes the chip's supplies in mid-mode; it is then no longer in
    // programming mode (choice: the documents say nothing of a supply change
    // there, and a strict chip shows a wrong pattern at once).
    if (m_mode == Mode::Serial && m_lines.entrySupplies() != pattern)
        leave();
}

void SimChip::increment()
{
    if (twelveBit()) {
        if (m_inConfig) {
            m_inConfig = false;
            m_pc = 0;
        } else {
            m_pc = static_cast<std::uint16_t>(
                (m_pc + 1) % twelveBitCounterLimit(m_info.programWords));
        }
        return;
    }
    // Once in configuration space only a new entry returns to user space.
    // Choice: user space wraps from 0x1FFF to 0, configuration space from
    // 0x3FFF to 0x2000.
    if (m_inConfig)
        m_pc = static_cast<std::uint16_t>(ConfigStart | ((m_pc + 1) & 0x1FFF));
    else
        m_pc = static_cast<std::uint16_t>((m_pc + 1) & 0x1FFF);
}

std::optional<std::uint16_t> SimChip::currentCell() const
{
    if (twelveBit()) {
        if (m_inConfig)
            return TwelveBitConfigAddress;
        if (m_pc < m_program.size() + 4)
            return m_pc;
        return std::nullopt;
    }
    if (m_inConfig) {
        if (m_pc <= ConfigWordAddress)
            return m_pc;
        return std::nullopt;
    }
    // Smaller parts decode only the low address bits.
    return static_cast<std::uint16_t>(m_pc % m_program.size());
}

// ---- reading --------------------------------------------------------------------

bool SimChip::readsWork() const
{
    if (m_mode == Mode::Off)
        return false;
    return !(m_options.failAt3Volts && !m_info.lowVoltage
        && m_lines.entryVoltage() == SupplyVoltage::Volts3);
}

std::uint16_t SimChip::readProgram() const
{
    const std::optional<std::uint16_t> at = currentCell();
    // Choice: configuration locations past 0x2007 and the 12-bit counter's
    // locations past the ID words read as 0.
    if (!at)
        return 0x0000;
    std::uint16_t value = word(*at);
    if (*at < m_program.size() && codeProtected()) {
        const ProtectedRead transform = m_options.protectedRead.value_or(
            isEprom(m_info.group) ? ProtectedRead::NibbleXor : ProtectedRead::Zeros);
        switch (transform) {
        case ProtectedRead::Zeros:
            value = 0x0000;
            break;
        case ProtectedRead::NibbleXor:
            value = static_cast<std::uint16_t>((value ^ (value >> 4) ^ (value >> 8)) & 0x000F);
            break;
        }
    }
    // The 12-bit parts drive no bits 13:12.
    return value & blankWord();
}

std::uint16_t SimChip::readData() const
{
    if (m_eeprom.empty())
        return m_options.floatingLevel;
    const std::uint16_t protect = m_info.dataProtectMask;
    // Choice: protected data EEPROM reads 0.
    if (protect != 0 && (config() & protect) != protect)
        return 0x0000;
    // Data memory shares the one address counter; only 8 bits are driven.
    return m_eeprom[m_pc % m_eeprom.size()];
}

std::uint16_t SimChip::serialRead(std::uint8_t command)
{
    forgetCommands();
    if (m_mode != Mode::Serial || !readsWork())
        return m_options.floatingLevel;
    switch (command) {
    case 0x04:
        return readProgram();
    case 0x05:
        return readData();
    default:
        return m_options.floatingLevel;
    }
}

void SimChip::blockRead(std::uint8_t command, std::array<std::uint16_t, 128> &words)
{
    for (std::uint16_t &word : words) {
        word = serialRead(command);
        if (m_mode == Mode::Serial)
            increment();
    }
}

std::uint16_t SimChip::parallelRead(std::uint8_t control, bool advance)
{
    // The firmware reads the chip with its control lines set for reading
    // (0x6D) or for programming (0x68); with any other pattern the chip is not
    // clocked and drives nothing (inference).
    if (m_mode != Mode::Parallel || (control != 0x6D && control != 0x68))
        return m_options.floatingLevel;
    const std::uint16_t value = readsWork() ? readProgram() : m_options.floatingLevel;
    if (advance)
        increment();
    return value;
}

// ---- commands -------------------------------------------------------------------

void SimChip::serialCommand(std::uint8_t command)
{
    if (m_mode != Mode::Serial)
        return;
    m_pending = PendingLoad::None;
    // A 12-bit EPROM pulse lasts from Begin to End; any other command in
    // between ends it without effect (choice).
    const bool pulseRunning = std::exchange(m_pulseRunning, false);
    if (eraseSequence(command))
        return;
    switch (command) {
    case 0x00: // Load Configuration: the 12-bit serial parts have none
        if (!twelveBit()) {
            m_pc = ConfigStart;
            m_inConfig = true;
            m_pending = PendingLoad::Configuration;
        }
        break;
    case 0x02:
        m_pending = PendingLoad::Program;
        break;
    case 0x03:
        if (!m_eeprom.empty())
            m_pending = PendingLoad::Data;
        break;
    case 0x06:
        increment();
        break;
    case 0x08:
        begin(false);
        break;
    case 0x18:
        // Begin Programming Only: the row-latch parts' externally timed write.
        if (cellWrite(m_info.group) == CellWrite::RowLatches)
            begin(true);
        break;
    case 0x0E:
    case 0x17:
        if (pulseRunning && m_latch) {
            pulse(*m_latch);
            m_latch.reset();
        }
        break;
    default:
        // 4 and 5 (their data phase is clocked and discarded), the erase
        // set-up commands out of sequence, and commands the chip lacks.
        break;
    }
}

void SimChip::serialData(std::uint16_t word)
{
    if (m_mode != Mode::Serial)
        return;
    m_eraseStep = 0;
    m_pulseRunning = false;
    const PendingLoad pending = std::exchange(m_pending, PendingLoad::None);
    const auto value = static_cast<std::uint16_t>(word & blankWord());
    switch (pending) {
    case PendingLoad::None:
        // A data word with no load command before it means nothing.
        break;
    case PendingLoad::Configuration:
    case PendingLoad::Program:
        if (cellWrite(m_info.group) == CellWrite::RowLatches)
            m_rowLatches[m_pc & 7] = value;
        else
            m_latch = value;
        break;
    case PendingLoad::Data:
        m_dataLatch = static_cast<std::uint8_t>(word & 0xFF);
        break;
    }
}

void SimChip::store(std::uint16_t imageAddress, std::uint16_t value, bool erase)
{
    if (m_options.stuckWord == imageAddress)
        return;
    if (imageAddress == DeviceIdAddress && deviceId())
        return;
    std::uint16_t *target = cell(imageAddress);
    if (!target)
        return;
    value &= blankWord();
    *target = erase ? value : static_cast<std::uint16_t>(*target & value);
}

void SimChip::pulse(std::uint16_t data)
{
    const std::optional<std::uint16_t> at = currentCell();
    if (!at)
        return;
    if (m_options.slowWord == *at && ++m_slowPulses < m_options.slowWordPulses)
        return;
    store(*at, data, false);
}

bool SimChip::eepromStuck(std::size_t index) const
{
    return m_options.stuckWord && *m_options.stuckWord >= EepromImageStart
        && static_cast<std::size_t>(*m_options.stuckWord - EepromImageStart) == index;
}

void SimChip::writeData()
{
    // Data EEPROM bytes are erased and written in one cycle on every part.
    if (m_dataLatch && !m_eeprom.empty()) {
        const std::size_t index = m_pc % m_eeprom.size();
        if (!eepromStuck(index))
            m_eeprom[index] = *m_dataLatch;
    }
    m_dataLatch.reset();
}

void SimChip::begin(bool programOnly)
{
    switch (cellWrite(m_info.group)) {
    case CellWrite::EraseWrite:
    case CellWrite::ProgramOnly:
        if (m_latch) {
            if (const std::optional<std::uint16_t> at = currentCell())
                store(*at, *m_latch, cellWrite(m_info.group) == CellWrite::EraseWrite);
        }
        m_latch.reset();
        writeData();
        break;
    case CellWrite::RowLatches: {
        // The latches loaded since the last write go to the row under the
        // counter; unloaded latches leave their words alone (inference).
        // Begin Erase/Programming erases the loaded program words first; in
        // configuration space it only programs them (choice), so that a Load
        // Configuration's data phase does not erase ID 0 when the
        // configuration word is written later on its own.
        const std::optional<std::uint16_t> at = currentCell();
        const bool erase = !programOnly && !m_inConfig;
        if (at) {
            const auto row = static_cast<std::uint16_t>(*at & ~7u);
            for (std::size_t i = 0; i < m_rowLatches.size(); ++i) {
                if (m_rowLatches[i])
                    store(static_cast<std::uint16_t>(row + i), *m_rowLatches[i], erase);
            }
        }
        m_rowLatches.fill(std::nullopt);
        writeData();
        break;
    }
    case CellWrite::PulseOnBegin:
        // The application waits after Begin and reads back without an End, so
        // Begin counts as one whole pulse.
        if (m_latch)
            pulse(*m_latch);
        m_latch.reset();
        break;
    case CellWrite::PulseBeginToEnd:
        m_pulseRunning = true;
        break;
    case CellWrite::PulseByLines:
        break;
    }
}

void SimChip::eraseProgramSpace()
{
    for (std::size_t a = 0; a < m_program.size(); ++a)
        store(static_cast<std::uint16_t>(a), blankWord(), true);
    for (int i = 0; i < 4; ++i)
        store(idAddress(i), blankWord(), true);
    if (!twelveBit()) {
        store(0x2004, blankWord(), true);
        store(0x2005, blankWord(), true);
        store(DeviceIdAddress, blankWord(), true);
    }
    store(configAddress(), blankWord(), true);
    m_latch.reset();
    m_rowLatches.fill(std::nullopt);
}

void SimChip::eraseData()
{
    for (std::size_t index = 0; index < m_eeprom.size(); ++index) {
        if (!eepromStuck(index))
            m_eeprom[index] = 0xFF;
    }
    m_dataLatch.reset();
}

bool SimChip::eraseSequence(std::uint8_t command)
{
    const bool atConfigWord = m_inConfig && !twelveBit() && m_pc == ConfigWordAddress;
    switch (eraseKind(m_info.group)) {
    case EraseKind::SetupCommands: {
        // Code-protect disable: 1, 7, 8, 1, 7 with the counter at 0x2007.
        // It takes effect when the sequence is complete (choice); anything
        // else in between, or another address, and nothing is erased.
        static constexpr std::array<std::uint8_t, 5> Steps {0x01, 0x07, 0x08, 0x01, 0x07};
        if (atConfigWord && command == Steps[m_eraseStep]) {
            if (++m_eraseStep == Steps.size()) {
                m_eraseStep = 0;
                eraseProgramSpace();
                eraseData();
                ++m_erases;
            }
            return true;
        }
        m_eraseStep = (atConfigWord && command == Steps[0]) ? 1 : 0;
        return m_eraseStep == 1;
    }
    case EraseKind::BulkCommands:
        // Bulk Erase Program with the counter in configuration space also
        // clears the IDs and the configuration word; the application sends
        // both at 0x2007, and the chip answers there only.
        if (atConfigWord && command == 0x09) {
            eraseProgramSpace();
            ++m_erases;
            return true;
        }
        if (atConfigWord && command == 0x0B) {
            eraseData();
            ++m_erases;
            return true;
        }
        return false;
    case EraseKind::ChipErase:
        if (command == 0x3F) {
            eraseProgramSpace();
            eraseData();
            ++m_erases;
            return true;
        }
        return false;
    case EraseKind::None:
        return false;
    }
    return false;
}

void SimChip::parallelPresent(std::uint16_t word, bool release)
{
    if (m_mode != Mode::Parallel)
        return;
    if (release)
        m_presented.reset();
    else
        m_presented = static_cast<std::uint16_t>(word & 0x0FFF);
}

std::unique_ptr<SimChip> makeChip(std::string_view name, ChipOptions options)
{
    const ChipInfo *info = findChip(name);
    if (!info)
        return nullptr;
    return std::make_unique<SimChip>(*info, options);
}

} // namespace ravelin::sim
