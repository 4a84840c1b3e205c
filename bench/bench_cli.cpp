// A 16F877A at 1 ms link latency on the real clock: the window's read (word
// by word) against ravelin-cli's (program memory in block reads, then the
// second read that checks it); ravelin-cli's whole program of a full image
// with data EEPROM; and what the device ID check before a command costs (a
// blank check with it and without it). Each against its floor: the sleeps the
// routines make plus one latency per reply.
#include "cli/Console.h"
#include "operations/ReadDevice.h"
#include "sim/SimChip.h"
#include "sim/SimProgrammer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace ravelin;

namespace {

constexpr std::uint64_t LatencyUs = 1000;

struct Bench
{
    explicit Bench(cli::Options options)
    {
        for (unsigned a = 0; a < chip->info().programWords; ++a)
            chip->setWord(std::uint16_t(a), std::uint16_t((a * 0x0105 + 0x0301) & 0x3FFF));
        for (std::size_t i = 0; i < 256; ++i)
            chip->setEeprom(i, std::uint8_t(i * 7 + 1));
        options.device = "16F877A";
        console = std::make_unique<cli::Console>(
            [this](Clock &clock) {
                sim::ProgrammerOptions programmerOptions;
                programmerOptions.latencyUs = LatencyUs;
                auto made
                    = std::make_unique<sim::SimProgrammer>(clock, programmerOptions, chip.get());
                made->setTraceSink([this](std::string_view line) {
                    if (line.starts_with("RX"))
                        ++replies;
                });
                return made;
            },
            options);
    }

    std::unique_ptr<sim::SimChip> chip = sim::makeChip("16F877A");
    std::uint64_t replies = 0;
    std::unique_ptr<cli::Console> console;
};

struct Figure
{
    double ms;
    double floorMs;
    std::uint64_t replies;
};

template<typename Run>
Figure measure(Bench &bench, Run run)
{
    const std::uint64_t replies = bench.replies;
    const std::uint64_t slept = bench.console->host().sleptUs;
    const auto start = std::chrono::steady_clock::now();
    run();
    const double ms
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
    const std::uint64_t count = bench.replies - replies;
    const double floor = double(bench.console->host().sleptUs - slept + count * LatencyUs) / 1000.0;
    return {ms, floor, count};
}

void print(const char *name, const Figure &f)
{
    std::printf("| %s | %llu | %.0f ms | %.0f ms | +%.1f%% |\n", name,
        static_cast<unsigned long long>(f.replies), f.ms, f.floorMs,
        100.0 * (f.ms - f.floorMs) / f.floorMs);
}

} // namespace

int main()
{
    const std::string out
        = (std::filesystem::temp_directory_path() / "ravelin-bench-read.hex").string();
    cli::Options options;
    options.output = out;

    // The window's routine, once the programmer is found and the device
    // chosen (a blank check does both).
    Bench window(options);
    window.console->blank();
    Bench cli(options);
    const Figure wordByWord = measure(
        window, [&window] { Move_EpromClick(window.console->core(), ProgramReading::WordByWord); });
    const Figure cliRead = measure(cli, [&cli] { cli.console->read(); });

    // The image just read goes into another chip.
    cli::Options programming;
    programming.input = out;
    Bench target(programming);
    const Figure program = measure(target, [&target] { target.console->program(); });
    std::filesystem::remove(out);

    cli::Options unchecked;
    unchecked.idCheck = false;
    Bench checking(options);
    Bench trusting(unchecked);
    const Figure checked = measure(checking, [&checking] { checking.console->blank(); });
    const Figure skipped = measure(trusting, [&trusting] { trusting.console->blank(); });

    std::printf("| 16F877A, 1 ms latency | replies | total | floor | over floor |\n"
                "|---|---|---|---|---|\n");
    print("window (&Move Device, word by word)", wordByWord);
    print("ravelin-cli read (search, block read, second read, EEPROM check)", cliRead);
    print("ravelin-cli program (ID check, erase, program, EEPROM, verify)", program);
    print("ravelin-cli blank with the device ID check", checked);
    print("ravelin-cli blank --no-id-check", skipped);
    std::printf("\nthe device ID check: %.1f ms, %lld replies\n", checked.ms - skipped.ms,
        static_cast<long long>(checked.replies) - static_cast<long long>(skipped.replies));
    return 0;
}
