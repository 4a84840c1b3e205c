// Any bytes as a settings file: 29 slots, each converted as the start-up does.
#include "app/Settings.h"

#include <cstdlib>

using namespace ravelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const SettingsSlots slots = parseSettingsText(text);
    for (const std::string &slot : slots) {
        if (slot.find_first_of("\r\n") != std::string::npos)
            std::abort();
        if (const std::optional<std::int32_t> value = settingsInteger(slot)) {
            // A converted slot is written back as the same number.
            if (settingsInteger(std::to_string(*value)) != value)
                std::abort();
        }
    }
    return 0;
}
