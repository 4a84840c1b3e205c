#include "cli/ImageFiles.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "buffer/IntelHex.h"
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

void showError(Core &core, MessageKind kind, std::string text)
{
    core.host.messageBox({kind, std::move(text), MessageButtons::Ok, {}});
}

// What the chip holds where an assembler's file gives nothing: the blank
// word, the erased EEPROM byte.
void blankChip(Core &core, const ChipLayout &layout)
{
    BufferWords &buffer = core.st.buffer.DeviceBuffer;
    std::fill_n(buffer.begin(), layout.programWords, layout.wordMask());
    std::fill_n(buffer.begin() + 0x2000, layout.eepromBytes, std::uint16_t {0x00FF});
    std::fill_n(buffer.begin() + 0x2100, 4, layout.wordMask());
}

} // namespace

ImageLoad loadImage(Core &core, const std::string &name, std::optional<Layout> layout)
{
    ImageLoad load;
    if (binaryName(name)) {
        // This program's own files are whole images: program memory, data
        // EEPROM and ID words, but no configuration word.
        load.ok = LoadBufferFromBinaryFile(core, name);
        load.hasEeprom = load.ok;
        return load;
    }
    const std::optional<ChipLayout> chip = selectedLayout(core.st.device);
    if (layout == Layout::Native || !chip) {
        load.ok = LoadBufferFromHexFile(core, name);
        load.hasEeprom = load.ok;
        return load;
    }

    const FileBytes file = readFileBytes(name, HexFileLimit);
    if (!file.error.empty() || file.truncated) {
        showError(core, MessageKind::Error,
            "Could Not Load Buffer....\n" + name + ": "
                + (file.truncated ? "larger than any Intel HEX file of the buffer" : file.error));
        return load;
    }
    const HexParse parse = parseIntelHex(
        std::string_view(reinterpret_cast<const char *>(file.bytes.data()), file.bytes.size()));
    if (parse.error) {
        showError(core, MessageKind::Error,
            "Invalid Hex File....\nLine " + std::to_string(parse.error->line) + ": "
                + parse.error->what);
        return load;
    }
    // A file this program wrote is read as the window reads it.
    if (!layout && !usesMicrochipLayout(parse.image, *chip)) {
        load.ok = LoadBufferFromHexFile(core, name);
        load.hasEeprom = load.ok;
        return load;
    }
    const ChipContents contents = readMicrochipImage(parse.image, *chip);
    blankChip(core, *chip);
    applyContents(contents, core.st.buffer.DeviceBuffer, core.st.device.ConfigWord);
    if (contents.wordsWithoutPlace > 0) {
        showError(core, MessageKind::Warning,
            "Data Outside the Buffer Was Ignored....\n" + std::to_string(contents.wordsWithoutPlace)
                + " words");
    }
    load.ok = true;
    load.hasEeprom = contents.hasEeprom();
    load.hasConfig = contents.config.has_value();
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
