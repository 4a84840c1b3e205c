#include "cli/ImageFiles.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "devices/Catalogue.h"
#include "devices/ConfigEditor.h"

#include <algorithm>
#include <cctype>

namespace ravelin::cli {
namespace {

// Far beyond any Intel HEX file of the buffer; a larger file is not read.
constexpr std::size_t FileLimit = 64u << 20;

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

ImageLoad refused(std::string line)
{
    ImageLoad load;
    load.errors.push_back(std::move(line));
    return load;
}

std::string deviceCaption(const Core &core)
{
    const int row = core.st.device.selectedRow;
    if (row < 0 || static_cast<std::size_t>(row) >= DeviceCatalogue.size())
        return {};
    return std::string(DeviceCatalogue[static_cast<std::size_t>(row)].caption);
}

// A binary file seen as the words it gives: all of the file image.
HexImage binaryWords(std::span<const std::uint8_t> bytes)
{
    HexImage image;
    for (std::size_t k = 0; k < bytes.size() && k < HexImage::Bytes; ++k) {
        image.bytes[k] = bytes[k];
        image.given.set(k);
    }
    return image;
}

bool givesAny(const HexImage &image, std::size_t firstWord, std::size_t words)
{
    for (std::size_t byte = 2 * firstWord; byte < 2 * (firstWord + words); ++byte) {
        if (image.given[byte])
            return true;
    }
    return false;
}

} // namespace

ImageLoad loadImage(Core &core, const std::string &name, const LoadRequest &request)
{
    const std::string lower = lowerCase(name);
    const std::string cannot = "Could Not Load Buffer.... " + name + ": ";
    if (lower.ends_with(".hxl") || lower.ends_with(".hxh")) {
        return refused(cannot
            + "an INHX8S half holds only the low or the high byte of each word: "
              "give the whole file (INHX8M or INHX32)");
    }
    const FileBytes file = readFileBytes(name, FileLimit);
    if (!file.error.empty())
        return refused(cannot + file.error);
    if (file.truncated)
        return refused(cannot + "larger than any file of the buffer");

    const bool binary = lower.ends_with(".bin");
    ImageLoad load;
    HexImage image;
    Layout fileLayout = Layout::Native;
    const std::optional<ChipLayout> chip = selectedLayout(core.st.device);
    if (binary) {
        if (file.bytes.size() != BinaryFileBytes) {
            std::string why = cannot + "it holds " + std::to_string(file.bytes.size())
                + " bytes; a binary buffer file holds exactly " + std::to_string(BinaryFileBytes);
            if (!file.bytes.empty() && file.bytes.front() == ':')
                why += "; it looks like Intel HEX: name it .hex";
            return refused(why);
        }
        image = binaryWords(file.bytes);
    } else {
        const std::string_view text(
            reinterpret_cast<const char *>(file.bytes.data()), file.bytes.size());
        HexParse parse = parseIntelHex(text, HexReading::Strict);
        if (parse.error) {
            return refused("Invalid Hex File.... " + name + ": Line "
                + std::to_string(parse.error->line) + ": " + parse.error->what);
        }
        image = std::move(parse.image);
        fileLayout = request.layout.value_or(recogniseLayout(image));
        // Microchip's layout is mapped for a device: without one, the file is
        // the buffer's image, as the window reads it.
        if (!chip)
            fileLayout = Layout::Native;
        if (!request.layout || *request.layout != fileLayout) {
            load.notes.push_back(fileLayout == Layout::Microchip
                    ? "read as Microchip's layout"
                    : "read as this program's own layout");
        }
        load.layout = fileLayout;
    }

    if (chip) {
        load.errors
            = placementFaults(image, fileLayout, {*chip, deviceCaption(core), request.eeprom});
        if (!load.errors.empty())
            return load;
    }

    BufferWords &buffer = core.st.buffer.DeviceBuffer;
    if (chip) {
        // An assembler's file gives only the words it uses: the others are
        // what an erased chip holds.
        std::fill_n(buffer.begin(), chip->programWords, chip->wordMask());
        std::fill_n(buffer.begin() + 0x2000, chip->eepromBytes, std::uint16_t {0x00FF});
        std::fill_n(buffer.begin() + 0x2100, 4, chip->wordMask());
    }
    if (binary) {
        applyBinaryImage(file.bytes, buffer);
        load.hasEeprom = true;
    } else if (fileLayout == Layout::Native) {
        applyHexImage(image, buffer, core.st.device.WordMask);
        load.hasEeprom = givesAny(image, 0x2000, chip ? chip->eepromBytes : 0x100);
    } else {
        const ChipContents contents = readMicrochipImage(image, *chip);
        applyContents(contents, buffer, core.st.device.ConfigWord);
        load.hasEeprom = contents.hasEeprom();
        load.hasConfig = contents.config.has_value();
        if (load.hasConfig) {
            ShowConfigWord(core);
            ShowFuseData(core);
        }
    }
    load.ok = true;
    return load;
}

ImageSave saveImage(
    Core &core, const std::string &name, Layout layout, std::optional<std::uint16_t> config)
{
    ImageSave save;
    const BufferWords &buffer = core.st.buffer.DeviceBuffer;
    const std::optional<ChipLayout> chip = selectedLayout(core.st.device);
    std::string text;
    std::vector<std::uint8_t> bytes;
    if (lowerCase(name).ends_with(".bin")) {
        bytes = binaryImage(buffer);
        if (config)
            save.notes.push_back("a binary buffer file holds no configuration word");
    } else if (layout == Layout::Native || !chip) {
        text = formatIntelHex(buffer);
        if (layout == Layout::Microchip)
            save.notes.push_back("no device selected: written in this program's own layout");
        if (config)
            save.notes.push_back("this program's own layout holds no configuration word");
    } else {
        ChipContents contents = contentsOfBuffer(buffer, config.value_or(0), *chip);
        if (config) {
            contents.config = *config & chip->wordMask();
        } else {
            contents.config.reset();
            save.notes.push_back(
                "no configuration word given: " + name + " holds no configuration record");
        }
        text = formatMicrochipHex(contents);
    }
    if (bytes.empty())
        bytes.assign(text.begin(), text.end());
    const std::string why = writeFileReplacing(name, bytes);
    if (!why.empty()) {
        save.errors.push_back("Could Not Save Buffer.... " + name + ": " + why);
        return save;
    }
    save.ok = true;
    return save;
}

} // namespace ravelin::cli
