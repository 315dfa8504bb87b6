#include "options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace orvex::sim {
namespace {

[[noreturn]] void fail(const std::string& text, const std::string& what)
{
    throw std::invalid_argument("sensor \"" + text + "\": " + what);
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

bool all_alnum(const std::string& s)
{
    for (unsigned char c : s)
        if (!std::isalnum(c))
            return false;
    return true;
}

bool parse_double(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(out);
}

bool parse_uint(const std::string& s, int base, std::uint64_t max, std::uint64_t& out)
{
    if (s.empty() || s.size() > 20)
        return false;
    for (unsigned char c : s)
        if (base == 16 ? !std::isxdigit(c) : !std::isdigit(c))
            return false;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), nullptr, base);
    if (errno != 0 || v > max)
        return false;
    out = v;
    return true;
}

std::string strip_0x(const std::string& s)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return s.substr(2);
    return s;
}

// Outline values are stored as value * 2^shift in 16 bits: x unsigned, y signed.
void check_outline(const std::string& text, const sensor_config& c)
{
    const double scale = std::ldexp(1.0, c.shift);
    const double xs[] = {c.outline.x1, c.outline.x2};
    for (double x : xs)
        if (x < 0.0 || std::trunc(x * scale) > 65535.0)
            fail(text, "outline x value " + std::to_string(x) + " does not fit 16 bits with shift " +
                           std::to_string(c.shift));
    const double ys[] = {c.outline.y1_low, c.outline.y1_high, c.outline.y2_low, c.outline.y2_high};
    for (double y : ys)
        if (std::trunc(y * scale) < -32768.0 || std::trunc(y * scale) > 32767.0)
            fail(text, "outline y value " + std::to_string(y) + " does not fit 16 bits with shift " +
                           std::to_string(c.shift));
}

} // namespace

bool parse_ipv4(const std::string& text, std::uint32_t& out)
{
    const auto parts = split(text, '.');
    if (parts.size() != 4)
        return false;
    std::uint32_t v = 0;
    for (const auto& p : parts) {
        std::uint64_t octet = 0;
        if (p.size() > 3 || !parse_uint(p, 10, 255, octet))
            return false;
        v = (v << 8) | static_cast<std::uint32_t>(octet);
    }
    out = v;
    return true;
}

std::string format_ipv4(std::uint32_t a)
{
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
           std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF);
}

sensor_config parse_sensor_text(const std::string& text)
{
    const auto parts = split(text, ',');
    sensor_config c;
    c.address = parts[0];
    if (!parse_ipv4(c.address, c.address_value))
        fail(text, "\"" + c.address + "\" is not an IPv4 address such as 127.0.0.2");
    if ((c.address_value >> 24) != 127)
        fail(text, "address " + c.address + " is outside 127.0.0.0/8; the simulator is loopback-only");
    const std::uint32_t host = c.address_value & 0xFFFFFF;
    if (host == 0 || host == 0xFFFFFF || (c.address_value & 0xFF) == 0 || (c.address_value & 0xFF) == 255)
        fail(text, "address " + c.address + " is a network or broadcast address");
    if (c.address_value == 0x7F000001)
        fail(text, "127.0.0.1 is left to the program; use 127.0.0.2 or above");
    {
        std::ostringstream s;
        s.width(5);
        s.fill('0');
        s << (host % 100000);
        c.serial = s.str();
    }

    bool seen[24] = {};
    static const char* const keys[] = {"serial", "fw",     "type",    "family",  "board",   "kind",
                                       "ident",  "shift",  "outline", "key",     "scene",   "distance",
                                       "pitch",  "height", "tilt",    "rig",     "speed",   "stall",
                                       "travel", "coef",   "noise",   "records", "measure", nullptr};
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto& kv = parts[i];
        const auto eq = kv.find('=');
        if (eq == std::string::npos)
            fail(text, "\"" + kv + "\" is not key=value");
        const std::string k = kv.substr(0, eq), v = kv.substr(eq + 1);
        int idx = -1;
        for (int j = 0; keys[j] != nullptr; ++j)
            if (k == keys[j])
                idx = j;
        if (idx < 0)
            fail(text,
                 "unknown key \"" + k +
                     "\" (known: serial, fw, type, family, board, kind, ident, shift, outline, key, "
                     "scene, distance, pitch, height, tilt, rig, speed, stall, travel, coef, noise, records, "
                     "measure)");
        if (seen[idx])
            fail(text, "key \"" + k + "\" given twice");
        seen[idx] = true;

        if (k == "serial") {
            if (v.size() != 5 || !all_alnum(v))
                fail(text, "serial must be exactly five letters or digits, got \"" + v + "\"");
            c.serial = v;
        } else if (k == "fw") {
            const bool ok = (v.size() == 2 || v.size() == 3) && std::isdigit((unsigned char)v[0]) &&
                            std::isdigit((unsigned char)v[1]) &&
                            (v.size() == 2 || std::isgraph((unsigned char)v[2]));
            if (!ok)
                fail(text, "fw must be two digits and an optional letter, such as 49m, got \"" + v + "\"");
            c.fw = v;
        } else if (k == "type") {
            if (v.size() != 3 || !all_alnum(v))
                fail(text,
                     "type must be three letters or digits (RCV, S2D, S3L, E1D, EB1), got \"" + v + "\"");
            c.type = v;
        } else if (k == "family") {
            if (v == "vita")
                c.family = image_family::vita;
            else if (v == "python")
                c.family = image_family::python;
            else if (v == "unknown")
                c.family = image_family::unknown;
            else
                fail(text, "family must be vita, python or unknown, got \"" + v + "\"");
        } else if (k == "board") {
            std::uint64_t b = 0;
            if (!parse_uint(strip_0x(v), 16, 0xFF, b))
                fail(text, "board must be a hexadecimal byte such as 50, got \"" + v + "\"");
            c.board = static_cast<std::uint8_t>(b);
        } else if (k == "kind") {
            if (v.size() != 1)
                fail(text, "kind must be one character, got \"" + v + "\"");
            c.kind = v[0];
        } else if (k == "ident") {
            if (v.size() > 99)
                fail(text, "ident is longer than 99 characters");
            for (unsigned char ch : v)
                if (ch < 0x20 || ch > 0x7E)
                    fail(text, "ident must be printable ASCII text");
            c.ident = v;
        } else if (k == "shift") {
            std::uint64_t p = 0;
            if (!parse_uint(v, 10, 16, p))
                fail(text, "shift must be a number 0..16, got \"" + v + "\"");
            c.shift = static_cast<int>(p);
        } else if (k == "outline") {
            const auto f = split(v, ':');
            double d[6] = {};
            if (f.size() != 6)
                fail(text, "outline must be x1:x2:y1low:y1high:y2low:y2high in millimetres");
            for (int j = 0; j < 6; ++j)
                if (!parse_double(f[j], d[j]))
                    fail(text, "outline value \"" + f[j] + "\" is not a number");
            c.outline = {d[0], d[1], d[2], d[3], d[4], d[5]};
        } else if (k == "key") {
            const std::string h = strip_0x(v);
            if (h.size() > 16 || !parse_uint(h, 16, std::numeric_limits<std::uint64_t>::max(), c.key))
                fail(text, "key must be up to 16 hexadecimal digits, got \"" + v + "\"");
            c.has_key = true;
        } else if (k == "rig") {
            c.rig_targets = split(v, '+');
            if (c.rig_targets.size() > 2)
                fail(text, "rig takes one or two sensor addresses joined by +, got \"" + v + "\"");
            for (const auto& a : c.rig_targets) {
                std::uint32_t ignored = 0;
                if (!parse_ipv4(a, ignored))
                    fail(text, "rig address \"" + a + "\" is not an IPv4 address");
            }
        } else if (k == "stall") {
            std::uint64_t n = 0;
            if (!parse_uint(v, 10, 3, n))
                fail(text, "stall must be a channel 1..3 (0: none), got \"" + v + "\"");
            c.rig.stall = static_cast<int>(n);
        } else if (k == "coef") {
            const auto f = split(v, ':');
            double d[6] = {};
            if (f.size() != 6)
                fail(text, "coef must be m1:m2:m3:e1:e2:e3, motor steps and encoder counts per millimetre");
            for (int j = 0; j < 6; ++j)
                if (!parse_double(f[j], d[j]) || d[j] == 0.0 || std::fabs(d[j]) > 1e7)
                    fail(text, "coef value \"" + f[j] + "\" is not a non-zero number up to 1e7");
            c.rig.steps = {d[0], d[1], d[2]};
            c.rig.counts = {d[3], d[4], d[5]};
        } else if (k == "records") {
            std::uint64_t n = 0;
            if (!parse_uint(v, 10, crawler_model::max_records, n))
                fail(text, "records must be 0..393116, got \"" + v + "\"");
            c.crawler.records = static_cast<unsigned>(n);
        } else if (k == "measure") {
            double d = 0.0;
            if (!parse_double(v, d) || d < 0.0 || d > 3600.0)
                fail(text, "measure must be 0..3600 seconds, got \"" + v + "\"");
            c.crawler.measure_s = d;
        } else if (k == "noise") {
            double d = 0.0;
            if (!parse_double(v, d) || d < 0.0 || d > 100.0)
                fail(text, "noise must be 0..100 pixels, got \"" + v + "\"");
            c.noise = d;
        } else if (k == "speed" || k == "travel") {
            double d = 0.0;
            if (!parse_double(v, d) || d <= 0.0 || d > 100000.0)
                fail(text, k + " must be a number of millimetres" + (k == "speed" ? " per second" : "") +
                               " above 0 and up to 100000, got \"" + v + "\"");
            (k == "speed" ? c.rig.speed : c.rig.travel) = d;
        } else if (k == "scene") {
            if (!parse_scene_kind(v, c.scene.kind))
                fail(text, "scene must be plane, corner, teeth or comb, got \"" + v + "\"");
        } else {
            // distance, pitch, height (millimetres) and tilt (degrees)
            double d = 0.0;
            if (!parse_double(v, d))
                fail(text, k + " must be a number, got \"" + v + "\"");
            if (k == "distance") {
                if (d < 0.0 || d > 10000.0)
                    fail(text, "distance must be 0..10000 millimetres");
                c.scene.distance = d;
            } else if (k == "pitch") {
                if (d < 0.1 || d > 10000.0)
                    fail(text, "pitch must be 0.1..10000 millimetres");
                c.scene.pitch = d;
            } else if (k == "height") {
                if (d < 0.0 || d > 10000.0)
                    fail(text, "height must be 0..10000 millimetres");
                c.scene.height = d;
            } else {
                if (d <= -80.0 || d >= 80.0)
                    fail(text, "tilt must lie between -80 and 80 degrees");
                c.scene.tilt = d;
            }
        }
    }
    if (!c.rig_targets.empty() && c.board != 0x50)
        fail(text, "rig= needs a motor board: add board=50");
    check_outline(text, c);
    return c;
}

std::string usage_text()
{
    return "Usage: k7sim --sensor ADDR[,key=value...] [--sensor ...] [options]\n"
           "\n"
           "Simulates K7D sensors on loopback addresses, UDP port 11681, until SIGINT or SIGTERM.\n"
           "\n"
           "Sensor keys (all optional):\n"
           "  serial=00042           five letters or digits (default: from the address)\n"
           "  fw=49m                 firmware version, two digits and an optional letter\n"
           "  type=S2D               device type code: RCV, S2D, S3L, E1D, EB1 (or any three)\n"
           "  family=vita            image sensor: vita, python, unknown\n"
           "  board=0                extension-board code, hexadecimal: the sensor answers that\n"
           "                         board's commands (0F outputs, 10 ELIS, 30 stepping motor,\n"
           "                         40 LED driver, 50 motor board / control board, 51 tube\n"
           "                         board, 81 thermostat and encoder, 82 welding board)\n"
           "  kind=A                 sensor kind character\n"
           "  ident=TEXT             identification text (no commas), at most 99 characters\n"
           "  shift=5                fixed-point fractional bits p of the outline (0..16)\n"
           "  outline=0:100:-50:50:-80:80   x1:x2:y1low:y1high:y2low:y2high in millimetres\n"
           "  key=0123456789abcdef   extended flash access key, hexadecimal; without it the\n"
           "                         device grants extended access to everyone\n"
           "  scene=plane            target: plane, corner (a roof, apex towards the sensor),\n"
           "                         teeth (roof-shaped, tips towards the sensor) or comb (tines with empty "
           "gaps)\n"
           "  distance=MM            distance of the target (default: middle of the outline's x range)\n"
           "  pitch=10               period of teeth and comb, millimetres\n"
           "  height=2               depth of the teeth; the corner's flanks rise height per pitch, mm\n"
           "  tilt=0                 turn of the target about the x axis, degrees\n"
           "  noise=0                line position noise of measured profiles, pixels (std. dev.)\n"
           "Motor board keys (a device with board=50, such as the calibration rig's control board):\n"
           "  rig=ADDR[+ADDR2]       sensors whose target the board moves: channel 1 changes the\n"
           "                         target's distance, channel 2 shifts it across\n"
           "  speed=10               motor speed, millimetres per second\n"
           "  stall=0                channel 1..3 whose motor never turns (0: none)\n"
           "  travel=500             the channels move within +-travel millimetres\n"
           "  coef=1000:1000:1000:-5000:-5000:-5000   motor steps, then encoder counts per mm\n"
           "Crawler keys (a device with board=80 is also a pipe crawler at its address):\n"
           "  records=1000           records in the crawler's measurement log, 0..393116\n"
           "  measure=2              seconds a started measurement runs after its delay\n"
           "With --state-dir an existing flash image wins over serial, ident, shift and outline:\n"
           "they only seed the identification record of a new device.\n"
           "\n"
           "Options:\n"
           "  --state-dir DIR        keep each device's flash and stored settings in DIR\n"
           "  --search-bind ADDR     address of the search socket (default 0.0.0.0)\n"
           "  --log                  print every request to stderr\n"
           "  --loss P               drop each reply with probability P (0..1)\n"
           "  --dup P                send each reply twice with probability P (0..1)\n"
           "  --delay-ms N           wait N milliseconds before each reply\n"
           "  --seed N               seed of the fault injection (default 1)\n"
           "  --profile-rate HZ      streamed profiles per second, up to 100000 (default: each\n"
           "                         device's period setting, but never shorter than the cycle\n"
           "                         its exposures and image window allow; 1 us = that cycle)\n"
           "  --frame-rate HZ        frames per second of the image stream (default 10)\n"
           "  --lines-per-ms N       frame lines sent per millisecond, 1..1024 (default 32; a\n"
           "                         receiver with a large socket buffer takes more)\n"
           "  --help                 this text\n"
           "\n"
           "Examples:\n"
           "  k7sim --sensor 127.0.0.2\n"
           "      one sensor with defaults (serial 00002, firmware 49m, 2d scanner)\n"
           "  k7sim --sensor 127.0.0.2,serial=00042 --sensor 127.0.0.3,serial=00043,fw=39z,type=RCV\n"
           "      two sensors; the second one is an emergency-firmware device\n"
           "  k7sim --sensor 127.0.0.5,type=EB1,board=50 --state-dir ./simstate --log\n"
           "      a calibration-rig control board whose flash survives restarts, logging requests\n"
           "  k7sim --sensor 127.0.0.2,scene=plane --sensor "
           "127.0.0.20,type=EB1,board=50,rig=127.0.0.2,speed=20\n"
           "      a sensor on the calibration rig: the board's X actuator moves its plane\n"
           "  k7sim --sensor 127.0.0.2,key=1122334455667788 --loss 0.1 --delay-ms 20 --seed 7\n"
           "      a sensor that wants an extended-access key, on a lossy, slow link\n"
           "Search with a broadcast to 127.255.255.255 port 11681.\n";
}

command_line parse_command_line(const std::vector<std::string>& args)
{
    command_line r;
    auto& o = r.options;
    auto need = [&](std::size_t& i, const std::string& name) -> const std::string* {
        if (i + 1 >= args.size()) {
            r.error = name + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
    auto probability = [&](const std::string& name, const std::string& v, double& out) {
        if (!parse_double(v, out) || out < 0.0 || out > 1.0) {
            r.error = name + " must be a probability between 0 and 1, got \"" + v + "\"";
            return false;
        }
        return true;
    };
    for (std::size_t i = 0; i < args.size() && r.error.empty(); ++i) {
        const std::string& a = args[i];
        const std::string* v = nullptr;
        if (a == "--help" || a == "-h") {
            r.help = true;
        } else if (a == "--log") {
            o.log = true;
        } else if (a == "--sensor") {
            if ((v = need(i, a)))
                o.sensors.push_back(*v);
        } else if (a == "--state-dir") {
            if ((v = need(i, a)))
                o.state_dir = *v;
        } else if (a == "--search-bind") {
            if ((v = need(i, a)))
                o.search_bind = *v;
        } else if (a == "--loss") {
            if ((v = need(i, a)))
                probability(a, *v, o.loss);
        } else if (a == "--dup") {
            if ((v = need(i, a)))
                probability(a, *v, o.dup);
        } else if (a == "--delay-ms") {
            std::uint64_t n = 0;
            if ((v = need(i, a)) && !parse_uint(*v, 10, 60000, n))
                r.error = "--delay-ms must be a number of milliseconds 0..60000, got \"" + *v + "\"";
            o.delay_ms = static_cast<int>(n);
        } else if (a == "--seed") {
            std::uint64_t n = 0;
            if ((v = need(i, a)) && !parse_uint(*v, 10, 0xFFFFFFFFu, n))
                r.error = "--seed must be a number 0..4294967295, got \"" + *v + "\"";
            o.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--profile-rate") {
            double hz = 0.0;
            if ((v = need(i, a)) && (!parse_double(*v, hz) || hz < 0.0 || hz > 100000.0))
                r.error = "--profile-rate must be 0..100000 profiles per second, got \"" + *v + "\"";
            o.profile_rate = hz;
        } else if (a == "--lines-per-ms") {
            std::uint64_t n = 0;
            if ((v = need(i, a)) && (!parse_uint(*v, 10, 1024, n) || n == 0))
                r.error = "--lines-per-ms must be 1..1024, got \"" + *v + "\"";
            o.lines_per_ms = static_cast<unsigned>(n);
        } else if (a == "--frame-rate") {
            double hz = 0.0;
            if ((v = need(i, a)) && (!parse_double(*v, hz) || hz <= 0.0 || hz > 1000.0))
                r.error =
                    "--frame-rate must be above 0 and at most 1000 frames per second, got \"" + *v + "\"";
            o.frame_rate = hz;
        } else {
            r.error = "unknown argument \"" + a + "\"";
        }
    }
    if (r.error.empty() && !r.help && o.sensors.empty())
        r.error = "no --sensor given";
    return r;
}

} // namespace orvex::sim
