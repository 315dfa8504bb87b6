// sensor_info: what a search reply and a connection tell about a device, and
// the decoder of the 256-byte sensor description that carries it.
//
// The description follows the echo byte in the reply to 0xF3 / 0xF4. Bytes
// 32..157 of it are the sensor's identification record; its text, serial,
// coordinate shift and measuring-range outline are taken only when the magic
// "K7D!" stands both at 32 and at 154. Also here: the device type table and
// the text of a found device's row in the search list.
#pragma once

#include "link/firmware_version.h"
#include "profiles/geometry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::k7 {

/// Size of the description payload (the reply is one echo byte longer).
constexpr std::size_t description_size = 256;

/// Image-sensor families (payload byte 10: 1 Vita, 2 Python, else unknown).
enum : std::int32_t { family_unknown = 0, family_vita = 1, family_python = 2 };

/// Device types (payload bytes 21..23).
enum : std::int32_t {
    type_unknown = 0, // none of the codes below
    type_rcv = 1,     // "RCV", recovery firmware
    type_s2d = 2,     // "S2D"
    type_s3l = 3,     // "S3L"
    type_e1d = 4,     // "E1D"
    type_eb1 = 5,     // "EB1", extension board (also the calibration rig's control board)
};

struct sensor_info {
    std::string computer_address_text;  // local interface the search reply came in on (search only)
    std::uint32_t computer_address = 0; // same, host order
    std::string address_text;           // "a.b.c.d" from payload bytes 6..9
    std::uint32_t address = 0;          // host order
    std::int32_t family = family_unknown;
    std::uint8_t flag = 0;  // payload byte 11, bit 0
    std::uint8_t kind = 0;  // sensor kind character (payload byte 12)
    std::uint8_t board = 0; // extension-board code (payload byte 13)
    firmware_version version;
    std::int32_t type = type_unknown;
    bool ident_valid = false;
    std::string ident_text; // raw bytes up to the first zero (only when valid)
    std::string serial;     // exactly 5 raw bytes (only when valid)
    std::uint8_t shift = 5; // fixed-point shift p of the outline
    double scale = 32.0;    // 2^p
    double x1 = 0, x2 = 0, y1_low = 0, y1_high = 0, y2_low = 0, y2_high = 0; // millimetres

    /// The measuring-range outline as a closed polyline of five points:
    /// (x1, y1 low), (x1, y1 high), (x2, y2 high), (x2, y2 low), (x1, y1 low).
    std::vector<math::Point2d> outline() const;
};

/// Decodes a description payload of `size` bytes into `info`. Returns false
/// and changes nothing when size is below 256 (extra bytes are ignored). When
/// the identification is not valid, text, serial, shift, scale and outline
/// keep the values they had in `info`.
bool decode_description(const std::uint8_t* payload, std::size_t size, sensor_info& info);

/// Device type of a three-letter code ("S2D" -> type_s2d); type_unknown for others.
std::int32_t device_type_from_code(const std::string& code);

/// Name of a device type as shown in the list; "тип не определен" for a number
/// outside the table. UTF-8.
std::string device_type_name(std::int32_t type);

/// The serial as shown: the five raw bytes without the zero bytes that pad a
/// shorter serial ("42" followed by three zeros reads "42"), other bytes
/// outside printable ASCII as '?'. The raw bytes stay in `serial`, since the
/// address change must send them as they are.
std::string serial_text(const std::string& raw);

/// One row of the search list (UTF-8): address, serial, version, type name,
/// the family mark from version "30d" on, the extension-board code in hex and,
/// with a valid identification, the identification text in double quotes.
/// Bytes of device-supplied text outside printable ASCII are shown as '?'.
std::string list_row_text(const sensor_info& info);

} // namespace orvex::k7
