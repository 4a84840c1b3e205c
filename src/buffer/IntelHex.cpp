#include "buffer/IntelHex.h"

#include "app/Format.h"

#include <algorithm>
#include <set>

namespace ravelin {
namespace {

constexpr std::size_t MaxDataBytes = 255;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string describeCharacter(char c, std::size_t column)
{
    const auto byte = static_cast<unsigned char>(c);
    const std::string where = " at column " + std::to_string(column);
    if (byte >= 0x21 && byte < 0x7F)
        return std::string("'") + c + "'" + where + " is not a hexadecimal digit";
    return "byte " + hex2(byte) + where + " is not a hexadecimal digit";
}

// Splits at LF, CR LF or a lone CR; every line end counts one line.
class LineReader
{
public:
    explicit LineReader(std::string_view text)
        : m_text(text)
    { }

    std::optional<std::string_view> next()
    {
        if (m_pos >= m_text.size())
            return std::nullopt;
        const std::size_t start = m_pos;
        std::size_t end = start;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r')
            ++end;
        m_pos = end;
        if (m_pos < m_text.size()) {
            const bool cr = m_text[m_pos] == '\r';
            ++m_pos;
            if (cr && m_pos < m_text.size() && m_text[m_pos] == '\n')
                ++m_pos;
        }
        ++m_line;
        return m_text.substr(start, end - start);
    }

    std::size_t line() const { return m_line; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 0;
};

struct Record
{
    std::size_t count = 0;
    std::uint32_t offset = 0;
    std::uint8_t type = 0;
    std::array<std::uint8_t, MaxDataBytes> data {};
};

// Reads one record from the text after its ':', whose first character stands
// in the given column of the line; characters after the checksum are not
// looked at.
std::optional<std::string> decodeRecord(
    std::string_view body, std::size_t firstColumn, Record &record)
{
    auto checkHex = [&](std::size_t from, std::size_t to) -> std::optional<std::string> {
        for (std::size_t k = from; k < to; ++k) {
            if (hexValue(body[k]) < 0)
                return describeCharacter(body[k], firstColumn + k);
        }
        return std::nullopt;
    };
    auto byteAt = [&](std::size_t k) {
        return static_cast<std::uint8_t>(hexValue(body[2 * k]) * 16 + hexValue(body[2 * k + 1]));
    };

    if (body.size() < 2)
        return "record too short for its byte count";
    if (auto bad = checkHex(0, 2))
        return bad;
    record.count = byteAt(0);
    const std::size_t needed = 2 * (record.count + 5);
    if (body.size() < needed) {
        return "record has " + std::to_string(body.size() + 1) + " characters, its count of "
            + std::to_string(record.count) + " bytes needs " + std::to_string(needed + 1);
    }
    if (auto bad = checkHex(2, needed))
        return bad;

    std::uint8_t sum = 0;
    for (std::size_t k = 0; k < record.count + 5; ++k)
        sum = static_cast<std::uint8_t>(sum + byteAt(k));
    if (sum != 0) {
        const std::uint8_t stated = byteAt(record.count + 4);
        const auto expected = static_cast<std::uint8_t>(stated - sum);
        return "checksum " + hex2(stated) + ", should be " + hex2(expected);
    }
    record.offset = static_cast<std::uint32_t>(byteAt(1) << 8 | byteAt(2));
    record.type = byteAt(3);
    for (std::size_t k = 0; k < record.count; ++k)
        record.data[k] = byteAt(4 + k);
    return std::nullopt;
}

} // namespace

HexParse parseIntelHex(std::string_view text, HexReading reading)
{
    const bool strict = reading == HexReading::Strict;
    HexParse result;
    HexImage &image = result.image;
    std::set<std::uint64_t> outside;

    // A byte-order mark some editors put before the first record.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    // Extended segment records (02) add segment x 16 to an offset that wraps
    // within 64K; extended linear records (04) give the upper 16 bits.
    bool segmented = false;
    std::uint64_t base = 0;

    LineReader lines(text);
    while (const std::optional<std::string_view> read = lines.next()) {
        std::string_view line = *read;
        while (!line.empty() && isBlank(line.front()))
            line.remove_prefix(1);
        if (!line.starts_with(':')) {
            const bool blankOrComment
                = line.empty() || line.front() == ';' || std::ranges::all_of(line, isBlank);
            if (strict && !blankOrComment) {
                result.error = HexError {lines.line(), "not an Intel HEX record"};
                return result;
            }
            continue;
        }
        if (image.endRecord) {
            result.error = HexError {lines.line(), "a record after the end record"};
            return result;
        }
        line.remove_prefix(1);
        // Columns count from the line's first character, blanks included.
        const std::size_t firstColumn = read->size() - line.size() + 1;

        Record record;
        if (std::optional<std::string> fault = decodeRecord(line, firstColumn, record)) {
            result.error = HexError {lines.line(), std::move(*fault)};
            return result;
        }
        ++image.records;
        switch (record.type) {
        case 0x00: {
            for (std::size_t k = 0; k < record.count; ++k) {
                const std::uint64_t address = segmented ? base + ((record.offset + k) & 0xFFFF)
                                                        : (base + record.offset + k) & 0xFFFFFFFF;
                if (address < HexImage::Bytes) {
                    image.bytes[address] = record.data[k];
                    image.given.set(address);
                } else {
                    outside.insert(address / 2);
                }
            }
            break;
        }
        case 0x01:
            image.endRecord = true;
            break;
        case 0x02:
        case 0x04: {
            if (record.count != 2) {
                result.error = HexError {lines.line(),
                    "an address record needs 2 bytes, this one has "
                        + std::to_string(record.count)};
                return result;
            }
            const std::uint64_t upper
                = static_cast<std::uint64_t>(record.data[0]) << 8 | record.data[1];
            segmented = record.type == 0x02;
            base = segmented ? upper << 4 : upper << 16;
            break;
        }
        case 0x03:
        case 0x05:
            // Start addresses carry nothing for the buffer.
            break;
        default:
            if (strict) {
                result.error = HexError {lines.line(),
                    "record type " + hex2(record.type) + " is not an Intel HEX record type"};
                return result;
            }
            break;
        }
        // The window's reader stops at the end record; the strict one reads on
        // to see that nothing follows it.
        if (image.endRecord && !strict)
            break;
    }
    if (image.records == 0) {
        result.error = HexError {1, "no Intel HEX record in the file"};
        return result;
    }
    if (strict && !image.endRecord) {
        result.error = HexError {lines.line() + 1, "no end record"};
        return result;
    }
    image.wordsOutside = outside.size();
    return result;
}

void applyHexImage(const HexImage &image, BufferWords &buffer, std::uint16_t wordMask)
{
    for (std::size_t word = 0; word < buffer.size(); ++word) {
        const std::size_t low = 2 * word;
        if (image.given[low] && image.given[low + 1]) {
            const auto value
                = static_cast<std::uint16_t>(image.bytes[low + 1] << 8 | image.bytes[low]);
            buffer[word] = value & wordMask;
        }
    }
}

std::string formatIntelHex(const BufferWords &buffer)
{
    std::string text;
    text.reserve(1058 * 45);
    for (std::size_t word = 0; word < FileImageWords; word += 8) {
        const auto address = static_cast<std::uint32_t>(2 * word);
        unsigned sum = 0x10 + (address >> 8) + (address & 0xFF);
        text += ":10" + hex4(address) + "00";
        for (std::size_t k = 0; k < 8; ++k) {
            const std::uint16_t value = buffer[word + k];
            text += hex2(value & 0xFF);
            text += hex2(value >> 8);
            sum += (value & 0xFF) + (value >> 8);
        }
        text += hex2((0x100 - (sum & 0xFF)) & 0xFF);
        text += "\r\n";
    }
    text += ":00000001FF\r\n";
    return text;
}

} // namespace ravelin
