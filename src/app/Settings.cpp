#include "app/Settings.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "devices/Selection.h"

#include <limits>

namespace ravelin {
namespace {

// More than 29 lines of any sensible length; the rest of a file is not read.
constexpr std::size_t SettingsReadLimit = 1u << 20;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value of a slot, or the conversion error shown in the standard error box.
std::optional<std::int32_t> integerSlot(Core &core, const std::string &slot)
{
    const std::optional<std::int32_t> value = settingsInteger(slot);
    if (!value) {
        MessageBoxRequest box;
        box.kind = MessageKind::Error;
        box.text = "'" + slot + "' is not a valid integer value";
        core.host.messageBox(box);
    }
    return value;
}

} // namespace

SettingsSlots parseSettingsText(std::string_view text)
{
    SettingsSlots slots;
    slots.fill("1");
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::size_t pos = 0;
    for (std::size_t slot = 0; slot < SettingsSlotCount && pos < text.size(); ++slot) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        slots[slot] = std::string(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size()) {
            const bool cr = text[pos] == '\r';
            ++pos;
            if (cr && pos < text.size() && text[pos] == '\n')
                ++pos;
        }
    }
    return slots;
}

std::optional<std::int32_t> settingsInteger(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9')
            return std::nullopt;
        value = value * 10 + (text[pos] - '0');
        if (value > std::int64_t {std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string formatSettings(const Core &core)
{
    const AppState &st = core.st;
    std::string text;
    for (const std::string &line :
        {std::to_string(st.op.PulseDelaySetting), std::to_string(st.device.selectedRow),
            std::to_string(st.buffer.fileType), std::to_string(st.device.StartAddress),
            std::to_string(st.device.LastProgramAddress), core.ui.OpenDialog1.fileName}) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void applySettings(Core &core, const SettingsSlots &slots, DeviceSelection selectDevice)
{
    AppState &st = core.st;
    if (const auto pulse = integerSlot(core, slots[0]); pulse && *pulse > st.op.PulseDelaySetting)
        st.op.PulseDelaySetting = static_cast<std::uint16_t>(*pulse);
    if (const auto row = integerSlot(core, slots[1])) {
        st.device.selectedRow = *row;
        if (selectDevice)
            selectDevice(core);
    }
    if (const auto type = integerSlot(core, slots[2]))
        st.buffer.fileType = *type;
    // These replace what the device selection has just set.
    if (const auto start = integerSlot(core, slots[3]))
        st.device.StartAddress = static_cast<std::uint16_t>(*start);
    if (const auto last = integerSlot(core, slots[4]))
        st.device.LastProgramAddress = static_cast<std::uint16_t>(*last);
    ApplyFileType(core);
    if (!slots[5].empty()) {
        core.ui.OpenDialog1.fileName = slots[5];
        loadBufferFile(core, slots[5], LoadReporting::Quiet);
    }
}

void RestoreSettings(Core &core)
{
    const FileBytes file = readFileBytes(std::string(SettingsFileName), SettingsReadLimit);
    if (!file.error.empty())
        return;
    const std::string_view text(
        reinterpret_cast<const char *>(file.bytes.data()), file.bytes.size());
    applySettings(core, parseSettingsText(text), &SelectDevice);
}

void SaveSettings(Core &core)
{
    // A settings file that cannot be written never keeps the window open.
    const std::string text = formatSettings(core);
    const auto *data = reinterpret_cast<const std::uint8_t *>(text.data());
    writeFileReplacing(std::string(SettingsFileName), {data, text.size()});
}

} // namespace ravelin
