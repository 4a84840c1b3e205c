#pragma once

#include "sim/SimChip.h"
#include "sim/TargetSocket.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ravelin::test {

// A fresh chip without the factory's calibration word and band-gap bits:
// blank everywhere.
inline sim::ChipOptions uncalibrated()
{
    sim::ChipOptions options;
    options.factoryCalibration = false;
    return options;
}

// Drives a chip as the programmer relays the application's packets: the line
// patterns of the programming-mode entries and the serial and parallel steps.
struct ChipDriver
{
    sim::TargetSocket &chip;

    static constexpr std::uint8_t Volts5 = 0x32, ParallelVolts5 = 0x7B;

    void enterSerial(std::uint8_t supplies = Volts5)
    {
        chip.setLines(0x5F, supplies | 0x01);
        chip.setLines(0x3F, 0xF1);
        chip.setLines(0x4F, 0x00);
        chip.setLines(0x5F, supplies);
    }
    void enterParallel(std::uint8_t supplies = ParallelVolts5)
    {
        chip.setLines(0x5F, supplies);
        chip.setLines(0x3F, 0xE1);
        chip.setLines(0x3F, 0xE9);
        chip.setLines(0x5F, supplies & 0xFE);
    }
    void command(std::uint8_t c) { chip.serialCommand(c & 0x3F); }
    void data(std::uint16_t word) { chip.serialData(word & 0x3FFF); }
    void increment(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            command(0x06);
    }
    std::uint16_t read(std::uint8_t readCommand = 0x04)
    {
        command(readCommand);
        return chip.serialRead(readCommand);
    }
    // Load Configuration with its data phase: the counter stands at 0x2000.
    void loadConfiguration()
    {
        command(0x00);
        data(0x3FFF);
    }
    // Load, data, Begin Erase/Programming: one word at the counter.
    void programWord(std::uint16_t word, std::uint8_t loadCommand = 0x02)
    {
        command(loadCommand);
        data(word);
        command(0x08);
    }
    // The 12-bit EPROM pulse: Load, data, Begin ... End.
    void eprom12Pulse(std::uint16_t word)
    {
        programWord(word);
        command(0x0E);
    }
    // A serial sequence in words: "L" Load Configuration with its data, "+n"
    // n increments, "D" a data word 3FFF, "R" a read, "E" a new entry, else a
    // command in hex.
    void run(std::string_view script)
    {
        while (!script.empty()) {
            const std::size_t end = std::min(script.find(' '), script.size());
            const std::string token(script.substr(0, end));
            script.remove_prefix(std::min(end + 1, script.size()));
            if (token == "L")
                loadConfiguration();
            else if (token[0] == '+')
                increment(std::stoi(token.substr(1)));
            else if (token == "D")
                data(0x3FFF);
            else if (token == "R")
                read();
            else if (token == "E")
                enterSerial();
            else
                command(std::uint8_t(std::stoi(token, nullptr, 16)));
        }
    }
    // The application's erase sequences.
    static constexpr std::string_view EraseA = "L +7 01 07 08 01 07", EraseB = "L +7 09 0B",
                                      EraseC = "FF 00 D 06 D 06 D 06 D 06 08";
    // The parallel steps.
    void parallelIncrement()
    {
        chip.setLines(0x3F, 0xFD);
        chip.setLines(0x3F, 0xF9);
    }
    void parallelPulse(std::uint16_t word)
    {
        chip.parallelPresent(word, false);
        chip.setLines(0x3F, 0xF8);
        chip.setLines(0x3F, 0xF9);
        chip.setLines(0x5F, 0x7A);
        chip.parallelPresent(0x0FFF, true);
    }
    std::uint16_t parallelRead(bool advance = true) { return chip.parallelRead(0x6D, advance); }
    // Enters the group's programming mode with the counter at an image address.
    void enter(sim::ChipGroup group)
    {
        if (group == sim::ChipGroup::Parallel16C5x)
            enterParallel();
        else
            enterSerial();
    }
    void goTo(sim::ChipGroup group, std::uint16_t address)
    {
        enter(group);
        if (group == sim::ChipGroup::Parallel16C5x) {
            for (int i = 0; i <= address; ++i) // from the configuration word on
                parallelIncrement();
        } else if (address >= 0x2000) {
            loadConfiguration();
            increment(address - 0x2000);
        } else {
            increment(sim::isTwelveBit(group) ? address + 1 : address);
        }
    }
    std::uint16_t readHere(sim::ChipGroup group)
    {
        return group == sim::ChipGroup::Parallel16C5x ? parallelRead(false) : read();
    }
    // One programming step of the chip's own kind.
    void programStep(sim::ChipGroup group, std::uint16_t word)
    {
        switch (sim::cellWrite(group)) {
        case sim::CellWrite::PulseByLines:
            parallelPulse(word);
            break;
        case sim::CellWrite::PulseBeginToEnd:
            eprom12Pulse(word);
            break;
        case sim::CellWrite::EraseWrite:
        case sim::CellWrite::ProgramOnly:
        case sim::CellWrite::RowLatches:
        case sim::CellWrite::PulseOnBegin:
            programWord(word);
            break;
        }
    }
};

} // namespace ravelin::test
