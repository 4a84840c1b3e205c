#include "cli/Report.h"

#include "app/Format.h"

#include <nlohmann/json.hpp>

namespace ravelin::cli {

int exitStatus(Status status, int signal)
{
    switch (status) {
    case Status::Ok:
        return 0;
    case Status::ChipFailed:
        return 1;
    case Status::Usage:
        return 2;
    case Status::NoProgrammer:
    case Status::LinkLost:
    case Status::ReadsDiffer:
        return 3;
    case Status::FileError:
        return 4;
    case Status::WrongChip:
    case Status::NoChip:
        return 5;
    case Status::Stopped:
        return 128 + signal;
    }
    return 1;
}

std::string resultName(Status status)
{
    switch (status) {
    case Status::Ok:
        return "ok";
    case Status::ChipFailed:
        return "chip failed";
    case Status::Usage:
        return "usage";
    case Status::NoProgrammer:
        return "no programmer";
    case Status::LinkLost:
        return "link lost";
    case Status::ReadsDiffer:
        return "reads differ";
    case Status::FileError:
        return "file error";
    case Status::WrongChip:
        return "wrong chip";
    case Status::NoChip:
        return "no chip";
    case Status::Stopped:
        return "stopped";
    }
    return "";
}

std::vector<std::string> calibrationLines(const CalibrationKept &kept)
{
    return {"Calibration Word = "
            + (kept.word ? hex4(*kept.word) : std::string("Not Readable, Code Protected")),
        "Band Gap Bits = " + hex4(kept.bandGap).substr(3)};
}

std::string utf8Safe(const std::string &text)
{
    std::string safe;
    const auto escape = [&safe](unsigned char byte) {
        static constexpr char Digits[] = "0123456789ABCDEF";
        safe += "\\x";
        safe += Digits[byte >> 4];
        safe += Digits[byte & 0x0F];
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1
            : (lead >> 5) == 0x06        ? 2
            : (lead >> 4) == 0x0E        ? 3
            : (lead >> 3) == 0x1E        ? 4
                                         : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        // Overlong forms and surrogates are not UTF-8 either.
        if (whole && length == 2)
            whole = lead >= 0xC2;
        if (whole && length == 3) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            whole = !(lead == 0xE0 && next < 0xA0) && !(lead == 0xED && next >= 0xA0);
        }
        if (whole && length == 4) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            whole
                = lead <= 0xF4 && !(lead == 0xF0 && next < 0x90) && !(lead == 0xF4 && next >= 0x90);
        }
        if (!whole) {
            escape(lead);
            ++i;
            continue;
        }
        safe.append(text, i, length);
        i += length;
    }
    return safe;
}

namespace {

nlohmann::json word(const Mismatch &m)
{
    return {{"address", hex4(m.address)}, {"expected", hex4(m.expected)}, {"found", hex4(m.found)}};
}

nlohmann::json texts(const std::vector<std::string> &lines)
{
    nlohmann::json array = nlohmann::json::array();
    for (const std::string &line : lines)
        array.push_back(utf8Safe(line));
    return array;
}

nlohmann::json optionalWord(const std::optional<std::uint16_t> &value)
{
    return value ? nlohmann::json(hex4(*value)) : nlohmann::json(nullptr);
}

} // namespace

namespace {

nlohmann::json jsonOf(const Report &report)
{
    nlohmann::json mismatches = nlohmann::json::array();
    for (const Mismatch &m : report.mismatches)
        mismatches.push_back(word(m));
    nlohmann::json object {
        {"command", utf8Safe(report.command)},
        {"device", utf8Safe(report.device)},
        {"result", resultName(report.status)},
        {"status", utf8Safe(report.statusText)},
        {"exit", report.exit()},
        {"mismatches", mismatches},
        {"messages", texts(report.messages)},
        {"output", texts(report.output)},
        {"seconds", report.seconds},
    };
    if (report.config)
        object["config"] = word(*report.config);
    if (report.calibration) {
        object["calibration"] = {{"word", optionalWord(report.calibration->word)},
            {"bandGap", report.calibration->bandGap}, {"restored", report.calibration->restored}};
    }
    if (report.identity) {
        nlohmann::json ids = nlohmann::json::array();
        for (std::uint16_t id : report.identity->ids)
            ids.push_back(hex4(id));
        object["identity"] = {{"ids", ids}, {"deviceId", optionalWord(report.identity->deviceId)},
            {"config", hex4(report.identity->config)},
            {"calibration", optionalWord(report.identity->calibration)},
            {"bandGap", optionalWord(report.identity->bandGap)}};
    }
    if (!report.programmer.empty())
        object["programmer"] = utf8Safe(report.programmer);
    if (report.command == "detect") {
        nlohmann::json devices = nlohmann::json::array();
        for (const DetectedDevice &device : report.bus) {
            nlohmann::json entry {{"index", device.index}, {"serial", utf8Safe(device.serial)},
                {"description", utf8Safe(device.description)},
                {"firmware", device.firmware ? nlohmann::json(*device.firmware) : nullptr}};
            if (device.usbId) {
                entry["usbId"] = usbIdText(*device.usbId);
            }
            if (device.latencyMs)
                entry["latencyMs"] = *device.latencyMs;
            if (!device.roundTripsUs.empty())
                entry["roundTripsUs"] = device.roundTripsUs;
            devices.push_back(entry);
        }
        object["devices"] = devices;
    }
    if (report.serial)
        object["serial"] = *report.serial;
    if (!report.chips.empty()) {
        nlohmann::json chips = nlohmann::json::array();
        for (const Report &chip : report.chips)
            chips.push_back(jsonOf(chip));
        object["chips"] = chips;
    }
    return object;
}

} // namespace

std::string usbIdText(std::uint32_t id)
{
    return hex4(id >> 16) + ":" + hex4(id & 0xFFFF);
}

std::string toJson(const Report &report)
{
    return jsonOf(report).dump();
}

} // namespace ravelin::cli
