#include "nor_flash.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace orvex::sim {
namespace {

constexpr char image_magic[] = "K7SIM-FLASH 1\n";
constexpr std::size_t magic_len = sizeof(image_magic) - 1;

void check_range(std::uint32_t addr, std::size_t n)
{
    if (addr > nor_flash::size || n > nor_flash::size - addr)
        throw std::out_of_range("flash range " + std::to_string(addr) + "+" + std::to_string(n) +
                                " leaves the 16 MiB chip");
}

std::uint32_t addr24(const std::uint8_t* p)
{
    return bytes::get_be24(p);
}

} // namespace

nor_flash::nor_flash(std::uint64_t unique_id) : sectors_(sector_count), unique_id_(unique_id)
{
    power_up();
}

void nor_flash::power_up()
{
    wel_ = false;
    if (sr3_ & 0x04)
        locks_.set();
    else
        locks_.reset();
}

nor_flash::sector& nor_flash::writable(unsigned index)
{
    auto& s = sectors_[index];
    if (!s) {
        s = std::make_unique<sector>();
        s->fill(0xFF);
    }
    return *s;
}

void nor_flash::read(std::uint32_t addr, std::uint8_t* out, std::size_t n) const
{
    check_range(addr, n);
    while (n > 0) {
        const unsigned index = addr / sector_size;
        const std::uint32_t off = addr % sector_size;
        const std::size_t len = std::min<std::size_t>(n, sector_size - off);
        if (sectors_[index])
            std::memcpy(out, sectors_[index]->data() + off, len);
        else
            std::memset(out, 0xFF, len);
        out += len;
        addr += static_cast<std::uint32_t>(len);
        n -= len;
    }
}

void nor_flash::write_raw(std::uint32_t addr, const std::uint8_t* data, std::size_t n)
{
    check_range(addr, n);
    while (n > 0) {
        const unsigned index = addr / sector_size;
        const std::uint32_t off = addr % sector_size;
        const std::size_t len = std::min<std::size_t>(n, sector_size - off);
        std::memcpy(writable(index).data() + off, data, len);
        data += len;
        addr += static_cast<std::uint32_t>(len);
        n -= len;
    }
}

bool nor_flash::erase_sector(std::uint32_t addr)
{
    const unsigned index = (addr % size) / sector_size;
    wel_ = false;
    if (block_protected(index))
        return false;
    sectors_[index].reset();
    return true;
}

bool nor_flash::program_page(std::uint32_t addr, const std::uint8_t* data)
{
    addr = (addr % size) & ~(page_size - 1);
    const unsigned index = addr / sector_size;
    wel_ = false;
    if (block_protected(index))
        return false;
    if (!sectors_[index] && std::all_of(data, data + page_size, [](std::uint8_t b) { return b == 0xFF; }))
        return true;
    std::uint8_t* p = writable(index).data() + addr % sector_size;
    for (std::uint32_t i = 0; i < page_size; ++i)
        p[i] &= data[i];
    return true;
}

std::vector<std::uint8_t> nor_flash::spi(const std::uint8_t* w, std::size_t wn, std::size_t rn, bool extended)
{
    std::vector<std::uint8_t> in(rn, 0xFF);
    if (wn == 0)
        return in;
    const std::uint8_t op = w[0];
    auto fill = [&](std::uint8_t v) { std::fill(in.begin(), in.end(), v); };
    // Protection-changing instructions: need the latch (and extended access);
    // the latch is consumed even when the instruction is malformed.
    auto guarded = [&](std::size_t operands) {
        if (!extended || !wel_)
            return false;
        wel_ = false;
        return wn >= 1 + operands;
    };
    switch (op) {
    case 0x05:
        fill(status1());
        break;
    case 0x35:
        fill(sr2_);
        break;
    case 0x15:
        fill(sr3_);
        break;
    case 0x06:
        wel_ = true;
        break;
    case 0x04:
        wel_ = false;
        break;
    case 0x11:
        if (guarded(1))
            sr3_ = w[1];
        break;
    case 0x98:
        if (guarded(0))
            locks_.reset();
        break;
    case 0x7E:
        if (guarded(0))
            locks_.set();
        break;
    case 0x36:
        if (guarded(3))
            locks_.set(addr24(w + 1) / sector_size);
        break;
    case 0x39:
        if (guarded(3))
            locks_.reset(addr24(w + 1) / sector_size);
        break;
    case 0x3D:
        if (wn >= 4)
            fill(block_locked(addr24(w + 1) / sector_size) ? 0x01 : 0x00);
        break;
    case 0x9F: { // manufacturer and device id, repeated
        static const std::uint8_t id[] = {0xEF, 0x40, 0x18};
        for (std::size_t i = 0; i < rn; ++i)
            in[i] = id[i % 3];
        break;
    }
    case 0x4B: { // unique id after four dummy bytes
        std::uint8_t id[8];
        bytes::put_be64(id, unique_id_);
        for (std::size_t i = 0; i < rn && i < 8; ++i)
            in[i] = id[i];
        break;
    }
    case 0x03: // read data, wrapping at the end of the chip
        if (wn >= 4) {
            std::uint32_t a = addr24(w + 1);
            for (std::size_t i = 0; i < rn; ++i, a = (a + 1) % size)
                read(a, &in[i], 1);
        }
        break;
    default:
        break;
    }
    return in;
}

std::string nor_flash::save() const
{
    std::string out(image_magic, magic_len);
    out += static_cast<char>(sr2_);
    out += static_cast<char>(sr3_);
    for (unsigned i = 0; i < sector_count; ++i) {
        const auto& s = sectors_[i];
        if (!s || std::all_of(s->begin(), s->end(), [](std::uint8_t b) { return b == 0xFF; }))
            continue;
        out += static_cast<char>(i >> 8);
        out += static_cast<char>(i & 0xFF);
        out.append(reinterpret_cast<const char*>(s->data()), s->size());
    }
    return out;
}

void nor_flash::load(const std::string& image)
{
    if (image.size() < magic_len + 2 || image.compare(0, magic_len, image_magic) != 0)
        throw std::runtime_error("not a k7sim flash image (wrong header)");
    const std::size_t record = 2 + sector_size;
    const std::size_t body = image.size() - magic_len - 2;
    if (body % record != 0)
        throw std::runtime_error("flash image is truncated or has trailing bytes");
    std::vector<std::unique_ptr<sector>> fresh(sector_count);
    const auto* p = reinterpret_cast<const std::uint8_t*>(image.data()) + magic_len + 2;
    for (std::size_t r = 0; r < body / record; ++r, p += record) {
        const unsigned index = bytes::get_be16(p);
        if (index >= sector_count)
            throw std::runtime_error("flash image names sector " + std::to_string(index) +
                                     ", beyond the chip's 256");
        if (fresh[index])
            throw std::runtime_error("flash image holds sector " + std::to_string(index) + " twice");
        fresh[index] = std::make_unique<sector>();
        std::memcpy(fresh[index]->data(), p + 2, sector_size);
    }
    sectors_ = std::move(fresh);
    sr2_ = static_cast<std::uint8_t>(image[magic_len]);
    sr3_ = static_cast<std::uint8_t>(image[magic_len + 1]);
    power_up();
}

} // namespace orvex::sim
