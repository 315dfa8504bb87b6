#include "diag/error_state_text.h"

#include <cstdio>

namespace orvex::diag {
namespace {

std::string hex(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
}

} // namespace

std::string error_state_text(const std::array<std::uint8_t, 16>& s)
{
    std::string text =
        "R: " + hex(s[0]) + " " + std::to_string(s[1]) + " " + std::to_string(s[2]) + " " + "   DBG: ";
    for (int i = 12; i < 16; ++i)
        text += hex(s[i]) + " ";
    return text;
}

std::string error_state_failure_text(const std::string& previous)
{
    return "?: " + (previous.size() > 3 ? previous.substr(3) : std::string());
}

} // namespace orvex::diag
