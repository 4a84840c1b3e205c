#include "buffer/BufferCommands.h"

#include "app/Format.h"
#include "app/Steps.h"

#include <algorithm>
#include <optional>
#include <string>

namespace ravelin {
namespace {

constexpr std::string_view FillKeys = "1234567890ABCDEFabcdef";
constexpr std::size_t FillDigits = 4;

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// 1 to 4 hexadecimal digits, or nothing.
std::optional<std::uint16_t> fillValue(std::string_view text)
{
    if (text.empty() || text.size() > FillDigits)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const std::size_t digit = std::string_view("0123456789ABCDEF").find(upper(c));
        if (digit == std::string_view::npos)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

void fillWith(Core &core, std::uint16_t value, std::string status)
{
    auto &words = core.st.buffer.DeviceBuffer;
    std::fill(words.begin(), words.end(), value);
    core.ui.setCaption(ControlId::StaticText3, std::move(status));
}

void emptyFillEdit(Core &core)
{
    core.ui.setCaption(ControlId::FillEdit, "");
    core.st.buffer.fillRejectMark = 0;
    core.st.buffer.fillTextRefused = false;
}

} // namespace

std::uint16_t bufferChecksum(const AppState &st)
{
    const auto &words = st.buffer.DeviceBuffer;
    // A last address restored from a hand-edited settings file may lie beyond
    // the buffer; the sum stops at its end.
    const std::size_t last = std::min<std::size_t>(st.device.LastProgramAddress, words.size() - 1);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i <= last; ++i)
        sum = static_cast<std::uint16_t>(sum + words[i]);
    return sum;
}

void ComputeChecksum(Core &core)
{
    core.ui.setCaption(ControlId::Chk_Sum_But, "Checksum=" + hex4(bufferChecksum(core.st)));
    IdleStep(core);
}

void Chk_Sum_ButClick(Core &core)
{
    BusyStep(core);
    ComputeChecksum(core);
}

void FillClick(Core &core)
{
    BusyStep(core);
    core.ui.show(ControlId::FillBox);
}

void FillBoxClick(Core &core, int index)
{
    switch (index) {
    case 0:
        fillWith(core, 0x0000, "Buffer Filled with 0000...");
        IdleStep(core);
        break;
    case 1:
        // The blank value of a program word, not 0xFFFF.
        fillWith(core, core.st.device.WordMask, "Buffer Filled with FFFF...");
        IdleStep(core);
        break;
    case 2:
        core.ui.show(ControlId::FillEdit);
        emptyFillEdit(core);
        core.ui.setFocus(ControlId::FillEdit);
        break;
    case 3:
        IdleStep(core);
        break;
    default:
        break;
    }
}

void FillEditKeyPress(Core &core, char key)
{
    BufferState &buffer = core.st.buffer;
    if (key == '\r') {
        const std::string text = core.ui[ControlId::FillEdit].caption;
        if (!text.empty()) {
            const std::optional<std::uint16_t> value
                = buffer.fillTextRefused ? std::nullopt : fillValue(text);
            if (value)
                fillWith(core, *value, "Buffer Filled with " + hex4(*value) + "...");
            else
                emptyFillEdit(core);
        }
        IdleStep(core);
        return;
    }
    // Any other key, Backspace too, marks the field: the change it makes
    // empties the whole field, and the value is typed again from its first
    // digit. The mark is the key's own: a key that changed nothing (Backspace
    // in an empty field) leaves no mark for the next digit.
    buffer.fillRejectMark = FillKeys.find(key) == std::string_view::npos ? 1 : 0;
}

void FillEditChange(Core &core, std::string_view text)
{
    BufferState &buffer = core.st.buffer;
    if (buffer.fillRejectMark != 0) {
        emptyFillEdit(core);
        return;
    }
    // Shown as the field holds it; pasted text is no fill value unless it is
    // 1 to 4 hexadecimal digits, and Enter then refuses it.
    std::string shown;
    for (char c : text.substr(0, FillDigits))
        shown += upper(c);
    buffer.fillTextRefused = !text.empty() && !fillValue(text);
    core.ui.setCaption(ControlId::FillEdit, std::move(shown));
}

} // namespace ravelin
