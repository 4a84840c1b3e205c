#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ravelin {

struct FileBytes
{
    std::vector<std::uint8_t> bytes;
    std::string error; // empty when the file was read
    bool truncated = false; // the file holds more than the limit
};

// The first `limit` bytes of a file, or why it could not be read.
FileBytes readFileBytes(const std::string &name, std::size_t limit);

// Replaces a file without ever losing the old one: the new contents go to a
// temporary file in the same folder, reach the disk, and are renamed over the
// target. A symbolic link is followed and its target replaced; the old file's
// permissions are kept. A file with no write permission bit is never
// replaced. Where the folder cannot be written, or the file not replaced in
// it, but the file can be written, it is rewritten in place. A FIFO or a
// character device (a terminal, /dev/null) is written to as it stands and
// never replaced; any other file that is not a regular file is refused.
// Returns why it failed, or an empty text.
std::string writeFileReplacing(const std::string &name, std::span<const std::uint8_t> bytes);

} // namespace ravelin
