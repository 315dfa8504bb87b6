#include "link/firmware_version.h"

namespace orvex::k7 {

namespace {
bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

firmware_version firmware_version::parse(std::string_view text)
{
    firmware_version v;
    if (text.size() != 2 && text.size() != 3)
        return v;
    if (!is_digit(text[0]) || !is_digit(text[1]))
        return v;
    v.number = (text[0] - '0') * 10 + (text[1] - '0');
    if (text.size() == 3 && v.number >= 1)
        v.letter = text[2];
    return v;
}

std::string firmware_version::to_string() const
{
    if (number < 0)
        return "---";
    return std::to_string(number) + letter;
}

} // namespace orvex::k7
