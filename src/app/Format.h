#pragma once

#include <cstdint>
#include <string>

namespace ravelin {

// Numbers as the window shows them: upper-case hexadecimal, four digits for
// addresses and words, two for bytes.
std::string hex4(std::uint32_t value);
std::string hex2(std::uint32_t value);

} // namespace ravelin
