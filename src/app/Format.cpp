#include "app/Format.h"

namespace ravelin {
namespace {

std::string hexDigits(std::uint32_t value, int digits)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = Digits[value & 0xF];
        value >>= 4;
    }
    return text;
}

} // namespace

std::string hex4(std::uint32_t value)
{
    return hexDigits(value & 0xFFFF, 4);
}
std::string hex2(std::uint32_t value)
{
    return hexDigits(value & 0xFF, 2);
}

} // namespace ravelin
