#include "diag/vita_init_block.h"

#include <algorithm>
#include <cstring>

namespace orvex::k7 {
namespace vita_regs {

i_vita_reg general_configuration::reg() const
{
    unsigned v = flags[0] ? 0x0001u : 0u;
    if (flags[1])
        v |= 0x000Cu; // bits 2 and 3 together
    for (unsigned i = 2; i <= 6; ++i)
        if (flags[i])
            v |= 1u << (i + 2); // bits 4..8
    v |= (mode & 7u) << 11;
    return {general_configuration_address, static_cast<std::uint16_t>(v)};
}

i_vita_reg integration_control::reg() const
{
    unsigned v = 0x0020u | 0x0200u; // bits 5 and 9 always
    for (unsigned i = 0; i <= 3; ++i)
        if (flags[i])
            v |= 1u << i;
    for (unsigned i = 4; i <= 6; ++i)
        if (flags[i])
            v |= 1u << (i + 2); // bits 6..8
    if (m1 == 1 || m1 == 3)
        v |= 1u << 10;
    if (m1 == 2 || m1 == 3)
        v |= 1u << 11;
    if (m2 == 1 || m2 == 3)
        v |= 1u << 12;
    if (m2 == 2 || m2 == 3)
        v |= 1u << 13;
    return {integration_control_address, static_cast<std::uint16_t>(v)};
}

} // namespace vita_regs

namespace {

using vita_regs::init_entry;

void add(std::vector<init_entry>& seq, std::uint16_t address, std::uint16_t value, bool end = false)
{
    seq.push_back({{address, value}, end});
}

void add(std::vector<init_entry>& seq, const vita_regs::i_vita_reg& reg, bool end = false)
{
    seq.push_back({reg, end});
}

// The closing group of both sequences: start the sequencer with the final
// configuration.
void add_enable_tail(std::vector<init_entry>& seq, const vita_regs::i_vita_reg& last)
{
    add(seq, 32, 16399);
    add(seq, 10, 0);
    add(seq, 64, 1);
    add(seq, 72, 23);
    add(seq, 40, 3);
    add(seq, 42, 16659);
    add(seq, 48, 1);
    add(seq, 112, 7);
    add(seq, last, true);
}

vita_regs::general_configuration general_config(std::initializer_list<int> flags, unsigned mode)
{
    vita_regs::general_configuration g;
    for (int f : flags)
        g.flags[static_cast<std::size_t>(f)] = true;
    g.mode = mode;
    return g;
}

vita_regs::integration_control integration(std::initializer_list<int> flags, unsigned m1, unsigned m2)
{
    vita_regs::integration_control c;
    for (int f : flags)
        c.flags[static_cast<std::size_t>(f)] = true;
    c.m1 = m1;
    c.m2 = m2;
    return c;
}

} // namespace

std::vector<init_entry> vita_sequence_a()
{
    std::vector<init_entry> seq;
    add(seq, general_config({}, 0).reg(), true); // sensor disabled while it is configured
    add(seq, 2, 0);
    add(seq, 32, 16396);
    add(seq, 20, 0);
    add(seq, 17, 8463);
    add(seq, 26, 4480);
    add(seq, 27, 52412);
    add(seq, 8, 0);
    add(seq, 16, 3);
    add(seq, 9, 0, true);
    add(seq, 32, 16398);
    add(seq, 34, 1);
    add(seq, 128, 0);
    add(seq, 41, 2143, true);
    // Configuration writes in ascending register order, the two composed
    // registers among them.
    std::vector<vita_regs::i_vita_reg> config = vita_head_config_a();
    config.push_back(general_config({1}, 1).reg());
    config.push_back(integration({2}, 0, 0).reg());
    std::stable_sort(config.begin(), config.end(),
                     [](const auto& a, const auto& b) { return a.address < b.address; });
    for (const auto& r : config)
        add(seq, r);
    const auto& program = vita_head_sequencer();
    for (std::uint16_t i = 0; i <= 478 - 384; ++i)
        add(seq, static_cast<std::uint16_t>(384 + i), program[i]);
    add_enable_tail(seq, general_config({0, 1, 2, 3}, 1).reg());
    return seq;
}

std::vector<init_entry> vita_sequence_b()
{
    std::vector<init_entry> seq;
    add(seq, 2, 0);
    add(seq, 17, 8463);
    add(seq, 20, 0);
    add(seq, 26, 4480);
    add(seq, 27, 52412);
    add(seq, 32, 16396);
    add(seq, 16, 3);
    add(seq, 8, 0);
    add(seq, 8, 0, true);
    add(seq, 9, 0);
    add(seq, 32, 16398);
    add(seq, 34, 1, true);
    const auto configured = general_config({1, 3}, 1);
    add(seq, configured.reg(), true);
    add(seq, 41, 2143);
    add(seq, 42, 16640);
    add(seq, 43, 8);
    for (const auto& r : vita_head_config_b())
        add(seq, r);
    const auto& program = vita_head_sequencer();
    for (std::uint16_t i = 0; i < program.size(); ++i)
        add(seq, static_cast<std::uint16_t>(384 + i), program[i]);
    add(seq, integration({0, 2}, 0, 0).reg());
    add(seq, 199, 713);
    add(seq, 200, 1000);
    add(seq, 201, 16);
    add(seq, 202, 5);
    add(seq, 203, 2);
    add(seq, 204, 483);
    auto enabled = configured;
    enabled.flags[0] = true;
    add_enable_tail(seq, enabled.reg());
    return seq;
}

std::array<std::uint8_t, vita_sequence_bytes> encode_vita_sequence(const std::vector<init_entry>& seq)
{
    std::array<std::uint8_t, vita_sequence_bytes> area;
    area.fill(0xFF);
    const std::size_t n = std::min<std::size_t>(seq.size(), vita_sequence_bytes / 4);
    for (std::size_t i = 0; i < n; ++i) {
        const auto& e = seq[i];
        std::uint8_t* p = &area[4 * i];
        p[0] = static_cast<std::uint8_t>((e.end ? 0x80 : 0x00) | ((e.reg.address >> 8) & 0x01));
        p[1] = static_cast<std::uint8_t>(e.reg.address & 0xFF);
        p[2] = static_cast<std::uint8_t>(e.reg.value >> 8);
        p[3] = static_cast<std::uint8_t>(e.reg.value & 0xFF);
    }
    return area;
}

bool build_vita_init_block(const std::string& program_version, std::vector<std::uint8_t>& block)
{
    if (program_version.size() >= vita_version_limit)
        return false;
    std::vector<std::uint8_t> out(vita_init_block_size, 0xFF);
    const auto a = encode_vita_sequence(vita_sequence_a());
    const auto b = encode_vita_sequence(vita_sequence_b());
    std::copy(a.begin(), a.end(), out.begin() + vita_sequence_a_offset);
    std::copy(b.begin(), b.end(), out.begin() + vita_sequence_b_offset);
    const std::string marker = "PROG_VER:" + program_version;
    std::memcpy(&out[vita_version_page_offset], marker.data(), marker.size());
    out[vita_version_page_offset + marker.size()] = 0;
    block = std::move(out);
    return true;
}

} // namespace orvex::k7
