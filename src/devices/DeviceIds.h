#pragma once

#include "devices/Catalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ravelin {

// A 14-bit part that has a device ID keeps it in configuration memory: after
// Load Configuration the counter stands at 0x2000, six Increment Address bring
// it here, and Read Data from Program Memory reads it.
inline constexpr std::uint16_t DeviceIdAddress = 0x2006;
// A chip is told by the bits under this mask; the low five bits are the
// silicon revision (the 16F818/819 and 16F87xA use bits 3:0 and keep bit 4 at
// 0 in their IDs, so the same mask serves them). Never compare the whole word.
inline constexpr std::uint16_t DeviceIdMask = 0x3FE0;
inline constexpr std::uint16_t RevisionMask = 0x001F;

enum class IdRule : std::uint8_t {
    Required, // the chip shows the row's ID
    // The 16F84/A row: a 16F84A shows the ID, a 16F84 has none at all, so a
    // chip that shows no ID is accepted (it cannot be told from an empty socket).
    OrNone,
};

struct DeviceIdRow
{
    std::string_view caption; // the device list row, by its caption
    std::uint16_t id; // at revision 0
    IdRule rule;
};

// The device IDs the programming documents of the chips give. An LF part reads the
// same ID as its F part: the ID cannot tell them apart, and need not. Parts
// not named here (the 12-bit parts, the 16F83, the 14-bit EPROM parts but the
// 16C717) have no ID, or none known, and are never checked by it.
inline constexpr auto DeviceIds = [] {
    using enum IdRule;
    return std::array<DeviceIdRow, 33> {{
        {"12F629", 0x0F80, Required},
        {"12F675", 0x0FC0, Required},
        {"16F627", 0x07A0, Required},
        {"16LF627", 0x07A0, Required},
        {"16F628", 0x07C0, Required},
        {"16LF628", 0x07C0, Required},
        {"16F627A", 0x1040, Required},
        {"16LF627A", 0x1040, Required},
        {"16F628A", 0x1060, Required},
        {"16LF628A", 0x1060, Required},
        {"16F648A", 0x1100, Required},
        {"16LF648A", 0x1100, Required},
        {"16F72", 0x00A0, Required},
        {"16F73", 0x0600, Required},
        {"16F74", 0x0620, Required},
        {"16F76", 0x0640, Required},
        {"16F77", 0x0660, Required},
        {"16F84/A", 0x0560, OrNone},
        {"16F716", 0x1140, Required},
        {"16F818", 0x04C0, Required},
        {"16F819", 0x04E0, Required},
        {"16F870", 0x0D00, Required},
        {"16F871", 0x0D20, Required},
        {"16F872", 0x08E0, Required},
        {"16F873", 0x0960, Required},
        {"16F874", 0x0920, Required},
        {"16F876", 0x09E0, Required},
        {"16F877", 0x09A0, Required},
        {"16F873A", 0x0E40, Required},
        {"16F874A", 0x0E60, Required},
        {"16F876A", 0x0E00, Required},
        {"16F877A", 0x0E20, Required},
        {"16C717", 0x0AC0, Required},
    }};
}();

// The device list row of a caption; none for a caption no row shows.
constexpr std::optional<std::size_t> rowOfCaption(std::string_view caption)
{
    for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
        if (!DeviceCatalogue[row].isSeparator() && DeviceCatalogue[row].caption == caption)
            return row;
    }
    return std::nullopt;
}

// The device ID a device list row has; none when its part has none or none is
// known.
constexpr const DeviceIdRow *deviceIdOfRow(std::size_t row)
{
    if (row >= DeviceCatalogue.size() || DeviceCatalogue[row].isSeparator())
        return nullptr;
    for (const DeviceIdRow &entry : DeviceIds) {
        if (entry.caption == DeviceCatalogue[row].caption)
            return &entry;
    }
    return nullptr;
}

// A word at 0x2006 that no chip drives: the data line floats low or high.
constexpr bool showsNoChip(std::uint16_t word)
{
    const auto bits = static_cast<std::uint16_t>(word & 0x3FFF);
    return bits == 0x0000 || bits == 0x3FFF;
}

// The device list row whose ID a word read at 0x2006 shows (the F part where
// an LF part shares it); none when the word is no ID of the list.
constexpr std::optional<std::size_t> rowOfDeviceId(std::uint16_t word)
{
    if (showsNoChip(word))
        return std::nullopt;
    for (const DeviceIdRow &entry : DeviceIds) {
        if ((word & DeviceIdMask) == entry.id)
            return rowOfCaption(entry.caption);
    }
    return std::nullopt;
}

// What a word read at 0x2006 says about the chip in the socket, for the
// device list row the user named.
struct IdVerdict
{
    // The row's part has an ID to check; without one the chip is never
    // refused on its ID.
    bool known = false;
    // The chip may be the row's part: a command may go on.
    bool matches = true;
    // Nothing answered: the word reads 0000 or 3FFF (or none was read).
    bool noChip = false;
    // The row whose ID the chip shows, when that is not the named row.
    std::optional<std::size_t> otherRow;
    std::uint8_t revision = 0; // the word's low five bits, where it shows a chip
};

// word: the word read at 0x2006; none when the chip gave none.
constexpr IdVerdict checkDeviceId(std::size_t row, std::optional<std::uint16_t> word)
{
    IdVerdict verdict;
    verdict.noChip = !word || showsNoChip(*word);
    if (!verdict.noChip)
        verdict.revision = static_cast<std::uint8_t>(*word & RevisionMask);
    const DeviceIdRow *expected = deviceIdOfRow(row);
    if (!expected)
        return verdict;
    verdict.known = true;
    if (verdict.noChip) {
        verdict.matches = expected->rule == IdRule::OrNone;
        return verdict;
    }
    verdict.matches = (*word & DeviceIdMask) == expected->id;
    if (!verdict.matches)
        verdict.otherRow = rowOfDeviceId(*word);
    return verdict;
}

} // namespace ravelin
