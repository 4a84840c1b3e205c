#include "cli/Console.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "buffer/BufferCommands.h"
#include "buffer/BufferFiles.h"
#include "cli/ImageFiles.h"
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"
#include "devices/ConfigLayouts.h"
#include "devices/DeviceIds.h"
#include "devices/DeviceNames.h"
#include "devices/JumperDiagrams.h"
#include "devices/Selection.h"
#include "link/D2XXUnit.h"
#include "link/Discovery.h"
#include "link/FirmwareUpdate.h"
#include "link/PacketExchange.h"
#include "operations/BlankCheck.h"
#include "operations/DataEeprom.h"
#include "operations/Erase.h"
#include "operations/Identity.h"
#include "operations/Outcome.h"
#include "operations/Program.h"
#include "operations/ReadDevice.h"
#include "operations/Verify.h"
#include "record/ProductionRecord.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace ravelin::cli {
namespace {

int eepromBytes(int eeSizeCode)
{
    return eeSizeCode == 0 ? 0 : 32 << eeSizeCode;
}

std::string packageOf(std::string_view listText)
{
    const std::size_t open = listText.find('(');
    const std::size_t close = listText.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos)
        return {};
    return std::string(listText.substr(open + 1, close - open - 1));
}

std::string sizeOf(std::string_view listText)
{
    std::string_view size = listText.substr(listText.find(')') + 1);
    while (!size.empty() && size.front() == ' ')
        size.remove_prefix(1);
    std::string text(size);
    std::replace(text.begin(), text.end(), 'X', 'x');
    return text;
}

void (*const VerifyProgram)(Core &) = Verify_EpromClick;
void (*const VerifyEeprom)(Core &) = Verify_EEClick;

void readBlocks(Core &core)
{
    Move_EpromClick(core, ProgramReading::Blocks);
}

void identityOnly(Core &core)
{
    ReadChipIdentity(core, false);
}

void identityWithCalibration(Core &core)
{
    ReadChipIdentity(core, true);
}

// A part by its list caption, as its own name: the 16F84/A row's chip that
// shows an ID is a 16F84A.
std::string partName(std::size_t row)
{
    std::string name(captionOfRow(row));
    name.erase(std::remove(name.begin(), name.end(), '/'), name.end());
    return name;
}

// "16F628A revision 3 (device ID 1063)"
std::string chipName(std::size_t row, std::uint16_t word)
{
    return partName(row) + " revision " + std::to_string(word & RevisionMask) + " (device ID "
        + hex4(word) + ")";
}

std::string chipNamed(const IdVerdict &verdict, std::uint16_t word)
{
    if (verdict.otherRow)
        return "a " + partName(*verdict.otherRow) + " (device ID " + hex4(word) + ")";
    return "a chip of device ID " + hex4(word) + " (not a chip of the device list)";
}

std::string noChipLine(const std::string &device)
{
    return "no chip answers in the socket: check the chip's orientation, the socket and the "
           "jumpers (`ravelin-cli jumpers -d "
        + device + "`)";
}

std::string serialsOf(const std::vector<BusDevice> &bus)
{
    std::string list;
    for (const BusDevice &device : bus)
        list += (list.empty() ? "" : ", ") + (device.serial.empty() ? "(none)" : device.serial);
    return list;
}

// Why the programmer asked for by its serial number cannot be used, or empty.
std::string notAttached(const std::string &serial, const std::vector<BusDevice> &bus)
{
    const bool attached = std::any_of(bus.begin(), bus.end(),
        [&serial](const BusDevice &device) { return device.serial == serial; });
    if (serial.empty() || attached)
        return {};
    return "ravelin-cli: no device with serial number " + serial + " is attached"
        + (bus.empty() ? std::string() : " (attached: " + serialsOf(bus) + ")");
}

std::string milliseconds(std::uint64_t us)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(us) / 1000.0);
    return text;
}

// One device of detect's list, in columns.
std::string deviceLine(const DetectedDevice &device)
{
    char text[160];
    std::snprintf(text, sizeof text, "%u  %-10s  %-26s  %s", device.index,
        device.serial.empty() ? "(none)" : device.serial.c_str(), device.description.c_str(),
        device.firmware ? ("programmer, firmware " + *device.firmware).c_str()
                        : "no programmer answers");
    return text;
}

} // namespace

Console::Console(const TransportFactory &makeTransport, Options options)
    : m_options(std::move(options))
    , m_host(m_ui, m_options.virtualTime)
    , m_transport(makeTransport(m_host))
    , m_form(m_ui, m_state, m_host, *m_transport)
{
    m_host.setTimerHandler([this] { m_form.Timer1Timer(); });
    m_host.setStopHandler([this] { m_form.click(ControlId::Quit_Add); });
    if (m_options.progress)
        m_progress = std::make_unique<ProgressLine>(m_ui, m_state, stderr);
    m_form.FormCreate();
    // The supply the verify runs at: items 3, 5 and 6 volts.
    m_ui.setItemIndex(ControlId::V_Verify,
        m_options.verifyVolts == 3       ? 0
            : m_options.verifyVolts == 6 ? 2
                                         : 1);
    // The one question a command can meet is the search's offer of a firmware
    // update: only update-firmware updates, so it is answered No.
}

Console::~Console() = default;

void Console::begin(Report &report, const std::string &command)
{
    report.command = command;
    m_startUs = m_host.nowUs();
}

// The command's last status line, said once, at the end.
void Console::finish(Report &report, const std::string &status)
{
    report.statusText = status;
    report.messages.push_back(status);
}

bool Console::chooseDevice(Report &report)
{
    const DeviceMatch match = matchDevice(m_options.device);
    if (match.row < 0) {
        std::string text = "unknown device " + m_options.device;
        if (!match.candidates.empty()) {
            text += "; did you mean";
            for (std::size_t row : match.candidates)
                text += " " + std::string(captionOfRow(row));
        }
        report.messages.push_back(text);
        report.fail(Status::Usage);
        return false;
    }
    report.device = std::string(captionOfRow(static_cast<std::size_t>(match.row)));
    Device_BoxClick(core(), match.row);
    return checkOptions(report);
}

// Values the chip's word cannot hold are refused before anything is sent: a
// masked configuration word could turn code protection on for good.
bool Console::checkOptions(Report &report)
{
    const DeviceState &device = m_state.device;
    const auto refuse = [&](const std::string &why) {
        report.messages.push_back(why);
        report.fail(Status::Usage);
        return false;
    };
    const std::string width = device.WordMask == 0x0FFF ? "12-bit" : "14-bit";
    if (m_options.config && (*m_options.config & ~device.WordMask) != 0) {
        return refuse("--config " + hex4(*m_options.config) + " has bits outside the "
            + report.device + "'s " + width + " configuration word (" + hex4(device.WordMask)
            + ")");
    }
    const FactoryCalibration calibration = factoryCalibrationOf(device.FamilyCode);
    if (m_options.writeCalibration) {
        if (!calibration.lastWord)
            return refuse("the " + report.device + " has no calibration word to write");
        if ((*m_options.writeCalibration & ~device.WordMask) != 0)
            return refuse("--write-calibration " + hex4(*m_options.writeCalibration)
                + " has bits outside the " + report.device + "'s " + width + " word");
    }
    if (m_options.writeBandGap) {
        if (calibration.configBits == 0)
            return refuse("the " + report.device + " has no band-gap bits to write");
        if (*m_options.writeBandGap > 3)
            return refuse("--write-band-gap takes 0 to 3");
    }
    return true;
}

void Console::takeMemoLines(Report &report)
{
    for (const std::string &line : m_ui[ControlId::Memo1].lines)
        report.messages.push_back(line);
}

bool Console::findProgrammer(Report &report)
{
    const std::size_t boxes = m_host.boxTexts.size();
    const std::vector<BusDevice> bus = ListBusDevices(core());
    for (std::size_t i = boxes; i < m_host.boxTexts.size(); ++i)
        report.messages.push_back(m_host.boxTexts[i]);
    // With several devices attached the one to use is the user's choice.
    if (m_options.programmer.empty() && bus.size() > 1) {
        report.messages.push_back("ravelin-cli: " + std::to_string(bus.size())
            + " FTDI devices are attached, serial numbers " + serialsOf(bus)
            + ": name the programmer with --programmer SERIAL");
        report.fail(Status::NoProgrammer);
        return false;
    }
    if (const std::string missing = notAttached(m_options.programmer, bus); !missing.empty()) {
        report.messages.push_back(missing);
        report.fail(Status::NoProgrammer);
        return false;
    }
    m_state.link.wantedSerial = m_options.programmer;
    if (!searchProgrammer(report))
        return false;
    report.programmer = m_state.link.openSerial;
    return true;
}

bool Console::searchProgrammer(Report &report)
{
    // An end record of a file just loaded leaves a stop request, as it does
    // for the window's start-up: the search must not read at once.
    ResetProgrammer(core());
    m_state.activated = true;
    const std::size_t boxes = m_host.boxTexts.size();
    BusyStep(core());
    FindProgrammer(core());
    // A search whose own exchange failed found no programmer, whatever state
    // it left behind.
    const bool exchangeFailed = m_state.exchange.linkFailed;
    IdleStep(core());
    for (std::size_t i = boxes; i < m_host.boxTexts.size(); ++i)
        report.messages.push_back(m_host.boxTexts[i]);
    report.statusText = m_ui[ControlId::StaticText3].caption;
    if (m_state.ConnectionState == 2 && !exchangeFailed && !m_state.exchange.linkFailed)
        return true;
    if (m_state.ConnectionState == 2)
        takeMemoLines(report);
    report.fail(m_host.stopDelivered() ? Status::Stopped : Status::NoProgrammer);
    return false;
}

bool Console::loadFile(Report &report, const std::string &name)
{
    const ImageLoad loaded = loadImage(core(), name, {m_options.inLayout, m_options.eeprom});
    for (const std::vector<std::string> *lines : {&loaded.notes, &loaded.errors})
        report.messages.insert(report.messages.end(), lines->begin(), lines->end());
    if (!loaded.ok) {
        report.fail(Status::FileError);
        return false;
    }
    m_fileHasEeprom = loaded.hasEeprom;
    m_fileHasConfig = loaded.hasConfig;
    return true;
}

bool Console::needConfigWord(Report &report)
{
    if (m_options.config) {
        m_state.device.ConfigWord = *m_options.config;
        ShowConfigWord(core());
        return true;
    }
    if (m_fileHasConfig)
        return true;
    report.messages.push_back("no configuration word in " + m_options.input + ": give --config");
    report.fail(Status::Usage);
    return false;
}

bool Console::saveFile(Report &report, const std::string &name)
{
    // A read takes the chip's word; a file passes on only a word it gave.
    const bool haveConfig = m_options.config || m_fileHasConfig || m_options.input.empty();
    const std::optional<std::uint16_t> config
        = haveConfig ? std::optional(m_state.device.ConfigWord) : std::nullopt;
    const ImageSave saved = saveImage(core(), name, m_options.outLayout, config);
    for (const std::vector<std::string> *lines : {&saved.notes, &saved.errors})
        report.messages.insert(report.messages.end(), lines->begin(), lines->end());
    if (saved.ok)
        return true;
    report.fail(Status::FileError);
    return false;
}

bool Console::runStep(Report &report, void (*routine)(Core &))
{
    const std::size_t boxes = m_host.boxTexts.size();
    m_ui.clearLines(ControlId::Memo1);
    m_ui.setCaption(ControlId::StaticText3, "");
    routine(core());
    if (m_progress)
        m_progress->clear();
    const std::string &status = m_ui[ControlId::StaticText3].caption;
    for (std::size_t i = boxes; i < m_host.boxTexts.size(); ++i) {
        if (m_host.boxTexts[i] != status)
            report.messages.push_back(m_host.boxTexts[i]);
    }
    if (!status.empty())
        report.statusText = status;
    if (const std::optional<CalibrationKept> &kept = result().calibration)
        report.calibration = kept;
    if (m_state.exchange.linkFailed || result().outcome == Outcome::LinkFailed) {
        takeMemoLines(report);
        report.messages.push_back(status);
        report.fail(Status::LinkLost);
        return false;
    }
    if (m_host.stopDelivered() || result().outcome == Outcome::Stopped) {
        report.messages.push_back(status);
        report.fail(Status::Stopped);
        return false;
    }
    return true;
}

bool Console::protectedChip(std::optional<std::uint16_t> config) const
{
    const ConfigLayout *layout = layoutOf(m_state.device.FamilyCode);
    if (!config || !layout)
        return false;
    const std::uint16_t bits = layout->protectOffMask;
    return (*config & bits) != bits;
}

bool Console::verifyTwice(Report &report, void (*routine)(Core &))
{
    if (!runStep(report, routine))
        return false;
    const CommandResult first = result();
    if (first.outcome == Outcome::Done)
        return true;
    // A protected chip reads its program memory as 0000 or scrambled: a list
    // of every word would only bury the reason.
    if (routine == VerifyProgram && protectedChip(first.configRead)) {
        report.messages.push_back("the chip is code protected: its memory cannot be read back");
        report.fail(Status::ChipFailed);
        return false;
    }
    // A word misread once (a poor contact) is not a chip that failed: only a
    // word that reads wrong twice is reported.
    if (!runStep(report, routine))
        return false;
    const CommandResult &second = result();
    std::vector<std::uint16_t> once;
    const auto in = [](const std::vector<Mismatch> &list, std::uint16_t address) {
        return std::any_of(list.begin(), list.end(),
            [address](const Mismatch &m) { return m.address == address; });
    };
    for (const Mismatch &m : first.mismatches) {
        if (in(second.mismatches, m.address))
            report.mismatches.push_back(m);
        else
            once.push_back(m.address);
    }
    for (const Mismatch &m : second.mismatches) {
        if (!in(first.mismatches, m.address))
            once.push_back(m.address);
    }
    if (first.config && second.config)
        report.config = second.config;
    if (!once.empty()) {
        std::sort(once.begin(), once.end());
        std::string line = "read wrong once, right the other time:";
        for (std::uint16_t address : once)
            line += " " + hex4(address);
        report.messages.push_back(line);
    }
    if (report.mismatches.empty() && !report.config)
        return true;
    report.fail(Status::ChipFailed);
    return false;
}

bool Console::readIdentity(Report &report, bool withCalibration)
{
    const bool held = runStep(report, withCalibration ? identityWithCalibration : identityOnly);
    if (held && result().identity)
        report.identity = result().identity;
    return held && report.identity.has_value();
}

Report Console::devices(const std::string &filter)
{
    Report report;
    begin(report, "devices");
    std::string wanted;
    for (char c : filter)
        wanted += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (wanted.starts_with("PIC"))
        wanted.erase(0, 3);
    for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
        const CatalogueRow &entry = DeviceCatalogue[row];
        if (entry.isSeparator())
            continue;
        const std::vector<std::string> names = namesOfRow(row);
        if (!wanted.empty()
            && std::none_of(names.begin(), names.end(),
                [&wanted](const std::string &n) { return n.find(wanted) != std::string::npos; }))
            continue;
        char line[160];
        std::snprintf(line, sizeof line, "%-10s %-20s %-9s %3d  %-8s %s",
            std::string(entry.caption).c_str(), packageOf(entry.listText).c_str(),
            sizeOf(entry.listText).c_str(), eepromBytes(entry.eeSizeCode),
            entry.erase == Erase::Erasable ? "erasable" : "-",
            std::string(controlInfo(entry.diagram).name).c_str());
        report.output.emplace_back(line);
    }
    if (report.output.empty()) {
        report.messages.push_back("no device matches " + filter);
        report.fail(Status::Usage);
    }
    return report;
}

Report Console::jumpers()
{
    Report report;
    begin(report, "jumpers");
    if (!chooseDevice(report))
        return report;
    const CatalogueRow &entry
        = DeviceCatalogue[static_cast<std::size_t>(m_state.device.selectedRow)];
    report.output.push_back(std::string(entry.listText));
    for (std::string_view line : jumperDrawing(entry.diagram))
        report.output.emplace_back(line);
    return report;
}

Report Console::fuses(std::uint16_t word)
{
    Report report;
    begin(report, "fuses");
    if (!chooseDevice(report))
        return report;
    m_state.device.ConfigWord = word;
    ShowConfigWord(core());
    report.output.push_back(m_ui[ControlId::Fuse_Data].caption);
    const EditorPanel panel = readPanel(m_ui);
    for (std::size_t i = 0; i < FuseBoxes.size(); ++i) {
        if (panel.boxes[i].enabled) {
            report.output.push_back("[" + std::string(panel.boxes[i].checked ? "x" : " ") + "] "
                + m_ui[FuseBoxes[i]].caption);
        }
    }
    for (std::size_t i = 0; i < OscRadios.size(); ++i) {
        if (panel.radios[i].enabled) {
            report.output.push_back("(" + std::string(panel.radios[i].checked ? "*" : " ") + ") "
                + m_ui[OscRadios[i]].caption);
        }
    }
    for (const BrownOutGroup group : {BrownOutGroup::Borv1, BrownOutGroup::Borv2}) {
        const EditorPanel::Group &shown = panel.group(group);
        const ControlId id = group == BrownOutGroup::Borv1 ? ControlId::BORV1 : ControlId::BORV2;
        const std::vector<std::string> &items = m_ui[id].items;
        if (shown.visible && shown.item >= 0 && static_cast<std::size_t>(shown.item) < items.size())
            report.output.push_back(
                m_ui[id].caption + " " + items[static_cast<std::size_t>(shown.item)]);
    }
    return report;
}

Report Console::detect()
{
    Report report;
    begin(report, "detect");
    const std::vector<BusDevice> bus = ListBusDevices(core());
    if (bus.empty()) {
        report.messages.push_back("ravelin-cli: no FTDI device is attached");
        report.fail(Status::NoProgrammer);
        return report;
    }
    if (const std::string missing = notAttached(m_options.programmer, bus); !missing.empty())
        report.messages.push_back(missing);
    // Every device is asked for its firmware version, unless the user named one.
    std::size_t answered = 0;
    for (const BusDevice &device : bus) {
        DetectedDevice &seen = report.bus.emplace_back(
            DetectedDevice {device.index, device.serial, device.description, {}, {}, {}, {}});
        if (!m_options.programmer.empty() && device.serial != m_options.programmer)
            continue;
        Report probe;
        m_state.link.wantedSerial = bus.size() > 1 ? device.serial : std::string();
        if (searchProgrammer(probe)) {
            ++answered;
            seen.firmware = firmwareVersionText(m_state.FirmwareVersion);
            report.statusText = probe.statusText;
            report.programmer = device.serial;
            if (m_options.verbose)
                diagnose(seen);
        }
        if (m_host.stopDelivered())
            break;
    }
    for (const DetectedDevice &seen : report.bus) {
        report.output.push_back(deviceLine(seen));
        if (seen.usbId) {
            report.output.push_back("   USB id " + usbIdText(*seen.usbId));
        }
        if (seen.latencyMs)
            report.output.push_back("   latency timer " + std::to_string(*seen.latencyMs) + " ms");
        if (!seen.roundTripsUs.empty()) {
            std::vector<std::uint64_t> trips = seen.roundTripsUs;
            std::sort(trips.begin(), trips.end());
            report.output.push_back("   round trip of " + std::to_string(trips.size())
                + " version requests: min " + milliseconds(trips.front()) + " ms, median "
                + milliseconds(trips[trips.size() / 2]) + " ms, max " + milliseconds(trips.back())
                + " ms");
        }
    }
    if (m_host.stopDelivered())
        report.fail(Status::Stopped);
    else if (answered == 0)
        report.fail(Status::NoProgrammer);
    else if (answered > 1)
        report.statusText = std::to_string(answered) + " programmers found";
    if (answered > 0)
        report.output.push_back(report.statusText);
    return report;
}

void Console::diagnose(DetectedDevice &device)
{
    std::uint32_t id = 0;
    if (GetDeviceId(core(), id) == ft::Ok)
        device.usbId = id;
    std::uint8_t latency = 0;
    if (GetLatencyTimer(core(), latency) == ft::Ok)
        device.latencyMs = latency;
    BusyStep(core());
    device.roundTripsUs = VersionRoundTrips(core(), 10);
    IdleStep(core());
}

// The chip in the socket is the device named: checked first by every chip
// command. Parts without a device ID are never checked.
bool Console::checkChip(Report &report)
{
    const auto row = static_cast<std::size_t>(m_state.device.selectedRow);
    if (!m_options.idCheck || !deviceIdOfRow(row))
        return true;
    if (!readIdentity(report, false))
        return false;
    const std::optional<std::uint16_t> word = report.identity->deviceId;
    const IdVerdict verdict = checkDeviceId(row, word);
    if (verdict.matches)
        return true;
    if (verdict.noChip) {
        report.messages.push_back(noChipLine(report.device));
        report.fail(Status::NoChip);
        return false;
    }
    report.messages.push_back(
        "the socket holds " + chipNamed(verdict, *word) + ", not the " + report.device);
    report.messages.push_back("(--no-id-check skips this check)");
    report.fail(Status::WrongChip);
    return false;
}

Report Console::identify()
{
    Report report;
    begin(report, "identify");
    if (!chooseDevice(report) || !findProgrammer(report) || !readIdentity(report, true))
        return report;
    const ChipIdentity &chip = *report.identity;
    const auto row = static_cast<std::size_t>(m_state.device.selectedRow);
    const IdVerdict verdict = checkDeviceId(row, chip.deviceId);
    if (!verdict.known) {
        report.output.push_back("the " + report.device + " has no device ID");
    } else if (verdict.noChip && verdict.matches) {
        report.output.push_back("no device ID: a 16F84, or no chip in the socket");
    } else if (!verdict.noChip) {
        std::string line = chipName(verdict.otherRow.value_or(row), *chip.deviceId);
        if (!verdict.matches && !verdict.otherRow)
            line = "device ID " + hex4(*chip.deviceId) + ": not a chip of the device list";
        report.output.push_back(line);
    }
    std::string ids = "ID words";
    for (std::uint16_t id : chip.ids)
        ids += " " + hex4(id);
    report.output.push_back(ids);
    report.output.push_back("configuration word " + hex4(chip.config));
    if (chip.calibration)
        report.output.push_back("calibration word " + hex4(*chip.calibration));
    if (chip.bandGap)
        report.output.push_back("band-gap bits " + std::to_string(*chip.bandGap));
    if (verdict.known && verdict.noChip && !verdict.matches) {
        report.messages.push_back(noChipLine(report.device));
        report.fail(Status::NoChip);
    } else if (!verdict.matches) {
        report.messages.push_back("not the " + report.device);
        report.fail(Status::WrongChip);
    }
    return report;
}

Report Console::blank()
{
    Report report;
    begin(report, "blank");
    if (!chooseDevice(report) || !findProgrammer(report) || !checkChip(report))
        return report;
    if (!runStep(report, Blank_ChkClick))
        return report;
    report.mismatches = result().mismatches;
    if (result().outcome != Outcome::Done)
        report.fail(Status::ChipFailed);
    finish(report, report.statusText);
    return report;
}

// The erase, then a blank check of what it covers: program memory and ID
// words, and the data EEPROM, which every erase of the list clears. A word
// that stayed is listed.
bool Console::eraseChip(Report &report)
{
    if (!runStep(report, Erase_ButClick))
        return false;
    if (result().outcome == Outcome::ChipFailed) {
        // The factory values the erase could not put back: the user's only copy.
        if (report.calibration) {
            for (const std::string &line : calibrationLines(*report.calibration))
                report.messages.push_back(line);
        }
        finish(report, report.statusText);
        report.fail(Status::ChipFailed);
        return false;
    }
    if (!runStep(report, Blank_ChkClick))
        return false;
    std::vector<Mismatch> stayed = result().mismatches;
    if (m_state.device.eeSizeCode > 0) {
        BufferWords &buffer = m_state.buffer.DeviceBuffer;
        const BufferWords kept = buffer;
        std::fill(buffer.begin() + 0x2000, buffer.begin() + m_state.device.LastEEAddress + 1,
            std::uint16_t {0x00FF});
        const bool held = runStep(report, VerifyEeprom);
        buffer = kept;
        if (!held)
            return false;
        stayed.insert(stayed.end(), result().mismatches.begin(), result().mismatches.end());
    }
    if (stayed.empty())
        return true;
    report.mismatches = stayed;
    report.messages.push_back(std::to_string(stayed.size()) + " words stayed after the erase");
    finish(report, "Device is NOT Erased...");
    report.fail(Status::ChipFailed);
    return false;
}

Report Console::erase()
{
    Report report;
    begin(report, "erase");
    if (!chooseDevice(report))
        return report;
    if (m_state.device.eraseFlag == 0) {
        report.messages.push_back(report.device + " cannot be erased by the programmer");
        report.fail(Status::Usage);
        return report;
    }
    m_state.op.bandGapGiven = m_options.writeBandGap;
    if (!findProgrammer(report) || !checkChip(report) || !eraseChip(report))
        return report;
    finish(report, "Device is Erased...");
    return report;
}

bool Console::runRead(Report &report)
{
    if (!runStep(report, readBlocks))
        return false;
    // A read checks itself: the replies carry no checksum, so the chip is
    // read once more (verify's block reads) and the two must agree.
    const bool checkCalibration = m_ui[ControlId::Cal_Byte].checked;
    m_ui.setChecked(ControlId::Cal_Byte, true);
    bool same = runStep(report, VerifyProgram);
    if (same && result().outcome != Outcome::Done) {
        report.mismatches = result().mismatches;
        report.config = result().config;
        same = false;
    }
    if (same && m_state.device.eeSizeCode > 0) {
        same = runStep(report, VerifyEeprom);
        if (same && result().outcome != Outcome::Done) {
            report.mismatches = result().mismatches;
            same = false;
        }
    }
    m_ui.setChecked(ControlId::Cal_Byte, checkCalibration);
    if (same)
        return true;
    if (report.status == Status::Ok) {
        finish(report, "the two reads of the chip differ: nothing written");
        report.fail(Status::ReadsDiffer);
    }
    return false;
}

Report Console::read()
{
    Report report;
    begin(report, "read");
    if (!chooseDevice(report) || !findProgrammer(report) || !checkChip(report) || !runRead(report))
        return report;
    if (saveFile(report, m_options.output))
        finish(report, "Device Has Been Moved to Buffer...");
    return report;
}

// --no-eeprom through an erase: the chip's data EEPROM is read first and
// written back after, and verified with the rest.
bool Console::keepDataEeprom(Report &report)
{
    const ConfigLayout *layout = layoutOf(m_state.device.FamilyCode);
    const std::uint16_t protect = layout ? dataProtectionBit(*layout) : 0;
    if (protect != 0) {
        if (!readIdentity(report, false))
            return false;
        if ((report.identity->config & protect) == 0) {
            report.messages.push_back("the chip's data EEPROM is protected: it cannot be read to "
                                      "keep it through the erase (nothing was erased)");
            report.fail(Status::ChipFailed);
            return false;
        }
    }
    if (!runStep(report, ReadDataEeprom))
        return false;
    if (result().outcome != Outcome::Done) {
        report.fail(Status::LinkLost);
        return false;
    }
    m_fileHasEeprom = true;
    return true;
}

namespace {

// The serial numbers given, as ranges: "1000 to 1004, 1006".
std::string numberRanges(std::vector<std::uint64_t> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]);
        if (j > i)
            text += (j == i + 1 ? ", " : " to ") + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

// A run passes only when every chip did; a fault of the run itself (its
// record, its series) keeps its own status.
void summariseRun(Report &run)
{
    std::size_t programmed = 0;
    std::vector<std::uint64_t> numbers;
    for (const Report &chip : run.chips) {
        if (chip.status == Status::Ok) {
            ++programmed;
            if (chip.serial)
                numbers.push_back(*chip.serial);
        }
    }
    for (const Report &chip : run.chips) {
        if (chip.status == Status::Stopped || chip.status == Status::Usage
            || chip.status == Status::FileError) {
            run.fail(chip.status);
            run.signal = chip.signal;
        }
    }
    if (programmed < run.chips.size())
        run.fail(Status::ChipFailed);
    std::string line = std::to_string(run.chips.size())
        + (run.chips.size() == 1 ? " chip: " : " chips: ") + std::to_string(programmed)
        + " programmed, " + std::to_string(run.chips.size() - programmed) + " failed";
    if (!numbers.empty())
        line += "; serial numbers " + numberRanges(numbers);
    run.output.push_back(line);
    run.statusText = line;
}

} // namespace

// What every chip of a program shares: the device, the image, the options
// checked, the record opened.
bool Console::prepareProgram(Report &report)
{
    if (!chooseDevice(report) || !loadFile(report, m_options.input) || !needConfigWord(report))
        return false;
    OperationState &op = m_state.op;
    if (m_options.writeCalibration) {
        m_state.buffer.DeviceBuffer[lastProgramWord(core())] = *m_options.writeCalibration;
        m_ui.setChecked(ControlId::Cal_Byte, true);
        op.calibrationGiven = true;
    }
    op.bandGapGiven = m_options.writeBandGap;
    // The 16F87xA's rows hear a stop between them, and its read-back takes
    // block reads: a console has no window to keep the timing of.
    op.style = {true, true};
    if (const std::optional<SerialPlace> &place = m_options.serial) {
        std::string fault = serialPlaceFault(core(), *place);
        if (fault.empty() && m_options.serialStart > lastSerialNumber(*place)) {
            fault = "--serial-start " + std::to_string(m_options.serialStart)
                + " does not fit --serial " + serialPlaceText(*place) + " (at most "
                + std::to_string(lastSerialNumber(*place)) + ")";
        }
        if (!fault.empty()) {
            report.messages.push_back("ravelin-cli: " + fault);
            report.fail(Status::Usage);
            return false;
        }
        // The number goes into the data EEPROM even when the file has none.
        if (place->area == SerialArea::Eeprom)
            m_fileHasEeprom = true;
    }
    if (!m_options.record.empty()) {
        std::string error;
        m_record = record::ProductionRecord::open(m_options.record, error);
        if (!m_record) {
            report.messages.push_back("ravelin-cli: " + error);
            report.fail(Status::FileError);
            return false;
        }
        std::ifstream file(m_options.input, std::ios::binary);
        const std::string bytes {std::istreambuf_iterator<char>(file), {}};
        m_inputSha256 = record::sha256Hex(bytes);
    }
    return true;
}

void Console::programChip(Report &report, const std::function<bool(Report &)> &stamp)
{
    const DeviceState &device = m_state.device;
    if (!findProgrammer(report) || !checkChip(report) || !stamp(report))
        return;
    const bool erase = device.eraseFlag != 0 && m_options.erase;
    const bool hasEeprom = device.eeSizeCode > 0;
    if (erase && hasEeprom && !m_options.eeprom && !keepDataEeprom(report))
        return;
    if (erase && !eraseChip(report))
        return;

    // Program and verify with the protection off: a protected chip reads back
    // nothing. The configuration word as given comes last, and alone.
    const std::uint16_t given = device.ConfigWord;
    const ConfigLayout *layout = layoutOf(device.FamilyCode);
    const std::uint16_t open = layout
        ? static_cast<std::uint16_t>((given | protectionBits(*layout)) & device.WordMask)
        : given;
    m_state.device.ConfigWord = open;
    const auto restoreGiven = [&] { m_state.device.ConfigWord = given; };
    if (!runStep(report, Program_EpromClick)) {
        restoreGiven();
        return;
    }
    // A step the chip failed: what it found, its status line, exit 1.
    const auto chipFailed = [&] {
        report.mismatches = result().mismatches;
        report.config = result().config;
        restoreGiven();
        finish(report, report.statusText);
        report.fail(Status::ChipFailed);
    };
    if (result().outcome != Outcome::Done)
        return chipFailed();
    const bool eeprom = m_fileHasEeprom && hasEeprom;
    if (eeprom) {
        if (!runStep(report, Prg_EEClick)) {
            restoreGiven();
            return;
        }
        if (result().outcome != Outcome::Done)
            return chipFailed();
    }
    if (m_options.verify
        && (!verifyTwice(report, VerifyProgram)
            || (eeprom && !verifyTwice(report, VerifyEeprom)))) {
        restoreGiven();
        if (report.status == Status::ChipFailed)
            finish(report, "Device Did NOT Verify to Buffer...");
        return;
    }
    restoreGiven();
    if (open != given) {
        if (!runStep(report, ProgramConfigurationWord))
            return;
        if (result().outcome != Outcome::Done) {
            report.config = result().config;
            finish(report, "Device DID NOT Program...");
            report.fail(Status::ChipFailed);
            return;
        }
    }
    finish(report, "Device is Programmed...");
}

std::string Console::recordChip(const Report &chip)
{
    record::ChipRow row;
    row.time = record::utcNow();
    row.host = record::hostName();
    row.programmer = chip.programmer;
    row.device = chip.device;
    const auto deviceRow = static_cast<std::size_t>(m_state.device.selectedRow);
    if (chip.identity && chip.identity->deviceId) {
        row.deviceId = chip.identity->deviceId;
        const IdVerdict verdict = checkDeviceId(deviceRow, row.deviceId);
        if (verdict.known && !verdict.noChip)
            row.revision = verdict.revision;
    }
    if (chip.calibration && chip.calibration->word)
        row.calibration = chip.calibration->word;
    else if (chip.identity && chip.identity->calibration)
        row.calibration = chip.identity->calibration;
    row.input = m_options.input;
    row.inputSha256 = m_inputSha256;
    row.checksum = bufferChecksum(m_state);
    row.serial = chip.serial;
    row.result = resultName(chip.status);
    row.exitStatus = chip.exit();
    row.seconds = chip.seconds;
    std::string error;
    m_record->addChip(row, error);
    return error;
}

Report Console::program()
{
    return programRun([](std::size_t chips) { return chips == 0; }, {});
}

Report Console::programRun(const ChipFeed &next, const ChipDone &done)
{
    Report run;
    begin(run, "program");
    const std::uint64_t runStartUs = m_startUs;
    if (!prepareProgram(run))
        return run;
    const BufferState image = m_state.buffer;
    // The file's notes are said with the first chip, before its own lines.
    std::vector<std::string> notes = std::move(run.messages);
    run.messages.clear();
    bool stopRun = false;
    for (std::size_t chips = 0; !stopRun && next(chips); ++chips) {
        Report chip;
        begin(chip, "program");
        chip.device = run.device;
        chip.messages = std::move(notes);
        notes.clear();
        // Every chip starts from the file's image: the last chip's number is gone.
        m_state.buffer = image;
        const auto stamp = [&](Report &report) {
            if (!m_options.serial)
                return true;
            std::string error;
            const std::optional<std::uint64_t> number = m_record->takeSerial(
                m_options.serialStart, lastSerialNumber(*m_options.serial), error);
            if (!number) {
                report.messages.push_back("ravelin-cli: " + error);
                report.fail(Status::Usage);
                stopRun = true;
                return false;
            }
            report.serial = number;
            writeSerialNumber(core(), *m_options.serial, *number);
            return true;
        };
        programChip(chip, stamp);
        if (interruptsSeen() > 0) {
            chip.status = Status::Ok;
            chip.fail(Status::Stopped);
            chip.signal = interruptSignal();
            stopRun = true;
        }
        chip.seconds = static_cast<double>(m_host.nowUs() - m_startUs) / 1e6;
        if (m_record) {
            if (const std::string error = recordChip(chip); !error.empty()) {
                chip.messages.push_back("ravelin-cli: " + error);
                chip.fail(Status::FileError);
                stopRun = true;
            }
        }
        if (done)
            done(chip);
        run.chips.push_back(std::move(chip));
    }
    m_startUs = runStartUs;
    if (!done && run.chips.size() == 1) {
        // The single program is its one chip.
        Report single = std::move(run.chips.front());
        return single;
    }
    summariseRun(run);
    return run;
}

Report Console::verify()
{
    Report report;
    begin(report, "verify");
    if (!chooseDevice(report) || !loadFile(report, m_options.input) || !needConfigWord(report))
        return report;
    if (m_options.writeCalibration) {
        m_state.buffer.DeviceBuffer[lastProgramWord(core())] = *m_options.writeCalibration;
        m_ui.setChecked(ControlId::Cal_Byte, true);
    }
    if (!findProgrammer(report) || !checkChip(report))
        return report;
    const bool eeprom = m_options.eeprom && m_fileHasEeprom && m_state.device.eeSizeCode > 0;
    if (!verifyTwice(report, VerifyProgram) || (eeprom && !verifyTwice(report, VerifyEeprom))) {
        if (report.status == Status::ChipFailed)
            finish(report, "Device Did NOT Verify to Buffer...");
        return report;
    }
    finish(report, "Device Verified to Buffer...");
    return report;
}

Report Console::convert()
{
    Report report;
    begin(report, "convert");
    if (!chooseDevice(report) || !loadFile(report, m_options.input))
        return report;
    if (m_options.config) {
        m_state.device.ConfigWord = *m_options.config;
        ShowConfigWord(core());
    }
    saveFile(report, m_options.output);
    return report;
}

Report Console::updateFirmware(const std::string &file)
{
    Report report;
    begin(report, "update-firmware");
    if (::access(file.c_str(), R_OK) != 0) {
        report.messages.push_back("cannot read " + file);
        report.fail(Status::FileError);
        return report;
    }
    if (!findProgrammer(report))
        return report;
    m_host.openAnswer = file;
    if (!runStep(report, UpdateFirmware))
        return report;
    takeMemoLines(report);
    const std::vector<std::string> &boxes = m_host.boxTexts;
    const auto shown = [&boxes](std::string_view text) {
        return std::any_of(boxes.begin(), boxes.end(),
            [text](const std::string &box) { return box.starts_with(text); });
    };
    if (shown("Invalid File Type")) {
        report.fail(Status::FileError);
    } else if (shown("Warning: Bad Update")) {
        report.statusText = "Warning: Bad Update...";
        report.fail(Status::ChipFailed);
    } else {
        report.statusText = "Good Update...";
    }
    return report;
}

} // namespace ravelin::cli
