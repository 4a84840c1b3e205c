#include "cli/ImageFiles.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileAccess.h"
#include "buffer/IntelHex.h"

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

} // namespace

ImageLoad loadImage(Core &core, const std::string &name, std::optional<Layout> layout)
{
    static_cast<void>(layout);
    ImageLoad load;
    // This program's own files are whole images: program memory, data EEPROM
    // and ID words, but no configuration word.
    load.ok = binaryName(name) ? LoadBufferFromBinaryFile(core, name)
                               : LoadBufferFromHexFile(core, name);
    load.hasEeprom = load.ok;
    return load;
}

std::string saveImage(Core &core, const std::string &name, Layout layout)
{
    static_cast<void>(layout);
    if (binaryName(name))
        return writeFileReplacing(name, binaryImage(core.st.buffer.DeviceBuffer));
    const std::string text = formatIntelHex(core.st.buffer.DeviceBuffer);
    const auto *data = reinterpret_cast<const std::uint8_t *>(text.data());
    return writeFileReplacing(name, {data, text.size()});
}

} // namespace ravelin::cli
