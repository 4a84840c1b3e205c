#include "sim/ChipImage.h"

#include "buffer/FileAccess.h"
#include "buffer/MicrochipLayout.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ravelin::sim {
namespace {

ChipLayout layoutOf(const SimChip &chip)
{
    return {isTwelveBit(chip.info().group), chip.info().programWords, chip.info().eepromBytes};
}

} // namespace

ImageLoad loadHexImage(SimChip &chip, std::string_view text)
{
    ImageLoad result;
    const HexParse parse = parseIntelHex(text);
    if (parse.error) {
        result.error = "line " + std::to_string(parse.error->line) + ": " + parse.error->what;
        return result;
    }
    if (!parse.image.endRecord) {
        result.error = "no end record";
        return result;
    }
    const ChipContents contents = readMicrochipImage(parse.image, layoutOf(chip));
    const auto store = [&](std::uint16_t address, const std::optional<std::uint16_t> &word) {
        if (word) {
            chip.setWord(address, *word);
            ++result.wordsLoaded;
        }
    };
    for (std::size_t i = 0; i < contents.program.size(); ++i)
        store(static_cast<std::uint16_t>(i), contents.program[i]);
    for (int k = 0; k < 4; ++k)
        store(chip.idAddress(k), contents.ids[static_cast<std::size_t>(k)]);
    store(chip.configAddress(), contents.config);
    for (std::size_t n = 0; n < contents.eeprom.size(); ++n) {
        if (contents.eeprom[n]) {
            chip.setEeprom(n, *contents.eeprom[n]);
            ++result.wordsLoaded;
        }
    }
    result.wordsIgnored = contents.wordsWithoutPlace;
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
    ChipContents contents(layoutOf(chip));
    for (std::size_t i = 0; i < contents.program.size(); ++i)
        contents.program[i] = chip.word(static_cast<std::uint16_t>(i));
    for (int k = 0; k < 4; ++k)
        contents.ids[static_cast<std::size_t>(k)] = chip.id(k);
    contents.config = chip.config();
    for (std::size_t n = 0; n < contents.eeprom.size(); ++n)
        contents.eeprom[n] = chip.eeprom(n);
    return formatMicrochipHex(contents);
}

ImageSave saveHexFile(const SimChip &chip, const std::string &path)
{
    const std::string text = hexImage(chip);
    const auto *data = reinterpret_cast<const std::uint8_t *>(text.data());
    const std::string why = writeFileReplacing(path, {data, text.size()});
    if (!why.empty())
        return {false, "cannot write " + path + ": " + why};
    return {true, {}};
}

} // namespace ravelin::sim
