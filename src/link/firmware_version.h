// Firmware version of a sensor: a number and a letter, such as "49m".
//
// Parsed from two or three characters; compared number first, then by the
// letter's character code ('-' sorts below every letter, so "40-" is the
// lowest 40). A number of -1 means "could not be read" and shows as "---".
#pragma once

#include <string>
#include <string_view>

namespace orvex::k7 {

struct firmware_version {
    int number = -1;
    char letter = '-';

    /// Text of two or three characters: the number is the decimal value of the
    /// first two (-1 when they are not both digits); the letter is the third
    /// character when there is one and the number is at least 1, else '-'.
    /// Any other length gives number -1.
    static firmware_version parse(std::string_view text);

    /// "49m", "40-"; "---" when the number is negative.
    std::string to_string() const;

    friend bool operator<(const firmware_version& a, const firmware_version& b)
    {
        if (a.number != b.number)
            return a.number < b.number;
        return static_cast<unsigned char>(a.letter) < static_cast<unsigned char>(b.letter);
    }
    friend bool operator>=(const firmware_version& a, const firmware_version& b) { return !(a < b); }
    friend bool operator>(const firmware_version& a, const firmware_version& b) { return b < a; }
    friend bool operator<=(const firmware_version& a, const firmware_version& b) { return !(b < a); }
    friend bool operator==(const firmware_version& a, const firmware_version& b)
    {
        return a.number == b.number && a.letter == b.letter;
    }
    friend bool operator!=(const firmware_version& a, const firmware_version& b) { return !(a == b); }
};

} // namespace orvex::k7
