#include "operations/SerialNumber.h"

#include "app/Format.h"
#include "operations/Outcome.h"

#include <charconv>

namespace ravelin {
namespace {

constexpr unsigned EepromBase = 0x2000;
constexpr unsigned IdBase = 0x2100;
constexpr int IdWords = 4;

template<typename Number>
bool parsePart(std::string_view text, Number &value, int base)
{
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

unsigned eepromSize(const Core &core)
{
    const int code = core.st.device.eeSizeCode;
    return code == 0 ? 0 : 32u << code;
}

bool twelveBit(const Core &core)
{
    return core.st.device.WordMask == 0x0FFF;
}

std::uint8_t byteOf(std::uint64_t number, int index, int bytes)
{
    return static_cast<std::uint8_t>((number >> (8 * (bytes - 1 - index))) & 0xFF);
}

} // namespace

std::optional<SerialPlace> parseSerialPlace(std::string_view text, std::string &error)
{
    if (text == "id")
        return SerialPlace {SerialArea::Ids, 0, 2};
    const std::size_t colon = text.find(':');
    const std::string_view area = text.substr(0, colon);
    SerialPlace place;
    if (area == "eeprom")
        place.area = SerialArea::Eeprom;
    else if (area == "program")
        place.area = SerialArea::Program;
    else {
        error = "--serial needs eeprom:OFFSET[:BYTES], program:ADDRESS[:BYTES] or id: "
            + std::string(text);
        return std::nullopt;
    }
    const std::string_view rest
        = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    const std::size_t second = rest.find(':');
    const std::string_view at = rest.substr(0, second);
    if (!parsePart(at, place.at, 16) || place.at > 0xFFFF) {
        error = "--serial " + std::string(area) + " needs a hex "
            + (place.area == SerialArea::Eeprom ? "offset" : "address") + ": " + std::string(text);
        return std::nullopt;
    }
    if (second != std::string_view::npos
        && (!parsePart(rest.substr(second + 1), place.bytes, 10) || place.bytes < 1
            || place.bytes > 4)) {
        error = "--serial: BYTES is 1 to 4: " + std::string(text);
        return std::nullopt;
    }
    return place;
}

std::string serialPlaceText(const SerialPlace &place)
{
    switch (place.area) {
    case SerialArea::Eeprom:
        return "eeprom:" + hex4(static_cast<std::uint16_t>(place.at)) + ":"
            + std::to_string(place.bytes);
    case SerialArea::Program:
        return "program:" + hex4(static_cast<std::uint16_t>(place.at)) + ":"
            + std::to_string(place.bytes);
    case SerialArea::Ids:
        return "id";
    }
    return {};
}

std::uint64_t lastSerialNumber(const SerialPlace &place)
{
    switch (place.area) {
    case SerialArea::Eeprom:
    case SerialArea::Program:
        return (std::uint64_t {1} << (8 * place.bytes)) - 1;
    case SerialArea::Ids:
        return 0xFFFF;
    }
    return 0;
}

std::string serialPlaceFault(const Core &core, const SerialPlace &place)
{
    const auto &buffer = core.st.buffer.DeviceBuffer;
    const std::uint16_t blank = core.st.device.WordMask;
    const auto count = static_cast<unsigned>(place.bytes);
    const std::string where = "--serial " + serialPlaceText(place);
    switch (place.area) {
    case SerialArea::Eeprom: {
        const unsigned size = eepromSize(core);
        if (size == 0)
            return where + ": the device has no data EEPROM";
        if (place.at + count > size)
            return where + ": the data EEPROM has " + std::to_string(size) + " bytes";
        for (unsigned i = 0; i < count; ++i) {
            if ((buffer[EepromBase + place.at + i] & 0xFF) != 0xFF)
                return where + ": the file already has data EEPROM byte "
                    + hex4(static_cast<std::uint16_t>(place.at + i)) + " ("
                    + hex4(buffer[EepromBase + place.at + i]) + ")";
        }
        return {};
    }
    case SerialArea::Program: {
        const unsigned last = lastProgramWord(core);
        if (place.at + count - 1 > last)
            return where + ": program memory ends at " + hex4(static_cast<std::uint16_t>(last));
        for (unsigned i = 0; i < count; ++i) {
            const unsigned address = place.at + i;
            if (address == last && factoryCalibrationOf(core.st.device.FamilyCode).lastWord)
                return where + ": " + hex4(static_cast<std::uint16_t>(address))
                    + " holds the chip's calibration word";
            if ((buffer[address] & blank) != blank)
                return where + ": the file already has program word "
                    + hex4(static_cast<std::uint16_t>(address)) + " (" + hex4(buffer[address])
                    + ")";
        }
        return {};
    }
    case SerialArea::Ids:
        for (unsigned i = 0; i < IdWords; ++i) {
            if ((buffer[IdBase + i] & blank) != blank)
                return where + ": the file already has ID word " + std::to_string(i) + " ("
                    + hex4(buffer[IdBase + i]) + ")";
        }
        return {};
    }
    return {};
}

void writeSerialNumber(Core &core, const SerialPlace &place, std::uint64_t number)
{
    auto &buffer = core.st.buffer.DeviceBuffer;
    switch (place.area) {
    case SerialArea::Eeprom:
        for (int i = 0; i < place.bytes; ++i)
            buffer[EepromBase + place.at + static_cast<unsigned>(i)]
                = byteOf(number, i, place.bytes);
        return;
    case SerialArea::Program: {
        // RETLW k: the table a firmware reads its number from.
        const std::uint16_t retlw = twelveBit(core) ? 0x0800 : 0x3400;
        for (int i = 0; i < place.bytes; ++i)
            buffer[place.at + static_cast<unsigned>(i)]
                = static_cast<std::uint16_t>(retlw | byteOf(number, i, place.bytes));
        return;
    }
    case SerialArea::Ids:
        for (unsigned i = 0; i < IdWords; ++i)
            buffer[IdBase + i]
                = static_cast<std::uint16_t>((number >> (4 * (IdWords - 1 - i))) & 0xF);
        return;
    }
}

} // namespace ravelin
