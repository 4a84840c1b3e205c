// Any bytes as an Intel HEX file: the reader either refuses them with a line
// inside the file or gives an image whose words all lie in the buffer.
#include "buffer/IntelHex.h"

#include <cstdlib>

using namespace ravelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const HexParse parse = parseIntelHex(text);
    if (parse.error) {
        if (parse.error->line == 0 || parse.error->what.empty())
            std::abort();
        return 0;
    }
    BufferWords words {};
    applyHexImage(parse.image, words, 0x3FFF);
    for (std::uint16_t word : words) {
        if (word > 0x3FFF)
            std::abort();
    }
    // What the writer makes of it reads back to the same words.
    const HexParse again = parseIntelHex(formatIntelHex(words));
    if (again.error || !again.image.endRecord)
        std::abort();
    BufferWords reread {};
    applyHexImage(again.image, reread, 0x3FFF);
    for (std::size_t i = 0; i < FileImageWords; ++i) {
        if (reread[i] != words[i])
            std::abort();
    }
    return 0;
}
