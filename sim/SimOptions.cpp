#include "sim/SimOptions.h"

#include <charconv>

namespace ravelin::sim {
namespace {

template<typename T>
bool parseNumber(const std::string &text, T &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool parseVersion(const std::string &text, std::uint8_t &major, std::uint8_t &minor)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos)
        return false;
    unsigned ma = 0;
    unsigned mi = 0;
    if (!parseNumber(text.substr(0, dot), ma) || !parseNumber(text.substr(dot + 1), mi)
        || ma > 255 || mi > 255)
        return false;
    major = static_cast<std::uint8_t>(ma);
    minor = static_cast<std::uint8_t>(mi);
    return true;
}

} // namespace

std::vector<SimDevice> simulatedDevices(int count)
{
    std::vector<SimDevice> devices;
    if (count >= 1)
        devices.push_back({"QP000001", "Quillon USB Programmer"});
    if (count >= 2)
        devices.push_back({"FT5X2K7Q", "FT232R USB UART"});
    return devices;
}

std::string simUsage()
{
    return "usage: ravelin-sim [--trace FILE] [--firmware MAJOR.MINOR] [--devices 0|1|2]\n"
           "                   [--latency MS] [--silent] [--unplug-after PACKETS]\n";
}

SimCommandLineResult parseSimCommandLine(const std::vector<std::string> &arguments)
{
    SimCommandLine line;
    const auto fail = [](std::string why) { return SimCommandLineResult {std::nullopt, std::move(why)}; };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const auto needValue = [&]() -> const std::string * {
            return hasValue ? &arguments[++i] : nullptr;
        };
        if (option == "--silent") {
            line.programmer.silent = true;
        } else if (option == "--trace") {
            const std::string *value = needValue();
            if (!value)
                return fail("--trace needs a file name");
            line.traceFile = *value;
        } else if (option == "--firmware") {
            const std::string *value = needValue();
            if (!value
                || !parseVersion(*value, line.programmer.firmwareMajor, line.programmer.firmwareMinor))
                return fail("--firmware needs MAJOR.MINOR, two numbers of 0..255");
        } else if (option == "--devices") {
            const std::string *value = needValue();
            int count = 0;
            if (!value || !parseNumber(*value, count) || count < 0 || count > 2)
                return fail("--devices needs 0, 1 or 2");
            line.programmer.devices = simulatedDevices(count);
        } else if (option == "--latency") {
            const std::string *value = needValue();
            unsigned ms = 0;
            if (!value || !parseNumber(*value, ms) || ms > 255)
                return fail("--latency needs a whole number of milliseconds, 0..255");
            line.programmer.latencyUs = std::uint64_t {ms} * 1000;
        } else if (option == "--unplug-after") {
            const std::string *value = needValue();
            std::uint64_t packets = 0;
            if (!value || !parseNumber(*value, packets))
                return fail("--unplug-after needs a number of packets");
            line.programmer.unplugAfterPackets = packets;
        } else {
            return fail("unknown option: " + option);
        }
    }
    return {line, {}};
}

} // namespace ravelin::sim
