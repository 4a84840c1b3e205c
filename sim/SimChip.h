#pragma once

#include "sim/ChipTable.h"
#include "sim/ProgrammingLines.h"
#include "sim/TargetSocket.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace ravelin::sim {

// What a code-protected program word reads as.
enum class ProtectedRead {
    Zeros, // every bit 0 (the flash parts: "read all 0s")
    NibbleXor, // 0000 0000 xxxx, xxxx the XOR of the word's three low nibbles
};

// How this particular chip differs from a good, fresh one.
struct ChipOptions
{
    // Empty: the group's own (flash: Zeros, EPROM parts: NibbleXor).
    std::optional<ProtectedRead> protectedRead;
    // A word that never takes a value it is programmed or erased to (image
    // address, see SimChip::word; data EEPROM byte n at 0x2100 + n).
    std::optional<std::uint16_t> stuckWord;
    // An EPROM word that takes its value only from the n-th pulse on.
    std::optional<std::uint16_t> slowWord;
    unsigned slowWordPulses = 1;
    // Reads fail at "3 Volts" unless the chip is a low-voltage (LF) one.
    bool failAt3Volts = false;
    // The factory's calibration word (and the 12F629/675 band-gap bits) are
    // present on a fresh chip; without, the chip is blank everywhere.
    bool factoryCalibration = true;
    // The calibration word itself; empty: the group's RETLW (MOVLW) 0x80.
    std::optional<std::uint16_t> calibration;
    std::uint8_t bandGap = 0x2; // configuration bits 13:12 of a fresh 12F629/675
    // What the programmer reads from a chip that does not drive its data line.
    std::uint16_t floatingLevel = 0x0000;
    // The silicon revision in the low five bits of the chip's device ID.
    std::uint8_t revision = 0;
    // A device ID word in place of the chip's own: a counterfeit, an unknown
    // part, or 3FFF for a part without one. Only the 14-bit parts have the word.
    std::optional<std::uint16_t> deviceId;
};

// One simulated chip in the socket: its memories, address counter, latches and
// the programming commands of its group.
//
// Image addresses name every word the chip keeps, in Microchip's usual hex
// layout: program words from 0; 14-bit parts: ID words 0x2000..0x2003, device
// ID 0x2006, configuration word 0x2007 (data EEPROM byte n at 0x2100 + n is
// reached through eeprom()); 12-bit parts: ID words right after program memory,
// configuration word at 0xFFF.
class SimChip : public TargetSocket
{
public:
    explicit SimChip(const ChipInfo &info, ChipOptions options = {});

    const ChipInfo &info() const { return m_info; }
    const ChipOptions &options() const { return m_options; }
    ChipOptions &options() { return m_options; }
    std::uint16_t blankWord() const { return wordMask(m_info.group); }

    // TargetSocket
    void reset() override;
    void setLines(std::uint8_t group, std::uint8_t value) override;
    void serialSupplies(std::uint8_t pattern) override;
    void serialCommand(std::uint8_t command) override;
    void serialData(std::uint16_t word) override;
    std::uint16_t serialRead(std::uint8_t command) override;
    void blockRead(std::uint8_t command, std::array<std::uint16_t, 128> &words) override;
    std::uint16_t parallelRead(std::uint8_t control, bool advance) override;
    void parallelPresent(std::uint16_t word, bool release) override;

    // The chip's memory as it is, for loading images and for assertions;
    // these bypass programming (and code protection).
    bool hasWord(std::uint16_t imageAddress) const;
    std::uint16_t word(std::uint16_t imageAddress) const; // the blank word where there is none
    bool setWord(std::uint16_t imageAddress, std::uint16_t value);
    std::uint16_t idAddress(int index) const;
    std::uint16_t configAddress() const;
    std::uint16_t config() const { return word(configAddress()); }
    std::uint16_t id(int index) const { return word(idAddress(index)); }
    // The word the chip answers at 0x2006 whatever is written there; empty
    // when its 0x2006 is a reserved word like the others (or it has none).
    std::optional<std::uint16_t> deviceId() const;
    std::uint8_t eeprom(std::size_t index) const;
    bool setEeprom(std::size_t index, std::uint8_t value);

    // What the programmer has done to it.
    enum class Mode { Off, Serial, Parallel };
    Mode mode() const { return m_mode; }
    std::optional<SupplyVoltage> voltage() const { return m_lines.entryVoltage(); }
    // The address counter (0xFFF while a 12-bit part stands at its configuration
    // word); empty outside programming mode. Small parts alias: counter 0x0400
    // of a 1K part addresses word 0.
    std::optional<std::uint16_t> counter() const;
    bool inConfigurationSpace() const { return m_inConfig; }
    unsigned erasesDone() const { return m_erases; }
    bool codeProtected() const;

private:
    enum class PendingLoad { None, Configuration, Program, Data };

    bool twelveBit() const { return isTwelveBit(m_info.group); }
    void enter(Mode mode);
    void leave();
    std::uint16_t *cell(std::uint16_t imageAddress);
    std::optional<std::uint16_t> currentCell() const;
    bool readsWork() const;
    std::uint16_t readProgram() const;
    std::uint16_t readData() const;
    void increment();
    void begin(bool programOnly);
    void store(std::uint16_t imageAddress, std::uint16_t value, bool erase);
    void pulse(std::uint16_t data);
    void writeData();
    bool eepromStuck(std::size_t index) const;
    bool eraseSequence(std::uint8_t command);
    void eraseProgramSpace();
    void eraseData();
    void forgetCommands();

    ChipInfo m_info;
    ChipOptions m_options;
    std::vector<std::uint16_t> m_program;
    // 14-bit: 0x2000..0x2007; 12-bit: the IDs in 0..3, the configuration word in 7.
    std::array<std::uint16_t, 8> m_configSpace {};
    std::vector<std::uint8_t> m_eeprom;

    ProgrammingLines m_lines;
    Mode m_mode = Mode::Off;
    std::uint16_t m_pc = 0;
    bool m_inConfig = false; // 14-bit: in 0x2000..0x3FFF; 12-bit: at the configuration word
    PendingLoad m_pending = PendingLoad::None;
    std::optional<std::uint16_t> m_latch;
    std::array<std::optional<std::uint16_t>, 8> m_rowLatches {};
    std::optional<std::uint8_t> m_dataLatch;
    bool m_pulseRunning = false;
    std::optional<std::uint16_t> m_presented;
    unsigned m_eraseStep = 0;
    unsigned m_slowPulses = 0;
    unsigned m_erases = 0;
};

// A chip by its name (the device button's caption, e.g. "16F84/A", "12C508/A",
// "16C54"); nullptr for a name no chip has.
std::unique_ptr<SimChip> makeChip(std::string_view name, ChipOptions options = {});

} // namespace ravelin::sim
