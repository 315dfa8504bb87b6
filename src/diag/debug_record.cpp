#include "diag/debug_record.h"

#include <cctype>
#include <limits>

namespace orvex::diag {
namespace {

// Leading decimal digits of `s` after blanks; false without any digit or
// beyond `limit`.
bool parse_number(const std::string& s, long limit, long& out)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i])))
        return false;
    long v = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > limit)
            return false;
    }
    out = v;
    return true;
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

std::array<std::string, 4> descriptor_lines(const std::uint8_t* bytes)
{
    std::array<std::string, 4> lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i].assign(reinterpret_cast<const char*>(bytes) + i * descriptor_line_length,
                        descriptor_line_length);
    return lines;
}

debug_record_layout parse_descriptor_line(const std::string& line)
{
    debug_record_layout layout;
    std::size_t start = line.find_first_of("@%");
    while (start != std::string::npos) {
        const std::size_t next = line.find_first_of("@%", start + 1);
        const std::string token =
            line.substr(start, next == std::string::npos ? std::string::npos : next - start);
        start = next;
        const std::size_t hash = token.find('#');
        if (hash == std::string::npos)
            continue;
        const std::string name = trimmed(token.substr(1, hash - 1));
        const std::string numbers = token.substr(hash + 1);
        if (token[0] == '@') {
            long n = 0;
            if (!parse_number(numbers, 65535, n))
                continue;
            layout.name = name;
            layout.length = static_cast<std::size_t>(n);
            continue;
        }
        const std::size_t colon = numbers.find(':');
        long hi = 0, lo = 0;
        if (colon == std::string::npos || !parse_number(numbers.substr(0, colon), 1 << 20, hi) ||
            !parse_number(numbers.substr(colon + 1), 1 << 20, lo) || hi < lo || hi - lo >= 64)
            continue;
        layout.fields.push_back({name, static_cast<int>(hi), static_cast<int>(lo)});
    }
    return layout;
}

std::uint64_t extract_field(const std::uint8_t* data, std::size_t n, int hi, int lo)
{
    std::uint64_t value = 0;
    for (int bit = hi; bit >= lo && bit >= 0; --bit) {
        const std::size_t byte = static_cast<std::size_t>(bit) / 8;
        const bool set = byte < n && ((data[n - 1 - byte] >> (bit % 8)) & 1) != 0;
        value = (value << 1) | (set ? 1u : 0u);
    }
    return value;
}

} // namespace orvex::diag
