#pragma once

#include "app/Core.h"
#include "buffer/IntelHex.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ravelin {

// A binary file: the file image, word i at offset 2 i, low byte first.
inline constexpr std::size_t BinaryFileBytes = 2 * FileImageWords;

std::vector<std::uint8_t> binaryImage(const BufferWords &buffer);
// Byte k of the file onto byte k of the buffer: a short file changes only the
// bytes it covers; nothing is masked.
void applyBinaryImage(std::span<const std::uint8_t> bytes, BufferWords &buffer);

// At start-up a file that does not load is passed over without a box.
enum class LoadReporting : std::uint8_t { Boxes, Quiet };

void SaveBufferToHexFile(Core &core, const std::string &name);
void SaveBufferToBinaryFile(Core &core, const std::string &name);
// True when the file was loaded; a file that is not loaded leaves the buffer as it was.
bool LoadBufferFromHexFile(
    Core &core, const std::string &name, LoadReporting reporting = LoadReporting::Boxes);
bool LoadBufferFromBinaryFile(
    Core &core, const std::string &name, LoadReporting reporting = LoadReporting::Boxes);

// Loads by the file type and names a loaded file in StaticText1; after a file
// that did not load, the open dialog names the last file that did.
bool loadBufferFile(Core &core, const std::string &name, LoadReporting reporting);

void ApplyFileType(Core &core);
void File_ButClick(Core &core);
void File_TypeClick(Core &core, int index);
void Save_ButClick(Core &core);
void Load_ButClick(Core &core);

} // namespace ravelin
