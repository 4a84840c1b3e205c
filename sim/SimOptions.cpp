#include "sim/SimOptions.h"

#include "sim/ChipImage.h"

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
    if (!parseNumber(text.substr(0, dot), ma) || !parseNumber(text.substr(dot + 1), mi) || ma > 255
        || mi > 255)
        return false;
    major = static_cast<std::uint8_t>(ma);
    minor = static_cast<std::uint8_t>(mi);
    return true;
}

bool parseHexWord(std::string text, std::uint16_t &value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    return ec == std::errc() && ptr == end && !text.empty();
}

constexpr std::string_view NoChip = "none";

// The n-th chip of a run (the first is chip 0) has calibration values of its
// own, so that values carried over from the chip before show. Choice: the
// calibration value steps by 4, which leaves the bits the 12F629/675's
// oscillator does not use as they were; the band-gap bits step by 1.
ChipOptions optionsOfChip(ChipOptions options, const ChipInfo &chip, unsigned number)
{
    if (number == 0)
        return options;
    const std::uint16_t first
        = options.calibration.value_or(calibrationWord(chip.group, 0x80)) & wordMask(chip.group);
    options.calibration
        = static_cast<std::uint16_t>((first & 0xFF00) | ((first + 4 * number) & 0xFF));
    options.bandGap = static_cast<std::uint8_t>((options.bandGap + number) & 0x3);
    return options;
}

} // namespace

std::vector<SimDevice> simulatedDevices(int count, int programmers)
{
    std::vector<SimDevice> devices;
    for (int i = 1; count >= 1 && i <= programmers; ++i) {
        std::string serial = std::to_string(i);
        serial = "QP" + std::string(6 - std::min<std::size_t>(serial.size(), 6), '0') + serial;
        devices.push_back({serial, "Quillon USB Programmer", true});
    }
    if (count >= 2)
        devices.push_back({"FT5X2K7Q", "FT232R USB UART", false});
    return devices;
}

std::string simUsage()
{
    return "usage: ravelin-sim [--trace FILE] [--firmware MAJOR.MINOR] [--devices 0|1|2]\n"
           "                   [--programmers N] [--latency MS] [--silent] [--unplug-after "
           "PACKETS]\n"
           "                   [--chip NAME|none] [--load FILE] [--save FILE]\n"
           "                   [--stuck-word ADDR] [--slow-word ADDR:PULSES] [--fail-at-3v]\n"
           "                   [--protected-read zeros|xor] [--no-calibration] [--floating WORD]\n"
           "                   [--calibration WORD] [--band-gap 0..3] [--revision 0..31]\n"
           "                   [--device-id WORD]\n"
           "  NAME is any device name the device list answers to, in any case, with or\n"
           "  without PIC (16F84A, 16F877A, 12c508a, the caption 16F84/A, ...); default\n"
           "  16F84/A, a 16F84A; 16F84 is the one without a device ID.\n"
           "  ADDR and WORD are hex; addresses as in the chip's hex image (config word 2007,\n"
           "  12-bit parts FFF, data EEPROM byte n at 2100 + n).\n"
           "  A chip with a device ID answers it at 2006 with --revision in its low bits;\n"
           "  --device-id puts any word there (a counterfeit, an unknown part).\n";
}

SimCommandLineResult parseSimCommandLine(const std::vector<std::string> &arguments)
{
    SimCommandLine line;
    bool withoutDeviceId = false;
    int busDevices = 1;
    int programmers = 1;
    const auto fail = [](std::string why) {
        return SimCommandLineResult {std::nullopt, std::move(why)};
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const auto needValue
            = [&]() -> const std::string * { return hasValue ? &arguments[++i] : nullptr; };
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
                || !parseVersion(
                    *value, line.programmer.firmwareMajor, line.programmer.firmwareMinor))
                return fail("--firmware needs MAJOR.MINOR, two numbers of 0..255");
        } else if (option == "--devices") {
            const std::string *value = needValue();
            int count = 0;
            if (!value || !parseNumber(*value, count) || count < 0 || count > 2)
                return fail("--devices needs 0, 1 or 2");
            busDevices = count;
        } else if (option == "--programmers") {
            const std::string *value = needValue();
            if (!value || !parseNumber(*value, programmers) || programmers < 1 || programmers > 99)
                return fail("--programmers needs a number of programmers, 1 to 99");
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
        } else if (option == "--chip") {
            const std::string *value = needValue();
            if (!value)
                return fail("--chip needs a device name");
            if (*value == NoChip) {
                line.chipName = NoChip;
                continue;
            }
            const ChipChoice choice = chipForDeviceName(*value);
            if (!choice.chip)
                return fail("unknown chip: " + *value);
            line.chipName = choice.chip->name;
            withoutDeviceId = choice.withoutDeviceId;
        } else if (option == "--load" || option == "--save") {
            const std::string *value = needValue();
            if (!value)
                return fail(option + " needs a file name");
            (option == "--load" ? line.loadFile : line.saveFile) = *value;
        } else if (option == "--stuck-word") {
            const std::string *value = needValue();
            std::uint16_t address = 0;
            if (!value || !parseHexWord(*value, address))
                return fail("--stuck-word needs a hex address");
            line.chip.stuckWord = address;
        } else if (option == "--slow-word") {
            const std::string *value = needValue();
            const std::size_t colon = value ? value->find(':') : std::string::npos;
            std::uint16_t address = 0;
            unsigned pulses = 0;
            if (colon == std::string::npos || !parseHexWord(value->substr(0, colon), address)
                || !parseNumber(value->substr(colon + 1), pulses) || pulses == 0)
                return fail("--slow-word needs ADDR:PULSES, a hex address and a count above 0");
            line.chip.slowWord = address;
            line.chip.slowWordPulses = pulses;
        } else if (option == "--fail-at-3v") {
            line.chip.failAt3Volts = true;
        } else if (option == "--no-calibration") {
            line.chip.factoryCalibration = false;
        } else if (option == "--calibration") {
            const std::string *value = needValue();
            std::uint16_t word = 0;
            if (!value || !parseHexWord(*value, word))
                return fail("--calibration needs a hex word");
            line.chip.calibration = word;
        } else if (option == "--band-gap") {
            const std::string *value = needValue();
            unsigned bits = 0;
            if (!value || !parseNumber(*value, bits) || bits > 3)
                return fail("--band-gap needs 0, 1, 2 or 3");
            line.chip.bandGap = static_cast<std::uint8_t>(bits);
        } else if (option == "--protected-read") {
            const std::string *value = needValue();
            if (value && *value == "zeros")
                line.chip.protectedRead = ProtectedRead::Zeros;
            else if (value && *value == "xor")
                line.chip.protectedRead = ProtectedRead::NibbleXor;
            else
                return fail("--protected-read needs zeros or xor");
        } else if (option == "--revision") {
            const std::string *value = needValue();
            unsigned revision = 0;
            if (!value || !parseNumber(*value, revision) || revision > 31)
                return fail("--revision needs a number of 0..31");
            line.chip.revision = static_cast<std::uint8_t>(revision);
        } else if (option == "--device-id") {
            const std::string *value = needValue();
            std::uint16_t word = 0;
            if (!value || !parseHexWord(*value, word) || word > 0x3FFF)
                return fail("--device-id needs a hex word of 0000..3FFF");
            line.chip.deviceId = word;
        } else if (option == "--floating") {
            const std::string *value = needValue();
            if (!value || !parseHexWord(*value, line.chip.floatingLevel))
                return fail("--floating needs a hex word");
        } else {
            return fail("unknown option: " + option);
        }
    }
    line.programmer.devices = simulatedDevices(busDevices, programmers);
    if (line.chipName == NoChip && (line.loadFile || line.saveFile))
        return fail("--load and --save need a chip in the socket");
    const bool idOptions = line.chip.deviceId || line.chip.revision != 0;
    if (line.chipName == NoChip && idOptions)
        return fail("--device-id and --revision need a chip in the socket");
    // A 16F84 reads 0x2006 as an unprogrammed reserved word, as every part
    // without an ID does.
    if (withoutDeviceId && !line.chip.deviceId)
        line.chip.deviceId = 0x3FFF;
    if (line.chipName != NoChip && idOptions) {
        const ChipInfo &chip = *findChip(line.chipName);
        if (isTwelveBit(chip.group))
            return fail("the " + line.chipName + " has no word 2006 to hold a device ID");
        if (line.chip.revision != 0 && (line.chip.deviceId || chip.deviceId == 0))
            return fail("--revision needs a chip with a device ID of its own");
    }
    return {line, {}};
}

TargetSocket *SimSocket::target() const
{
    if (chip)
        return chip.get();
    return empty.get();
}

SimSocket buildSocket(const SimCommandLine &line)
{
    SimSocket socket;
    if (line.chipName == NoChip) {
        socket.empty = std::make_unique<EmptySocket>(line.chip.floatingLevel);
        return socket;
    }
    socket.chip = makeChip(line.chipName, line.chip);
    if (!socket.chip) {
        socket.error = "unknown chip: " + line.chipName;
        return socket;
    }
    if (line.loadFile) {
        const ImageLoad loaded = loadHexFile(*socket.chip, *line.loadFile);
        if (!loaded.ok)
            socket.error = *line.loadFile + ": " + loaded.error;
    }
    return socket;
}

std::string renew(SimSocket &socket, const SimCommandLine &line)
{
    if (!socket.chip)
        return {};
    ++socket.chipNumber;
    const ChipInfo &info = socket.chip->info();
    *socket.chip = SimChip(info, optionsOfChip(line.chip, info, socket.chipNumber));
    socket.error.clear();
    if (line.loadFile) {
        const ImageLoad loaded = loadHexFile(*socket.chip, *line.loadFile);
        if (!loaded.ok)
            socket.error = *line.loadFile + ": " + loaded.error;
    }
    return socket.error;
}

std::string saveSocket(const SimSocket &socket, const SimCommandLine &line)
{
    if (!line.saveFile || !socket.chip)
        return {};
    const ImageSave saved = saveHexFile(*socket.chip, *line.saveFile);
    return saved.ok ? std::string {} : saved.error;
}

} // namespace ravelin::sim
