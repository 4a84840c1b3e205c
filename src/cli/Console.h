#pragma once

#include "app/AppState.h"
#include "app/MainForm.h"
#include "app/WindowModel.h"
#include "cli/ConsoleHost.h"
#include "cli/ImageFiles.h"
#include "cli/Progress.h"
#include "cli/Report.h"
#include "link/Transport.h"
#include "operations/SerialNumber.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ravelin::record {
class ProductionRecord;
}

namespace ravelin::cli {

// What the command line chose, beyond the command itself.
struct Options
{
    std::string device; // as the user wrote it
    std::string input;
    std::string output;
    std::optional<Layout> inLayout; // empty: recognised from the file
    Layout outLayout = Layout::Microchip;
    std::optional<std::uint16_t> config;
    bool erase = true;
    bool eeprom = true;
    bool verify = true;
    int verifyVolts = 5; // V_Verify: 3, 5 or 6
    bool progress = false; // a bar on stderr
    bool virtualTime = false; // the simulator's time, not the wall clock's
    bool idCheck = true; // read the chip's device ID before a chip command
    // Factory values the user writes instead of keeping the chip's.
    std::optional<std::uint16_t> writeCalibration;
    std::optional<std::uint16_t> writeBandGap;
    std::string programmer; // the programmer's serial number, when several are attached
    bool verbose = false; // detect's diagnosis
    // A production run: each chip its own number, every chip in the record.
    std::optional<SerialPlace> serial;
    std::uint64_t serialStart = 1;
    std::string record; // the production record's file, empty for none
};

// The core on a window model nobody sees, driven by one command: the console
// counterpart of the Qt window's session.
class Console
{
public:
    // Asked before each chip of a run (the count programmed so far): false
    // ends the run. The single program asks nothing.
    using ChipFeed = std::function<bool(std::size_t chips)>;
    // Told each chip's report as soon as the chip is done.
    using ChipDone = std::function<void(const Report &chip)>;
    // The link is made on the console's clock (the simulator keeps its time).
    using TransportFactory = std::function<std::unique_ptr<Transport>(Clock &clock)>;
    Console(const TransportFactory &makeTransport, Options options);
    ~Console();
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    ConsoleHost &host() { return m_host; }
    Core &core() { return m_form.core(); }

    Report devices(const std::string &filter);
    Report jumpers();
    Report fuses(std::uint16_t word);
    Report detect();
    Report identify();
    Report blank();
    Report erase();
    Report read();
    Report program();
    // The whole program for each chip the feed brings, and a summary.
    Report programRun(const ChipFeed &next, const ChipDone &done);
    Report verify();
    Report convert();
    Report updateFirmware(const std::string &file);

private:
    // Each returns false when the command cannot go on; the report says why.
    bool chooseDevice(Report &report);
    bool checkOptions(Report &report);
    bool findProgrammer(Report &report);
    // The search for the programmer the link's wanted serial names.
    bool searchProgrammer(Report &report);
    void diagnose(DetectedDevice &device);
    bool loadFile(Report &report, const std::string &name);
    bool needConfigWord(Report &report);
    bool saveFile(Report &report, const std::string &name);
    // Runs one routine and takes its ending into the report; false when the
    // link failed or a stop was asked for. The routine's own result is then
    // in the operation state.
    bool runStep(Report &report, void (*routine)(Core &));
    const CommandResult &result() const { return m_state.op.result; }
    bool readIdentity(Report &report, bool withCalibration);
    bool checkChip(Report &report);
    bool runRead(Report &report);
    bool eraseChip(Report &report);
    bool keepDataEeprom(Report &report);
    // A verify whose mismatches are read a second time before they count.
    bool verifyTwice(Report &report, void (*routine)(Core &));
    bool protectedChip(std::optional<std::uint16_t> config) const;
    bool prepareProgram(Report &report);
    // One chip, from the search to the configuration word; stamp writes the
    // chip's own number into the image once the chip proved to be the one.
    void programChip(Report &report, const std::function<bool(Report &)> &stamp);
    // The chip's row in the record; why it could not be added, or empty.
    std::string recordChip(const Report &chip);
    void takeMemoLines(Report &report);
    void begin(Report &report, const std::string &command);
    void finish(Report &report, const std::string &status);

    Options m_options;
    WindowModel m_ui;
    AppState m_state;
    ConsoleHost m_host;
    std::unique_ptr<Transport> m_transport;
    MainForm m_form;
    std::unique_ptr<ProgressLine> m_progress;
    bool m_fileHasEeprom = false;
    bool m_fileHasConfig = false;
    std::uint64_t m_startUs = 0;
    std::unique_ptr<record::ProductionRecord> m_record;
    std::string m_inputSha256;
};

} // namespace ravelin::cli
