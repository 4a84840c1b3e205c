#include "cli/ImageFiles.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "buffer/MicrochipLayout.h"

#include <algorithm>
#include <cctype>

namespace ravelin::cli {
namespace {

bool binaryName(const std::string &name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.ends_with(".bin");
}

// No word of a chip's file is this: a configuration word or EEPROM byte the
// file gave replaces it, so what is left of it shows what the file lacked.
constexpr std::uint16_t NotGiven = 0xFFFF;

} // namespace

ImageLoad loadImage(Core &core, const std::string &name)
{
    ImageLoad load;
    // This program's own files are whole images (program memory, data EEPROM
    // and ID words, no configuration word), loaded as the window loads them.
    if (binaryName(name)) {
        load.ok = LoadBufferFromBinaryFile(core, name);
        load.hasEeprom = load.ok;
        return load;
    }
    const std::optional<ChipLayout> chip = selectedLayout(core.st.device);
    if (!chip) {
        load.ok = LoadBufferFromHexFile(core, name);
        load.hasEeprom = load.ok;
        return load;
    }
    // An assembler's file gives only the words it uses: the others are what
    // an erased chip holds.
    BufferWords &buffer = core.st.buffer.DeviceBuffer;
    std::fill_n(buffer.begin(), chip->programWords, chip->wordMask());
    std::fill_n(buffer.begin() + 0x2000, chip->eepromBytes, NotGiven);
    std::fill_n(buffer.begin() + 0x2100, 4, chip->wordMask());
    std::uint16_t &config = core.st.device.ConfigWord;
    const std::uint16_t configBefore = config;
    config = NotGiven;

    load.ok = LoadBufferFromHexFile(core, name);
    load.hasConfig = load.ok && config != NotGiven;
    if (!load.hasConfig)
        config = configBefore;
    for (std::size_t n = 0; n < chip->eepromBytes; ++n) {
        std::uint16_t &byte = buffer[0x2000 + n];
        load.hasEeprom = load.hasEeprom || (load.ok && byte != NotGiven);
        if (byte == NotGiven)
            byte = 0x00FF;
    }
    return load;
}

std::string saveImage(Core &core, const std::string &name, Layout layout)
{
    const BufferWords &buffer = core.st.buffer.DeviceBuffer;
    if (binaryName(name))
        return writeFileReplacing(name, binaryImage(buffer));
    const std::optional<ChipLayout> chip = selectedLayout(core.st.device);
    const std::string text = layout == Layout::Native || !chip
        ? formatIntelHex(buffer)
        : formatMicrochipHex(contentsOfBuffer(buffer, core.st.device.ConfigWord, *chip));
    const auto *data = reinterpret_cast<const std::uint8_t *>(text.data());
    return writeFileReplacing(name, {data, text.size()});
}

} // namespace ravelin::cli
