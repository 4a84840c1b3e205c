#include "buffer/MicrochipLayout.h"

#include "app/Format.h"
#include "devices/Catalogue.h"

#include <algorithm>
#include <span>

namespace ravelin {
namespace {

constexpr std::size_t EepromWord = 0x2100; // Microchip's first data EEPROM word
constexpr std::size_t BufferEeprom = 0x2000;
constexpr std::size_t BufferIds = 0x2100;
constexpr std::size_t RecordWords = 8;
// Words this program's own files always hold and Microchip's layout never has.
constexpr std::size_t OwnOnlyFirst = 0x2008;
// Reserved words and the device ID, which read-out images carry.
constexpr std::size_t ReservedFirst = 0x2004;
constexpr std::size_t ReservedLast = 0x2006;

enum class Region : std::uint8_t { None, Program, Id, Config, Eeprom };

struct Place
{
    Region region = Region::None;
    std::size_t index = 0;
};

Place placeOf(const ChipLayout &layout, std::size_t word)
{
    if (word < layout.programWords)
        return {Region::Program, word};
    if (word >= layout.idAddress() && word < layout.idAddress() + 4u)
        return {Region::Id, word - layout.idAddress()};
    if (word == layout.configAddress())
        return {Region::Config, 0};
    if (!layout.twelveBit && word >= EepromWord && word < EepromWord + layout.eepromBytes)
        return {Region::Eeprom, word - EepromWord};
    return {};
}

// Every word the layout has outside program memory, where only Microchip's
// layout puts something.
std::vector<std::size_t> configurationWords(const ChipLayout &layout)
{
    std::vector<std::size_t> words;
    for (std::size_t k = 0; k < 4; ++k)
        words.push_back(layout.idAddress() + k);
    words.push_back(layout.configAddress());
    if (!layout.twelveBit) {
        for (std::size_t n = 0; n < layout.eepromBytes; ++n)
            words.push_back(EepromWord + n);
    }
    return words;
}

void appendRecord(std::string &out, std::size_t address, std::span<const std::uint8_t> data)
{
    unsigned sum = static_cast<unsigned>(data.size() + (address >> 8) + (address & 0xFF));
    out += ':' + hex2(static_cast<unsigned>(data.size())) + hex4(static_cast<unsigned>(address))
        + "00";
    for (const std::uint8_t byte : data) {
        out += hex2(byte);
        sum += byte;
    }
    out += hex2((0x100 - (sum & 0xFF)) & 0xFF);
    out += '\n';
}

// Each run of given words from word address first on, in records of up to
// eight words.
void appendWords(
    std::string &out, std::size_t first, std::span<const std::optional<std::uint16_t>> words)
{
    std::size_t k = 0;
    while (k < words.size()) {
        if (!words[k]) {
            ++k;
            continue;
        }
        std::vector<std::uint8_t> bytes;
        const std::size_t start = k;
        while (k < words.size() && words[k] && k - start < RecordWords) {
            bytes.push_back(static_cast<std::uint8_t>(*words[k] & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(*words[k] >> 8));
            ++k;
        }
        appendRecord(out, 2 * (first + start), bytes);
    }
}

enum class Fault : std::uint8_t { None, ProgramBeyond, EepromBeyond, EepromNone, NoPlace, Wider };

struct FaultRange
{
    Fault fault = Fault::None;
    std::size_t first = 0;
    std::size_t last = 0;
};

std::string span(const FaultRange &range)
{
    return range.first == range.last
        ? hex4(unsigned(range.first))
        : hex4(unsigned(range.first)) + "-" + hex4(unsigned(range.last));
}

std::string describe(const FaultRange &range, const ChipLayout &layout, const std::string &device)
{
    const bool one = range.first == range.last;
    switch (range.fault) {
    case Fault::ProgramBeyond:
        return std::string(one ? "program word " : "program words ") + span(range)
            + (one ? " is" : " are") + " beyond the " + device + " (0000-"
            + hex4(layout.programWords - 1u) + ")";
    case Fault::EepromBeyond:
        return std::string(one ? "data EEPROM byte " : "data EEPROM bytes ") + span(range)
            + (one ? " is" : " are") + " beyond the " + device + " (0000-"
            + hex4(layout.eepromBytes - 1u) + ")";
    case Fault::Wider:
        return "word " + span(range) + " is wider than the " + (layout.twelveBit ? "12" : "14")
            + " bits of the " + device;
    case Fault::NoPlace:
    case Fault::EepromNone:
    case Fault::None:
        break;
    }
    return std::string(one ? "word " : "words ") + span(range) + (one ? " has" : " have")
        + " no place on the " + device;
}

} // namespace

std::optional<ChipLayout> selectedLayout(const DeviceState &device)
{
    if (device.FamilyCode == Family::None)
        return std::nullopt;
    ChipLayout layout;
    layout.twelveBit = wordMaskOf(device.FamilyCode) == 0x0FFF;
    // A program memory that would run into the ID or configuration words
    // (a settings file can say anything) ends where they begin.
    const std::size_t limit = layout.twelveBit ? 0x0FFB : 0x2000;
    layout.programWords = static_cast<std::uint16_t>(
        std::min<std::size_t>(std::size_t {device.LastProgramAddress} + 1, limit));
    if (device.eeSizeCode > 0 && device.LastEEAddress >= BufferEeprom) {
        layout.eepromBytes = static_cast<std::uint16_t>(
            std::min<std::size_t>(device.LastEEAddress - BufferEeprom + 1, 256));
    }
    return layout;
}

ChipContents::ChipContents(const ChipLayout &shape)
    : layout(shape)
    , program(shape.programWords)
    , eeprom(shape.eepromBytes)
{ }

bool ChipContents::hasIds() const
{
    return std::ranges::any_of(ids, [](const auto &word) { return word.has_value(); });
}

bool ChipContents::hasEeprom() const
{
    return std::ranges::any_of(eeprom, [](const auto &byte) { return byte.has_value(); });
}

Layout recogniseLayout(const HexImage &image)
{
    for (std::size_t byte = 2 * OwnOnlyFirst; byte < 2 * BufferIds; ++byte) {
        if (image.given[byte])
            return Layout::Native;
    }
    return Layout::Microchip;
}

bool usesMicrochipLayout(const HexImage &image, const ChipLayout &layout)
{
    return recogniseLayout(image) == Layout::Microchip
        && std::ranges::any_of(configurationWords(layout),
            [&](std::size_t word) { return image.given[2 * word] || image.given[2 * word + 1]; });
}

namespace {

// The word a file gives at a word address (a byte it leaves out reads FF),
// or none when it gives neither byte.
std::optional<std::uint16_t> givenWord(const HexImage &image, std::size_t word)
{
    const std::size_t low = 2 * word;
    if (!image.given[low] && !image.given[low + 1])
        return std::nullopt;
    const std::uint8_t lowByte = image.given[low] ? image.bytes[low] : 0xFF;
    const std::uint8_t highByte = image.given[low + 1] ? image.bytes[low + 1] : 0xFF;
    return static_cast<std::uint16_t>(highByte << 8 | lowByte);
}

} // namespace

std::vector<std::string> placementFaults(
    const HexImage &image, Layout fileLayout, const PlacementCheck &check)
{
    const ChipLayout &layout = check.layout;
    const std::uint16_t mask = layout.wordMask();
    const auto wide = [mask](std::uint16_t value) {
        // A fill of FF bytes is the blank of any width, as srec_cat writes it.
        return (value & ~mask) != 0 && value != 0xFFFF;
    };
    const auto blank = [mask](std::uint16_t value) {
        return value == 0 || value == mask || value == 0xFFFF || value == 0x00FF;
    };
    // What is wrong with one word, and the address it is reported at.
    const auto faultOf
        = [&](std::size_t word, std::uint16_t value) -> std::pair<Fault, std::size_t> {
        if (word >= ReservedFirst && word <= ReservedLast)
            return {Fault::None, word};
        if (fileLayout == Layout::Microchip) {
            switch (placeOf(layout, word).region) {
            case Region::Program:
            case Region::Id:
            case Region::Config:
                return {wide(value) ? Fault::Wider : Fault::None, word};
            case Region::Eeprom:
                return {Fault::None, word};
            case Region::None:
                break;
            }
            if (word < BufferEeprom)
                return {Fault::ProgramBeyond, word};
            if (word >= EepromWord && word < EepromWord + 0x100) {
                return {layout.eepromBytes == 0 ? Fault::EepromNone : Fault::EepromBeyond,
                    word - EepromWord};
            }
            return {Fault::NoPlace, word};
        }
        // This program's own layout: the buffer's file image.
        if (word < BufferEeprom) {
            if (word < layout.programWords)
                return {wide(value) ? Fault::Wider : Fault::None, word};
            return {blank(value) ? Fault::None : Fault::ProgramBeyond, word};
        }
        if (word < BufferIds) {
            const std::size_t n = word - BufferEeprom;
            if (n < layout.eepromBytes || blank(value))
                return {Fault::None, n};
            return {layout.eepromBytes == 0 ? Fault::EepromNone : Fault::EepromBeyond, n};
        }
        if (word < BufferIds + 4)
            return {wide(value) ? Fault::Wider : Fault::None, word};
        if (word < FileImageWords || blank(value))
            return {Fault::None, word};
        return {Fault::NoPlace, word};
    };

    std::vector<FaultRange> ranges;
    std::size_t eepromWithoutPlace = 0;
    FaultRange wider;
    std::size_t widerWords = 0;
    for (std::size_t word = 0; word < HexImage::Bytes / 2; ++word) {
        const std::optional<std::uint16_t> given = givenWord(image, word);
        if (!given)
            continue;
        const auto [fault, address] = faultOf(word, *given);
        if (fault == Fault::None)
            continue;
        if ((fault == Fault::EepromNone || fault == Fault::EepromBeyond) && !check.eeprom)
            continue;
        if (fault == Fault::EepromNone) {
            ++eepromWithoutPlace;
            continue;
        }
        // A file for the wider core has such words all through: one line for
        // all of them says it better than a line for each run.
        if (fault == Fault::Wider) {
            if (wider.fault == Fault::None)
                wider = {Fault::Wider, address, address};
            wider.last = address;
            ++widerWords;
            continue;
        }
        if (!ranges.empty() && ranges.back().fault == fault && ranges.back().last + 1 == address)
            ranges.back().last = address;
        else
            ranges.push_back({fault, address, address});
    }

    const std::string device(check.device);
    std::vector<std::string> lines;
    for (const FaultRange &range : ranges)
        lines.push_back(describe(range, layout, device));
    if (widerWords == 1) {
        lines.push_back(describe(wider, layout, device));
    } else if (widerWords > 1) {
        lines.push_back(std::to_string(widerWords) + " words from " + hex4(unsigned(wider.first))
            + " to " + hex4(unsigned(wider.last)) + " are wider than the "
            + (layout.twelveBit ? "12" : "14") + " bits of the " + device);
    }
    if (eepromWithoutPlace > 0) {
        lines.push_back(std::to_string(eepromWithoutPlace) + " data EEPROM "
            + (eepromWithoutPlace == 1 ? "byte" : "bytes") + ": the " + device
            + " has none here: give --no-eeprom to program without them");
    }
    if (image.wordsOutside > 0) {
        lines.push_back(std::to_string(image.wordsOutside)
            + (image.wordsOutside == 1 ? " word" : " words") + " beyond the buffer ("
            + hex4(BufferState::Words) + " and up) have no place on the " + device);
    }
    return lines;
}

ChipContents readMicrochipImage(const HexImage &image, const ChipLayout &layout)
{
    ChipContents contents(layout);
    contents.wordsWithoutPlace = image.wordsOutside;
    for (std::size_t word = 0; word < HexImage::Bytes / 2; ++word) {
        const std::optional<std::uint16_t> given = givenWord(image, word);
        if (!given)
            continue;
        const auto value = static_cast<std::uint16_t>(*given & layout.wordMask());
        const Place place = placeOf(layout, word);
        switch (place.region) {
        case Region::None:
            ++contents.wordsWithoutPlace;
            break;
        case Region::Program:
            contents.program[place.index] = value;
            break;
        case Region::Id:
            contents.ids[place.index] = value;
            break;
        case Region::Config:
            contents.config = value;
            break;
        case Region::Eeprom:
            contents.eeprom[place.index] = static_cast<std::uint8_t>(*given & 0x00FF);
            break;
        }
    }
    return contents;
}

std::string formatMicrochipHex(const ChipContents &contents)
{
    const ChipLayout &layout = contents.layout;
    std::string out;
    appendWords(out, 0, contents.program);
    appendWords(out, layout.idAddress(), contents.ids);
    appendWords(out, layout.configAddress(), std::span(&contents.config, 1));
    std::vector<std::optional<std::uint16_t>> eeprom(
        contents.eeprom.begin(), contents.eeprom.end());
    appendWords(out, EepromWord, eeprom);
    out += ":00000001FF\n";
    return out;
}

ChipContents contentsOfBuffer(
    const BufferWords &buffer, std::uint16_t configWord, const ChipLayout &layout)
{
    const std::uint16_t mask = layout.wordMask();
    ChipContents contents(layout);
    for (std::size_t i = 0; i < contents.program.size(); ++i)
        contents.program[i] = buffer[i] & mask;
    for (std::size_t k = 0; k < contents.ids.size(); ++k)
        contents.ids[k] = buffer[BufferIds + k] & mask;
    contents.config = configWord & mask;
    for (std::size_t n = 0; n < contents.eeprom.size(); ++n)
        contents.eeprom[n] = static_cast<std::uint8_t>(buffer[BufferEeprom + n] & 0xFF);
    return contents;
}

void applyContents(const ChipContents &contents, BufferWords &buffer, std::uint16_t &configWord)
{
    for (std::size_t i = 0; i < contents.program.size(); ++i) {
        if (contents.program[i])
            buffer[i] = *contents.program[i];
    }
    for (std::size_t k = 0; k < contents.ids.size(); ++k) {
        if (contents.ids[k])
            buffer[BufferIds + k] = *contents.ids[k];
    }
    for (std::size_t n = 0; n < contents.eeprom.size(); ++n) {
        if (contents.eeprom[n])
            buffer[BufferEeprom + n] = *contents.eeprom[n];
    }
    if (contents.config)
        configWord = *contents.config;
}

} // namespace ravelin
