#include "crawler/crawler_export.h"

#include "link/byte_order.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <system_error>

namespace orvex::crawler {

std::string data_text(const std::vector<PhysEntry>& phys)
{
    std::ostringstream s;
    s << std::setprecision(5);
    const auto pair = [&s](const char* label, double a, double b) {
        s << label << std::setw(12) << a << std::setw(12) << b << "\n";
    };
    for (const PhysEntry& p : phys) {
        pair("enc: ", p.enc_1, p.enc_2);
        pair("diam: ", p.diam_1, p.diam_2);
        pair("kmrr: ", p.kmrr_1, p.kmrr_2);
        s << "\n";
    }
    return s.str();
}

bool write_data_file(const std::filesystem::path& path, const std::vector<PhysEntry>& phys)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    const std::string text = data_text(phys);
    f.write(text.data(), std::streamsize(text.size()));
    f.close();
    return bool(f);
}

std::string kmrr_line(const std::string& position, double value)
{
    std::ostringstream s;
    s << std::setw(8) << position << std::setw(8) << value << "\n";
    return s.str();
}

bool append_kmrr_files(const std::filesystem::path& folder, const std::string& x_position, double kmrr_1,
                       const std::string& y_position, double kmrr_2)
{
    std::ofstream x(folder / "kmrr_data_x.txt", std::ios::binary | std::ios::app);
    std::ofstream y(folder / "kmrr_data_y.txt", std::ios::binary | std::ios::app);
    if (!x || !y)
        return false;
    x << kmrr_line(x_position, kmrr_1);
    y << kmrr_line(y_position, kmrr_2);
    return bool(x) && bool(y);
}

namespace {

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put_chunk(std::string& out, const char* type, const std::vector<std::uint8_t>& data)
{
    std::uint8_t head[8];
    bytes::put_be32(head, std::uint32_t(data.size()));
    std::copy_n(type, 4, head + 4);
    out.append(reinterpret_cast<const char*>(head), 8);
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
    std::uint32_t crc = crc32(head + 4, 4);
    crc = crc32(data.data(), data.size(), crc);
    std::uint8_t tail[4];
    bytes::put_be32(tail, crc);
    out.append(reinterpret_cast<const char*>(tail), 4);
}

} // namespace

bool write_gray_png(const std::filesystem::path& path, const std::uint8_t* pixels, std::size_t width,
                    std::size_t height)
{
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return false;
    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::vector<std::uint8_t> ihdr(13, 0);
    bytes::put_be32(&ihdr[0], std::uint32_t(width));
    bytes::put_be32(&ihdr[4], std::uint32_t(height));
    ihdr[8] = 8; // bit depth; colour type 0 (grey), no interlace
    put_chunk(out, "IHDR", ihdr);

    // Rows with filter byte 0, in stored (uncompressed) deflate blocks.
    std::vector<std::uint8_t> raw;
    raw.reserve((width + 1) * height);
    for (std::size_t y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels + y * width, pixels + (y + 1) * width);
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    std::uint32_t a = 1, b = 0;
    for (std::size_t pos = 0; pos < raw.size();) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(std::uint8_t(n));
        z.push_back(std::uint8_t(n >> 8));
        z.push_back(std::uint8_t(~n));
        z.push_back(std::uint8_t(~n >> 8));
        for (std::size_t i = pos; i < pos + n; ++i) {
            a = (a + raw[i]) % 65521;
            b = (b + a) % 65521;
        }
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(pos), raw.begin() + std::ptrdiff_t(pos + n));
        pos += n;
    }
    std::uint8_t adler[4];
    bytes::put_be32(adler, (b << 16) | a);
    z.insert(z.end(), adler, adler + 4);
    put_chunk(out, "IDAT", z);
    put_chunk(out, "IEND", {});

    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    f.write(out.data(), std::streamsize(out.size()));
    f.close();
    return bool(f);
}

std::filesystem::path new_image_folder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::path dir;
    for (int i = 0; i < 1000; ++i) {
        dir = folder / ("crawler_images_" + std::to_string(i));
        if (!std::filesystem::exists(dir, ec))
            break;
    }
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

std::filesystem::path write_frame_images(const std::filesystem::path& folder, const std::uint8_t* memory,
                                         std::size_t size)
{
    constexpr std::size_t side = 1024;
    const auto dir = new_image_folder(folder);
    if (dir.empty())
        return dir;
    for (std::size_t k = 0; (k + 1) * side * side <= size; ++k)
        if (!write_gray_png(dir / ("img_" + std::to_string(k) + ".png"), memory + k * side * side, side,
                            side))
            return {};
    return dir;
}

} // namespace orvex::crawler
