#pragma once

#include "sim/SimChip.h"
#include "sim/TargetSocket.h"

#include <array>
#include <cstdint>

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

    static constexpr std::uint8_t Volts3 = 0x36, Volts5 = 0x32, Volts6 = 0xF2;
    static constexpr std::uint8_t ParallelVolts3 = 0x7F, ParallelVolts5 = 0x7B,
                                  ParallelVolts6 = 0xFB;

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
    std::uint16_t readAndIncrement(std::uint8_t readCommand = 0x04)
    {
        const std::uint16_t word = read(readCommand);
        increment();
        return word;
    }
    // Load Configuration with its data phase: the counter stands at 0x2000.
    void loadConfiguration()
    {
        command(0x00);
        data(0x3FFF);
    }
    void toConfigWord()
    {
        loadConfiguration();
        increment(7);
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
        command(0x02);
        data(word);
        command(0x08);
        command(0x0E);
    }
    // The application's erase sequences.
    void eraseA()
    {
        toConfigWord();
        command(0x01);
        command(0x07);
        command(0x08);
        command(0x01);
        command(0x07);
    }
    void eraseB()
    {
        toConfigWord();
        command(0x09);
        command(0x0B);
    }
    void eraseC()
    {
        command(0xFF);
        command(0x00);
        for (int i = 0; i < 4; ++i) {
            data(0x3FFF);
            command(0x06);
        }
        command(0x08);
    }
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
