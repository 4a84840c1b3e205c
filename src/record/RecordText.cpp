#include "record/RecordText.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>

namespace ravelin::record {

namespace {

std::string twoDecimals(double value)
{
    // to_chars ignores the locale: a listing reads "1.50" under any language setting.
    std::array<char, 64> text {};
    const auto [end, status]
        = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
    return status == std::errc() ? std::string(text.data(), end) : std::string("?");
}

std::string optionalWord(const std::optional<std::uint16_t> &word, const char *absent)
{
    return word ? hexWord(*word) : absent;
}

std::string optionalNumber(const std::optional<std::uint64_t> &number, const char *absent)
{
    return number ? std::to_string(*number) : absent;
}

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

template<typename T>
nlohmann::json orNull(const std::optional<T> &value)
{
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

} // namespace

std::string recordTable(
    const std::vector<ChipRow> &chips, const std::vector<ProductionRecord::LooseSerial> &loose)
{
    constexpr std::size_t Columns = 7;
    using Line = std::array<std::string, Columns>;
    std::vector<Line> lines {
        {"time", "programmer", "device", "device ID", "serial", "result", "seconds"}};
    std::size_t ok = 0;
    for (const ChipRow &chip : chips) {
        lines.push_back({chip.time, chip.programmer, chip.device, optionalWord(chip.deviceId, "-"),
            optionalNumber(chip.serial, "-"), chip.result, twoDecimals(chip.seconds)});
        ok += chip.result == "ok" ? 1 : 0;
    }
    std::array<std::size_t, Columns> widths {};
    for (const Line &line : lines) {
        for (std::size_t c = 0; c < Columns; ++c)
            widths[c] = std::max(widths[c], line[c].size());
    }
    std::string table;
    for (const Line &line : lines) {
        std::string text;
        for (std::size_t c = 0; c < Columns; ++c) {
            const std::string gap(widths[c] - line[c].size(), ' ');
            // Numbers of seconds line up on the decimal point.
            text += c + 1 == Columns ? gap + line[c] : line[c] + gap + "  ";
        }
        table += text + '\n';
    }
    for (const ProductionRecord::LooseSerial &serial : loose) {
        table += "serial " + std::to_string(serial.number) + " taken at " + serial.time + " by "
            + serial.host + " (pid " + std::to_string(serial.pid)
            + ") and never given to a chip: " + serial.state + '\n';
    }
    table += std::to_string(chips.size()) + (chips.size() == 1 ? " chip: " : " chips: ")
        + std::to_string(ok) + " ok, " + std::to_string(chips.size() - ok) + " failed\n";
    return table;
}

std::string recordCsv(const std::vector<ChipRow> &chips)
{
    std::string csv = "time,host,programmer,device,device_id,revision,calibration,input,"
                      "input_sha256,checksum,serial,result,exit,seconds\n";
    for (const ChipRow &chip : chips) {
        const std::array<std::string, 14> fields {chip.time, chip.host, chip.programmer,
            chip.device, optionalWord(chip.deviceId, ""),
            chip.revision ? std::to_string(*chip.revision) : "", optionalWord(chip.calibration, ""),
            chip.input, chip.inputSha256, hexWord(chip.checksum), optionalNumber(chip.serial, ""),
            chip.result, std::to_string(chip.exitStatus), twoDecimals(chip.seconds)};
        for (std::size_t f = 0; f < fields.size(); ++f)
            csv += (f == 0 ? "" : ",") + csvField(fields[f]);
        csv += '\n';
    }
    return csv;
}

std::string recordJson(
    const std::vector<ChipRow> &chips, const std::vector<ProductionRecord::LooseSerial> &loose)
{
    nlohmann::json chipArray = nlohmann::json::array();
    for (const ChipRow &chip : chips) {
        const auto word = [](const std::optional<std::uint16_t> &value) {
            return value ? nlohmann::json(hexWord(*value)) : nlohmann::json(nullptr);
        };
        chipArray.push_back(
            {{"time", chip.time}, {"host", chip.host}, {"programmer", chip.programmer},
                {"device", chip.device}, {"device_id", word(chip.deviceId)},
                {"revision", orNull(chip.revision)}, {"calibration", word(chip.calibration)},
                {"input", chip.input}, {"input_sha256", chip.inputSha256},
                {"checksum", hexWord(chip.checksum)}, {"serial", orNull(chip.serial)},
                {"result", chip.result}, {"exit", chip.exitStatus}, {"seconds", chip.seconds}});
    }
    nlohmann::json looseArray = nlohmann::json::array();
    for (const ProductionRecord::LooseSerial &serial : loose) {
        looseArray.push_back({{"serial", serial.number}, {"host", serial.host}, {"pid", serial.pid},
            {"time", serial.time}, {"state", serial.state}});
    }
    const nlohmann::json record {{"chips", chipArray}, {"loose_serials", looseArray}};
    // A file name need not be UTF-8; JSON must be.
    return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace ravelin::record
