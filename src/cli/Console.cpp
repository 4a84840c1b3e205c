#include "cli/Console.h"

#include "app/Format.h"
#include "app/Steps.h"
#include "buffer/BufferFiles.h"
#include "cli/DeviceNames.h"
#include "cli/ImageFiles.h"
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"
#include "devices/JumperDiagrams.h"
#include "devices/Selection.h"
#include "link/Discovery.h"
#include "link/FirmwareUpdate.h"
#include "link/PacketExchange.h"
#include "operations/BlankCheck.h"
#include "operations/DataEeprom.h"
#include "operations/Erase.h"
#include "operations/Program.h"
#include "operations/ReadDevice.h"
#include "operations/Verify.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
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

// The status texts of a command that did not do what it was asked.
bool failedText(const std::string &status)
{
    return status.find("NOT") != std::string::npos
        || status.find("Bad Update") != std::string::npos;
}

void (*const VerifyProgram)(Core &) = Verify_EpromClick;
void (*const VerifyEeprom)(Core &) = Verify_EEClick;

void readBlocks(Core &core)
{
    Move_EpromClick(core, ProgramReading::Blocks);
}

} // namespace

std::optional<Mismatch> parseMismatchLine(const std::string &line)
{
    // "AAAA  EXPECTED-XXXX  FOUND-YYYY"
    if (line.size() != 31 || line.compare(4, 11, "  EXPECTED-") != 0
        || line.compare(19, 8, "  FOUND-") != 0)
        return std::nullopt;
    Mismatch m;
    const auto field = [&line](std::size_t at, std::uint16_t &value) {
        const char *first = line.data() + at;
        const auto [end, ec] = std::from_chars(first, first + 4, value, 16);
        return ec == std::errc() && end == first + 4;
    };
    if (!field(0, m.address) || !field(15, m.expected) || !field(27, m.found))
        return std::nullopt;
    return m;
}

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
    return true;
}

bool Console::findProgrammer(Report &report)
{
    // An end record of a file just loaded leaves a stop request, as it does
    // for the window's start-up: the search must not read at once.
    ResetProgrammer(core());
    m_state.activated = true;
    const std::size_t boxes = m_host.boxTexts.size();
    BusyStep(core());
    FindProgrammer(core());
    IdleStep(core());
    for (std::size_t i = boxes; i < m_host.boxTexts.size(); ++i)
        report.messages.push_back(m_host.boxTexts[i]);
    report.statusText = m_ui[ControlId::StaticText3].caption;
    if (m_state.ConnectionState == 2)
        return true;
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

void Console::harvestMemo(Report &report, bool keepMismatches)
{
    for (const std::string &line : m_ui[ControlId::Memo1].lines) {
        if (const std::optional<Mismatch> m = parseMismatchLine(line)) {
            if (keepMismatches)
                report.mismatches.push_back(*m);
        } else {
            report.messages.push_back(line);
        }
    }
    m_ui.clearLines(ControlId::Memo1);
}

bool Console::runStep(Report &report, void (*routine)(Core &))
{
    const std::size_t boxes = m_host.boxTexts.size();
    m_ui.clearLines(ControlId::Memo1);
    m_ui.setCaption(ControlId::StaticText3, "");
    routine(core());
    if (m_progress)
        m_progress->clear();
    for (std::size_t i = boxes; i < m_host.boxTexts.size(); ++i) {
        if (m_host.boxTexts[i] != m_ui[ControlId::StaticText3].caption)
            report.messages.push_back(m_host.boxTexts[i]);
    }
    const std::string &status = m_ui[ControlId::StaticText3].caption;
    if (!status.empty()) {
        report.statusText = status;
        report.messages.push_back(status);
    }
    if (m_state.exchange.linkFailed) {
        harvestMemo(report, false);
        report.fail(Status::NoProgrammer);
        return false;
    }
    if (m_host.stopDelivered()) {
        report.fail(Status::Stopped);
        return false;
    }
    return true;
}

bool Console::verifyTwice(Report &report, void (*routine)(Core &))
{
    if (!runStep(report, routine))
        return false;
    std::vector<Mismatch> first;
    std::vector<std::string> others;
    for (const std::string &line : m_ui[ControlId::Memo1].lines) {
        if (const std::optional<Mismatch> m = parseMismatchLine(line))
            first.push_back(*m);
        else
            others.push_back(line);
    }
    m_ui.clearLines(ControlId::Memo1);
    if (m_state.op.failureFlag == 0)
        return true;
    if (first.empty()) {
        // The configuration word ("Fuse Mis-Match"): read again as well.
        if (!runStep(report, routine))
            return false;
        if (m_state.op.failureFlag == 0)
            return true;
        harvestMemo(report, true);
        report.fail(Status::ChipFailed);
        return false;
    }
    // A word misread once (a poor contact) is not a chip that failed: only a
    // word that reads wrong twice is reported.
    if (!runStep(report, routine))
        return false;
    std::vector<Mismatch> second;
    for (const std::string &line : m_ui[ControlId::Memo1].lines) {
        if (const std::optional<Mismatch> m = parseMismatchLine(line))
            second.push_back(*m);
    }
    const bool otherAgain = m_state.op.failureFlag == 1 && !others.empty();
    m_ui.clearLines(ControlId::Memo1);
    for (const Mismatch &m : first) {
        const auto again = std::find_if(second.begin(), second.end(),
            [&m](const Mismatch &s) { return s.address == m.address; });
        if (again != second.end())
            report.mismatches.push_back(*again);
    }
    if (otherAgain)
        report.messages.insert(report.messages.end(), others.begin(), others.end());
    if (report.mismatches.empty() && !otherAgain) {
        report.statusText = m_ui[ControlId::StaticText3].caption;
        return true;
    }
    report.fail(Status::ChipFailed);
    return false;
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
    if (findProgrammer(report))
        report.output.push_back(report.statusText);
    return report;
}

Report Console::blank()
{
    Report report;
    begin(report, "blank");
    if (!chooseDevice(report) || !findProgrammer(report))
        return report;
    if (runStep(report, Blank_ChkClick)) {
        harvestMemo(report, true);
        if (m_state.op.failureFlag == 1)
            report.fail(Status::ChipFailed);
    }
    return report;
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
    if (!findProgrammer(report))
        return report;
    if (runStep(report, Erase_ButClick)) {
        harvestMemo(report, false);
        if (failedText(report.statusText))
            report.fail(Status::ChipFailed);
    }
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
    if (same && m_state.op.failureFlag == 1) {
        harvestMemo(report, true);
        same = false;
    }
    if (same && m_state.device.eeSizeCode > 0) {
        same = runStep(report, VerifyEeprom);
        if (same && m_state.op.failureFlag == 1) {
            harvestMemo(report, true);
            same = false;
        }
    }
    m_ui.setChecked(ControlId::Cal_Byte, checkCalibration);
    if (same)
        return true;
    if (report.status == Status::Ok) {
        report.statusText = "the two reads of the chip differ: nothing written";
        report.messages.push_back(report.statusText);
        report.fail(Status::NoProgrammer);
    }
    return false;
}

Report Console::read()
{
    Report report;
    begin(report, "read");
    if (!chooseDevice(report) || !findProgrammer(report) || !runRead(report))
        return report;
    report.statusText = "Device Has Been Moved to Buffer...";
    saveFile(report, m_options.output);
    return report;
}

Report Console::program()
{
    Report report;
    begin(report, "program");
    if (!chooseDevice(report) || !loadFile(report, m_options.input) || !needConfigWord(report)
        || !findProgrammer(report))
        return report;
    if (m_state.device.eraseFlag != 0 && m_options.erase && !runStep(report, Erase_ButClick))
        return report;
    if (!runStep(report, Program_EpromClick))
        return report;
    harvestMemo(report, true);
    if (m_state.op.failureFlag == 1 || failedText(report.statusText)) {
        report.fail(Status::ChipFailed);
        return report;
    }
    const bool eeprom = m_options.eeprom && m_fileHasEeprom && m_state.device.eeSizeCode > 0;
    if (eeprom) {
        if (!runStep(report, Prg_EEClick))
            return report;
        if (failedText(report.statusText)) {
            report.fail(Status::ChipFailed);
            return report;
        }
    }
    if (!m_options.verify)
        return report;
    if (!verifyTwice(report, VerifyProgram))
        return report;
    if (eeprom && !verifyTwice(report, VerifyEeprom))
        return report;
    report.statusText = "Device is Programmed...";
    return report;
}

Report Console::verify()
{
    Report report;
    begin(report, "verify");
    if (!chooseDevice(report) || !loadFile(report, m_options.input) || !needConfigWord(report)
        || !findProgrammer(report))
        return report;
    if (!verifyTwice(report, VerifyProgram))
        return report;
    if (m_fileHasEeprom && m_state.device.eeSizeCode > 0 && !verifyTwice(report, VerifyEeprom))
        return report;
    report.statusText = "Device Verified to Buffer...";
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
    harvestMemo(report, false);
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
