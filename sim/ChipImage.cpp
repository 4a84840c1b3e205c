#include "sim/ChipImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace ravelin::sim {
namespace {

constexpr std::uint32_t EepromWord = 0x2100;
constexpr std::size_t RecordBytes = 16;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

struct HalfWords
{
    std::optional<std::uint8_t> low;
    std::optional<std::uint8_t> high;
};

std::string lineError(std::size_t line, std::string_view what)
{
    return "line " + std::to_string(line) + ": " + std::string(what);
}

bool isEepromWord(const SimChip &chip, std::uint32_t word)
{
    return !isTwelveBit(chip.info().group) && word >= EepromWord
        && word < EepromWord + chip.info().eepromBytes;
}

void appendRecord(
    std::string &out, std::uint32_t address, const std::uint8_t *data, std::size_t count)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::uint8_t bytes[4 + RecordBytes];
    bytes[0] = static_cast<std::uint8_t>(count);
    bytes[1] = static_cast<std::uint8_t>(address >> 8);
    bytes[2] = static_cast<std::uint8_t>(address);
    bytes[3] = 0x00;
    std::memcpy(bytes + 4, data, count);
    unsigned sum = 0;
    out += ':';
    for (std::size_t i = 0; i < 4 + count; ++i) {
        sum += bytes[i];
        out += Digits[bytes[i] >> 4];
        out += Digits[bytes[i] & 0xF];
    }
    const auto check = static_cast<std::uint8_t>(-sum);
    out += Digits[check >> 4];
    out += Digits[check & 0xF];
    out += '\n';
}

// Bytes from a byte address on, cut into records.
void appendBytes(std::string &out, std::uint32_t address, const std::vector<std::uint8_t> &bytes)
{
    for (std::size_t i = 0; i < bytes.size(); i += RecordBytes) {
        const std::size_t count = std::min(RecordBytes, bytes.size() - i);
        appendRecord(out, static_cast<std::uint32_t>(address + i), bytes.data() + i, count);
    }
}

void appendWords(std::string &out, const SimChip &chip, std::uint16_t first, std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t word = chip.word(static_cast<std::uint16_t>(first + i));
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    appendBytes(out, std::uint32_t {first} * 2, bytes);
}

} // namespace

ImageLoad loadHexImage(SimChip &chip, std::string_view text)
{
    ImageLoad result;
    std::map<std::uint32_t, HalfWords> words;
    std::uint32_t base = 0;
    bool ended = false;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size() && !ended) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (end == text.size() && line.empty())
            break; // nothing after the last line end
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty())
            continue;
        if (line.front() != ':') {
            result.error = lineError(lineNumber, "a record must start with ':'");
            return result;
        }
        line.remove_prefix(1);
        if (line.size() % 2 != 0 || line.size() < 10) {
            result.error = lineError(lineNumber, "the record is cut short");
            return result;
        }
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < line.size(); i += 2) {
            const int high = hexDigit(line[i]);
            const int low = hexDigit(line[i + 1]);
            if (high < 0 || low < 0) {
                result.error = lineError(lineNumber, "a character is not a hex digit");
                return result;
            }
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
        }
        if (bytes.size() != std::size_t {bytes[0]} + 5) {
            result.error = lineError(lineNumber, "the byte count does not match the record");
            return result;
        }
        unsigned sum = 0;
        for (std::uint8_t b : bytes)
            sum += b;
        if ((sum & 0xFF) != 0) {
            result.error = lineError(lineNumber, "wrong checksum");
            return result;
        }
        const std::uint32_t offset = std::uint32_t {bytes[1]} << 8 | bytes[2];
        const std::uint8_t *data = bytes.data() + 4;
        const std::size_t count = bytes[0];
        switch (bytes[3]) {
        case 0x00:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t address = base + offset + static_cast<std::uint32_t>(i);
                HalfWords &half = words[address / 2];
                (address % 2 == 0 ? half.low : half.high) = data[i];
            }
            break;
        case 0x01:
            ended = true;
            break;
        case 0x02:
        case 0x04:
            if (count != 2) {
                result.error = lineError(lineNumber, "an address record carries two bytes");
                return result;
            }
            base = (std::uint32_t {data[0]} << 8 | data[1]) << (bytes[3] == 0x02 ? 4 : 16);
            break;
        case 0x03:
        case 0x05:
            break; // start addresses mean nothing to a chip
        default:
            result.error = lineError(lineNumber, "unknown record type");
            return result;
        }
    }
    if (!ended) {
        result.error = lineError(std::max<std::size_t>(lineNumber, 1), "no end record");
        return result;
    }

    for (const auto &[address, half] : words) {
        if (isEepromWord(chip, address)) {
            chip.setEeprom(address - EepromWord, half.low.value_or(0xFF));
            ++result.wordsLoaded;
            continue;
        }
        const bool deviceId
            = !isTwelveBit(chip.info().group) && address == 0x2006 && chip.info().deviceId != 0;
        const auto value
            = static_cast<std::uint16_t>(half.low.value_or(0xFF) | half.high.value_or(0xFF) << 8);
        if (address <= 0xFFFF && !deviceId
            && chip.setWord(static_cast<std::uint16_t>(address), value))
            ++result.wordsLoaded;
        else
            ++result.wordsIgnored;
    }
    result.ok = true;
    return result;
}

ImageLoad loadHexFile(SimChip &chip, const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ImageLoad result;
        result.error = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return loadHexImage(chip, text.str());
}

std::string hexImage(const SimChip &chip)
{
    std::string out;
    const std::uint16_t programWords = chip.info().programWords;
    appendWords(out, chip, 0, programWords);
    appendWords(out, chip, chip.idAddress(0), 4);
    appendWords(out, chip, chip.configAddress(), 1);
    if (chip.info().eepromBytes != 0) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t n = 0; n < chip.info().eepromBytes; ++n) {
            bytes.push_back(chip.eeprom(n));
            bytes.push_back(0x00);
        }
        appendBytes(out, EepromWord * 2, bytes);
    }
    out += ":00000001FF\n";
    return out;
}

ImageSave saveHexFile(const SimChip &chip, const std::string &path)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file)
            return {false, "cannot write " + temporary + ": " + std::strerror(errno)};
        file << hexImage(chip);
        file.flush();
        if (!file) {
            std::remove(temporary.c_str());
            return {false, "cannot write " + temporary + ": " + std::strerror(errno)};
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return {false, "cannot replace " + path + ": " + reason};
    }
    return {true, {}};
}

} // namespace ravelin::sim
