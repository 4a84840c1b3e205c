#include "app/Format.h"
#include "cli/Console.h"
#include "operations/Outcome.h"
#include "record/RecordText.h"
#include "sim/SimOptions.h"
#include "sim/SimProgrammer.h"

#ifdef RAVELIN_CLI_WITH_FTDI
#include "link/ftdi/FtdiTransport.h"
#endif

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>

using namespace ravelin;
using namespace ravelin::cli;

namespace {

// The simulator's own options, with the meaning ravelin-sim gives them; the
// values go to its parser as they were written.
struct SimOption
{
    const char *name;
    const char *value; // its name in the help, nullptr for a flag
    const char *help;
};
constexpr SimOption SimOptions[] {
    {"--trace", "FILE", "append every packet to FILE"},
    {"--firmware", "MAJOR.MINOR", "firmware version MAJOR.MINOR"},
    {"--devices", "N", "FTDI devices on the bus: 0, 1 or 2 (the programmers, then a gadget)"},
    {"--programmers", "N", "programmers on the bus, serial numbers QP000001, QP000002, ..."},
    {"--latency", "MS", "reply latency in ms"},
    {"--silent", nullptr, "a programmer that never answers"},
    {"--unplug-after", "PACKETS", "unplug after PACKETS packets"},
    {"--chip", "NAME", "the chip in the socket (any name -d takes) or none"},
    {"--load", "FILE", "the chip's contents at start (Intel HEX)"},
    {"--save", "FILE", "where the chip's contents go at the end (Intel HEX)"},
    {"--stuck-word", "ADDR", "a word that never takes a value (hex address)"},
    {"--slow-word", "ADDR:PULSES", "ADDR:PULSES, a word that needs that many pulses"},
    {"--fail-at-3v", nullptr, "a chip that reads wrong at 3 volts"},
    {"--protected-read", "zeros|xor", "code protection reads as zeros or xor"},
    {"--no-calibration", nullptr, "no factory calibration word"},
    {"--floating", "WORD", "what an empty socket reads (hex word)"},
    {"--calibration", "WORD", "the chip's factory calibration word (hex)"},
    {"--band-gap", "BITS", "a 12F629/675's band-gap bits, 0 to 3"},
    {"--revision", "N", "the chip's silicon revision in its device ID, 0 to 31"},
    {"--device-id", "WORD", "any device ID word for the chip (hex)"},
};
constexpr std::size_t SimOptionCount = std::size(SimOptions);

std::optional<std::uint16_t> hexWord(std::string text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::optional<Layout> layoutNamed(const std::string &name)
{
    if (name == "native")
        return Layout::Native;
    if (name == "microchip")
        return Layout::Microchip;
    return std::nullopt;
}

void print(const Report &report, bool json, bool quiet)
{
    if (json) {
        std::cout << toJson(report) << '\n';
        return;
    }
    for (const std::string &line : report.output)
        std::cout << line << '\n';
    for (const Mismatch &m : report.mismatches)
        std::cout << mismatchLine(m.address, m.expected, m.found) << '\n';
    if (report.config) {
        std::cout << "Fuse  EXPECTED-" << hex4(report.config->expected) << "  FOUND-"
                  << hex4(report.config->found) << '\n';
    }
    if (!quiet || report.status != Status::Ok) {
        for (const std::string &line : report.messages)
            std::cerr << line << '\n';
    }
    // The factory values an erase could not put back exist nowhere else.
    if (report.calibration && !report.calibration->restored) {
        for (const std::string &line : calibrationLines(*report.calibration))
            std::cerr << line << '\n';
    }
}

// Before each chip of a run: the first at once on a terminal, a line of
// input for each from a pipe; q or the end of input ends the run.
bool nextChip(std::size_t chips)
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    if (terminal && chips == 0)
        return true;
    if (terminal)
        std::cerr << "Put the next chip in the socket and press Enter (q to end)" << std::flush;
    std::string line;
    if (!std::getline(std::cin, line) || interruptsSeen() > 0)
        return false;
    return line != "q" && line != "Q";
}

// A chip of a run, one line: its number in the run, its serial, its result.
std::string chipLine(const Report &chip, std::size_t number)
{
    std::string line = "chip " + std::to_string(number);
    if (chip.serial)
        line += ": serial " + std::to_string(*chip.serial);
    line += ": " + resultName(chip.status);
    if (chip.exit() != 0)
        line += ", exit " + std::to_string(chip.exit());
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " (%.2f s)", chip.seconds);
    return line + seconds;
}

// A command that could not begin: its reason, as every other report is
// printed (one JSON object with --json).
int refuse(Status status, const std::string &why, bool json)
{
    Report report;
    report.status = status;
    report.messages.push_back("ravelin-cli: " + why);
    print(report, json, false);
    return report.exit();
}

int listRecord(const std::string &file, bool json, bool csv)
{
    std::string error;
    if (!std::filesystem::exists(file))
        return refuse(Status::FileError, "no production record " + file, json);
    const std::unique_ptr<record::ProductionRecord> record
        = record::ProductionRecord::open(file, error);
    if (!record)
        return refuse(Status::FileError, error, json);
    const std::vector<record::ChipRow> chips = record->chips(error);
    std::vector<record::ProductionRecord::LooseSerial> loose;
    if (error.empty())
        loose = record->looseSerials(error);
    if (!error.empty())
        return refuse(Status::FileError, error, json);
    if (json)
        std::cout << record::recordJson(chips, loose) << '\n';
    else if (csv)
        std::cout << record::recordCsv(chips);
    else
        std::cout << record::recordTable(chips, loose);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    CLI::App app {"ravelin-cli: program, verify, read and erase PIC12/PIC16 devices on the "
                  "USB programmer, or on the simulated one with --sim."};
    app.set_version_flag("--version", "ravelin-cli " RAVELIN_VERSION);
    app.require_subcommand(1, 1);
    app.fallthrough();

    Options options;
    bool sim = false;
    bool json = false;
    bool quiet = false;
    int volts = 5;
    app.add_flag("--sim", sim, "use the simulated programmer (every ravelin-sim option applies)");
    bool virtualTime = false;
    app.add_flag("--virtual-time", virtualTime,
           "simulated time: sleeps and waits cost no real time (scripted runs)")
        ->group("Simulator (with --sim)");
    app.add_flag("--json", json, "print one JSON object on stdout");
    app.add_option("-p,--programmer", options.programmer,
           "the programmer's serial number, when several are attached (detect lists them)")
        ->type_name("SERIAL");
    app.add_flag("-q,--quiet", quiet, "no progress bar, no messages unless it failed");
    app.add_option("-V,--verify-volts", volts, "the verify supply, 3, 5 or 6 volts (V_Verify)")
        ->type_name("VOLTS")
        ->check(CLI::IsMember({3, 5, 6}));

    std::array<std::string, SimOptionCount> simValues;
    std::array<bool, SimOptionCount> simFlags {};
    for (std::size_t i = 0; i < SimOptionCount; ++i) {
        const SimOption &option = SimOptions[i];
        CLI::Option *added = option.value != nullptr
            ? app.add_option(option.name, simValues[i], option.help)->type_name(option.value)
            : app.add_flag(option.name, simFlags[i], option.help);
        added->group("Simulator (with --sim)");
    }

    std::string inLayout;
    std::string outLayout;
    std::string filter;
    std::string word;
    std::string config;
    std::string firmwareFile;
    const auto device = [&options](CLI::App *command) {
        command
            ->add_option(
                "-d,--device", options.device, "the device, as 16F628A, PIC16F84A, 12C508 ...")
            ->type_name("DEVICE")
            ->required();
    };

    CLI::App *devices = app.add_subcommand("devices",
        "list the devices (name, package, size, EEPROM bytes, erasable, jumper diagram)");
    devices->add_option("FILTER", filter, "only the devices whose name holds this")
        ->type_name("FILTER");
    CLI::App *jumpers
        = app.add_subcommand("jumpers", "print the device's socket and jumper drawing");
    device(jumpers);
    CLI::App *fuses = app.add_subcommand("fuses", "what a configuration word means on the device");
    device(fuses);
    fuses->add_option("WORD", word, "the configuration word, hex")->type_name("WORD")->required();
    CLI::App *detect = app.add_subcommand(
        "detect", "list the FTDI devices attached and which answer as a programmer");
    detect->add_flag("-v,--verbose", options.verbose,
        "add each programmer's USB id, latency timer and the round trip of ten requests");
    std::string calibration;
    int bandGap = -1;
    const auto idCheck = [&options](CLI::App *command) {
        command->add_flag(
            "--no-id-check", [&options](std::int64_t) { options.idCheck = false; },
            "do not read the chip's device ID first");
    };
    const auto writeBandGap = [&bandGap](CLI::App *command) {
        command
            ->add_option("--write-band-gap", bandGap,
                "write these band-gap bits (0 to 3) instead of the chip's (12F629/675)")
            ->type_name("BITS")
            ->check(CLI::Range(0, 3));
    };
    const auto writeCalibration = [&calibration](CLI::App *command) {
        command
            ->add_option("--write-calibration", calibration,
                "write this calibration word (hex) as the last program word")
            ->type_name("WORD");
    };
    CLI::App *identify = app.add_subcommand("identify",
        "read what the chip says of itself: device ID, IDs, configuration, calibration");
    device(identify);
    CLI::App *blank = app.add_subcommand("blank", "check that the device is blank");
    device(blank);
    idCheck(blank);
    CLI::App *erase = app.add_subcommand("erase", "erase a flash device and check it is blank");
    device(erase);
    idCheck(erase);
    writeBandGap(erase);
    CLI::App *read = app.add_subcommand(
        "read", "read program memory, ID words, configuration word and data EEPROM into a file");
    device(read);
    idCheck(read);
    read->add_option("-o,--output", options.output, "the file (.hex or .bin)")
        ->type_name("FILE")
        ->required();
    read->add_option(
            "--layout", outLayout, "Intel HEX layout written: microchip (default) or native")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"microchip", "native"}));
    CLI::App *program
        = app.add_subcommand("program", "erase, program and verify the device from a file");
    device(program);
    idCheck(program);
    writeCalibration(program);
    writeBandGap(program);
    program->add_option("-i,--input", options.input, "the file (.hex or .bin)")
        ->type_name("FILE")
        ->required();
    program->add_option("--config", config, "the configuration word, hex (else the file's)")
        ->type_name("WORD");
    program->add_flag(
        "--no-erase", [&options](std::int64_t) { options.erase = false; }, "do not erase first");
    program->add_flag(
        "--no-eeprom", [&options](std::int64_t) { options.eeprom = false; },
        "leave the data EEPROM alone");
    program->add_flag(
        "--no-verify", [&options](std::int64_t) { options.verify = false; },
        "do not verify afterwards");
    program
        ->add_option("--layout", inLayout,
            "Intel HEX layout read: microchip or native (default: recognised)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"microchip", "native"}));
    bool repeat = false;
    std::string serialPlace;
    std::optional<std::uint64_t> serialStart;
    program
        ->add_flag("--repeat", repeat,
            "program chip after chip: Enter (a line of input) for the next, q or the end ends")
        ->group("Production");
    program
        ->add_option("--serial", serialPlace,
            "a number of its own in each chip: eeprom:OFFSET[:BYTES], program:ADDRESS[:BYTES] "
            "(RETLW) or id; hex OFFSET and ADDRESS, BYTES 1 to 4 (default 2)")
        ->type_name("WHERE")
        ->group("Production");
    program->add_option("--serial-start", serialStart, "the first number of the series (default 1)")
        ->type_name("N")
        ->group("Production");
    program
        ->add_option("--record", options.record,
            "the production record (SQLite): a row for every chip, the serial series")
        ->type_name("FILE")
        ->group("Production");
    CLI::App *verify = app.add_subcommand("verify", "compare the device with a file");
    device(verify);
    idCheck(verify);
    writeCalibration(verify);
    verify->add_flag(
        "--no-eeprom", [&options](std::int64_t) { options.eeprom = false; },
        "do not compare the data EEPROM");
    verify->add_option("-i,--input", options.input, "the file (.hex or .bin)")
        ->type_name("FILE")
        ->required();
    verify->add_option("--config", config, "the configuration word, hex (else the file's)")
        ->type_name("WORD");
    verify
        ->add_option("--layout", inLayout,
            "Intel HEX layout read: microchip or native (default: recognised)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"microchip", "native"}));
    CLI::App *convert = app.add_subcommand(
        "convert", "convert between the two Intel HEX layouts and the binary file");
    device(convert);
    convert->add_option("IN", options.input, "the file read")->type_name("FILE")->required();
    convert->add_option("OUT", options.output, "the file written")->type_name("FILE")->required();
    convert->add_option("--config", config, "the configuration word, hex (else the file's)")
        ->type_name("WORD");
    convert
        ->add_option("--from", inLayout, "layout of IN: microchip or native (default: recognised)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"microchip", "native"}));
    convert->add_option("--to", outLayout, "layout of OUT: microchip (default) or native")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"microchip", "native"}));
    CLI::App *recordCommand
        = app.add_subcommand("record", "print a production record: every chip, every number");
    std::string recordFile;
    bool csv = false;
    recordCommand->add_option("FILE", recordFile, "the record")->type_name("FILE")->required();
    recordCommand->add_flag("--csv", csv, "comma-separated values with a header row");
    CLI::App *update
        = app.add_subcommand("update-firmware", "send a firmware update file to the programmer");
    update->add_option("FILE", firmwareFile, "the update file")->type_name("FILE")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        // --json asks for one object on every path, a command line the
        // parser refused included.
        const bool wantsJson = std::any_of(argv + 1, argv + argc,
            [](const char *word) { return std::strcmp(word, "--json") == 0; });
        if (!wantsJson || error.get_exit_code() == 0) {
            const int code = app.exit(error);
            return code == 0 ? 0 : exitStatus(Status::Usage, 0);
        }
        return refuse(Status::Usage, error.what(), true);
    }
    const auto usageError
        = [json](const std::string &why) { return refuse(Status::Usage, why, json); };

    if (!config.empty()) {
        options.config = hexWord(config);
        if (!options.config)
            return usageError("--config needs a hex word: " + config);
    }
    if (!calibration.empty()) {
        options.writeCalibration = hexWord(calibration);
        if (!options.writeCalibration)
            return usageError("--write-calibration needs a hex word: " + calibration);
    }
    if (!serialPlace.empty()) {
        std::string error;
        options.serial = parseSerialPlace(serialPlace, error);
        if (!options.serial)
            return usageError(error);
        if (options.record.empty())
            return usageError("--serial needs --record FILE: the record keeps the series");
        if (options.serial->area == SerialArea::Eeprom && !options.eeprom)
            return usageError(
                "--serial " + serialPlace + " writes the data EEPROM: not with --no-eeprom");
    }
    if (serialStart) {
        if (!options.serial)
            return usageError("--serial-start needs --serial");
        options.serialStart = *serialStart;
    }
    if (recordCommand->parsed())
        return listRecord(recordFile, json, csv);
    if (bandGap >= 0)
        options.writeBandGap = static_cast<std::uint16_t>(bandGap);
    options.inLayout = layoutNamed(inLayout);
    options.outLayout = layoutNamed(outLayout).value_or(Layout::Microchip);
    options.verifyVolts = volts;
    options.progress = !quiet && ::isatty(STDERR_FILENO) == 1;

    std::vector<std::string> simArguments;
    for (std::size_t i = 0; i < SimOptionCount; ++i) {
        if (app.count(SimOptions[i].name) == 0)
            continue;
        simArguments.emplace_back(SimOptions[i].name);
        if (SimOptions[i].value != nullptr)
            simArguments.push_back(simValues[i]);
    }
    if (!sim && virtualTime)
        simArguments.insert(simArguments.begin(), "--virtual-time");
    options.virtualTime = virtualTime;
    if (!sim && !simArguments.empty())
        return usageError(simArguments.front() + " needs --sim");

    std::optional<sim::SimCommandLine> simLine;
    sim::SimSocket socket;
    std::ofstream trace;
    if (sim) {
        const sim::SimCommandLineResult parsed = sim::parseSimCommandLine(simArguments);
        if (!parsed.options)
            return usageError(parsed.error);
        simLine = parsed.options;
        socket = sim::buildSocket(*simLine);
        if (!socket.error.empty())
            return refuse(Status::FileError, socket.error, json);
        if (simLine->traceFile) {
            trace.open(*simLine->traceFile, std::ios::out | std::ios::app);
            if (!trace)
                return refuse(
                    Status::FileError, "cannot open the trace file " + *simLine->traceFile, json);
        }
    }
#ifndef RAVELIN_CLI_WITH_FTDI
    if (!sim)
        return refuse(Status::NoProgrammer, "built without the USB programmer: use --sim", json);
#endif

    sim::SimProgrammer *simProgrammer = nullptr;
    const Console::TransportFactory makeTransport
        = [&](Clock &clock) -> std::unique_ptr<Transport> {
        if (simLine) {
            auto programmer
                = std::make_unique<sim::SimProgrammer>(clock, simLine->programmer, socket.target());
            if (trace.is_open()) {
                programmer->setTraceSink([&trace](std::string_view line) {
                    trace << line << '\n';
                    trace.flush();
                });
            }
            simProgrammer = programmer.get();
            return programmer;
        }
#ifdef RAVELIN_CLI_WITH_FTDI
        return std::make_unique<FtdiTransport>();
#else
        return nullptr;
#endif
    };

    const auto started = std::chrono::steady_clock::now();
    installInterruptHandler();
    Report report;
    {
        Console console(makeTransport, options);
        if (simProgrammer)
            console.host().setWakeSource(
                [simProgrammer] { return simProgrammer->nextArrivalUs(); });
        if (devices->parsed())
            report = console.devices(filter);
        else if (jumpers->parsed())
            report = console.jumpers();
        else if (fuses->parsed()) {
            const std::optional<std::uint16_t> value = hexWord(word);
            if (!value)
                return refuse(Status::Usage, "WORD needs a hex word: " + word, json);
            report = console.fuses(*value);
        } else if (detect->parsed())
            report = console.detect();
        else if (identify->parsed())
            report = console.identify();
        else if (blank->parsed())
            report = console.blank();
        else if (erase->parsed())
            report = console.erase();
        else if (read->parsed())
            report = console.read();
        else if (program->parsed() && repeat) {
            const auto next = [&](std::size_t chips) {
                if (!nextChip(chips))
                    return false;
                // A fresh chip in the simulated socket for every chip after the first.
                if (simLine && chips > 0) {
                    if (const std::string error = sim::renew(socket, *simLine); !error.empty()) {
                        std::cerr << "ravelin-cli: " << error << '\n';
                        return false;
                    }
                }
                return true;
            };
            std::size_t chipsDone = 0;
            const auto done = [&](const Report &chip) {
                if (!json) {
                    print(chip, false, quiet);
                    std::cout << chipLine(chip, ++chipsDone) << std::endl;
                }
            };
            report = console.programRun(next, done);
        } else if (program->parsed())
            report = console.program();
        else if (verify->parsed())
            report = console.verify();
        else if (convert->parsed())
            report = console.convert();
        else if (update->parsed())
            report = console.updateFirmware(firmwareFile);
    }
    // A stop is what the user asked for, whatever it cut short (a file read
    // that a signal interrupted among them).
    if (interruptsSeen() > 0) {
        report.status = Status::Stopped;
        report.signal = interruptSignal();
    }

    // What the program left in the simulated chip, for --save.
    if (simLine) {
        if (const std::string error = sim::saveSocket(socket, *simLine); !error.empty()) {
            report.messages.push_back("--save: " + error);
            report.fail(Status::FileError);
        }
    }
    report.seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    print(report, json, quiet);
    return report.exit();
}
