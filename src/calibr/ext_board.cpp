#include "calibr/ext_board.h"

#include "link/byte_order.h"

#include <cmath>
#include <stdexcept>

namespace orvex::k7 {
namespace {

void fill_positions(const ExtBoardCoefficients& c, ExtBoardData& s)
{
    for (std::size_t i = 0; i < 3; ++i) {
        s.motor_position[i] = s.motor_counter[i] / c.motor[i];
        s.encoder_position[i] = s.encoder_counter[i] / c.encoder[i];
        s.mark_position[i] = s.mark_counter[i] / c.encoder[i];
    }
}

void fill_header(const std::uint8_t* d, ExtBoardData& s)
{
    s.time = std::int32_t(bytes::get_be32(d + 1));
    s.flags = d[5];
    for (std::size_t b = 0; b < 8; ++b)
        s.flag_bits[b] = ((s.flags >> b) & 1) != 0;
}

std::int32_t be32s(const std::uint8_t* p)
{
    return std::int32_t(bytes::get_be32(p));
}

} // namespace

std::int32_t ext_board_count(double v)
{
    // std::round rounds halves away from zero; the low 32 bits of the 64-bit
    // result are what the board receives. Values beyond the 64-bit range (and
    // NaN) have no meaningful low bits: they become 0.
    const double r = std::round(v);
    if (!(std::fabs(r) < 9.2e18))
        return 0;
    return std::int32_t(std::uint32_t(std::uint64_t(std::int64_t(r))));
}

std::array<std::uint8_t, 11> encode_set_position(int index, double position, const ExtBoardCoefficients& c)
{
    std::array<std::uint8_t, 11> d{};
    d[0] = ext_board_code::set_position;
    d[1] = std::uint8_t(4u << index);
    bytes::put_be32(&d[2], std::uint32_t(ext_board_count(position * c.motor[std::size_t(index)])));
    d[6] = std::uint8_t(32u << index);
    bytes::put_be32(&d[7], std::uint32_t(ext_board_count(position * c.encoder[std::size_t(index)])));
    return d;
}

std::array<std::uint8_t, 5> encode_move(int index, double position, const ExtBoardCoefficients& c)
{
    std::array<std::uint8_t, 5> d{};
    d[0] = std::uint8_t(ext_board_code::move_first + index);
    bytes::put_be32(&d[1], std::uint32_t(ext_board_count(position * c.motor[std::size_t(index)])));
    return d;
}

bool parse_state_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c, ExtBoardData& out)
{
    if (n != ext_state_reply_size || d[0] != ext_board_code::read_state)
        return false;
    fill_header(d, out);
    for (std::size_t i = 0; i < 3; ++i) {
        out.encoder_counter[i] = be32s(d + 6 + 4 * i);
        out.motor_counter[i] = be32s(d + 18 + 4 * i);
    }
    fill_positions(c, out);
    return true;
}

bool parse_extended_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c,
                          const std::array<bool, 3>& update_moving, ExtBoardData& out)
{
    if (n != ext_extended_reply_size || d[0] != ext_board_code::read_extended)
        return false;
    fill_header(d, out);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t* m = d + 6 + 5 * i;
        if (update_moving[i])
            out.moving[i] = m[0] != 0;
        out.motor_counter[i] = be32s(m + 1);
        const std::uint8_t* e = d + 21 + 9 * i;
        out.encoder_counter[i] = be32s(e);
        out.mark_valid[i] = e[4] != 0;
        out.mark_counter[i] = be32s(e + 5);
    }
    fill_positions(c, out);
    return true;
}

ExtBoard::ExtBoard(udp_link& link) : link_(&link) {}

ExtBoard::ExtBoard() : own_link_(std::make_unique<udp_link>()), link_(own_link_.get()) {}

void ExtBoard::open_own_link(const std::string& address, std::uint16_t port)
{
    if (!own_link_)
        throw std::logic_error("ExtBoard: the link belongs to its owner");
    own_link_->open(address, port);
}

void ExtBoard::check_index(int index)
{
    if (index < 0 || index > 2)
        throw std::out_of_range("index >= 0 && index <= 2");
}

bool ExtBoard::transact(std::size_t send_len)
{
    return link_->transact(buffer_.data(), send_len, 1, buffer_[0]);
}

bool ExtBoard::request_state()
{
    link_->drain();
    buffer_[0] = ext_board_code::read_state;
    return link_->send(buffer_.data(), 1);
}

bool ExtBoard::take_exact(std::size_t size, std::uint8_t code)
{
    // Not udp_link::take: it would accept a longer datagram cut to size, and
    // a reply of the wrong length must never be parsed as a state.
    for (int n = 0; n < 4096; ++n) {
        const std::size_t got = link_->receive(buffer_.data(), buffer_.size());
        if (got == 0)
            return false;
        if (got == size && buffer_[0] == code)
            return true;
    }
    return false;
}

bool ExtBoard::collect_state()
{
    if (!take_exact(ext_state_reply_size, ext_board_code::read_state))
        return false;
    return parse_state_reply(buffer_.data(), ext_state_reply_size, coef_, state_);
}

bool ExtBoard::request_extended_state()
{
    link_->drain();
    buffer_[0] = ext_board_code::read_extended;
    extended_request_time_ = now_();
    return link_->send(buffer_.data(), 1);
}

bool ExtBoard::collect_extended_state()
{
    if (!take_exact(ext_extended_reply_size, ext_board_code::read_extended))
        return false;
    std::array<bool, 3> update{};
    for (std::size_t i = 0; i < 3; ++i)
        update[i] = extended_request_time_ > move_time_[i];
    return parse_extended_reply(buffer_.data(), ext_extended_reply_size, coef_, update, extended_);
}

bool ExtBoard::set_position(int index, double position)
{
    check_index(index);
    const auto d = encode_set_position(index, position, coef_);
    std::copy(d.begin(), d.end(), buffer_.begin());
    return transact(d.size());
}

bool ExtBoard::move(int index, double position)
{
    check_index(index);
    move_time_[std::size_t(index)] = now_();
    extended_.moving[std::size_t(index)] = true;
    const auto d = encode_move(index, position, coef_);
    std::copy(d.begin(), d.end(), buffer_.begin());
    return transact(d.size());
}

bool ExtBoard::user_outputs(bool out1, bool out2)
{
    buffer_[0] = ext_board_code::user_outputs;
    buffer_[1] = std::uint8_t((out1 ? 1 : 0) | (out2 ? 2 : 0));
    return transact(2);
}

bool ExtBoard::reset_marks()
{
    buffer_[0] = ext_board_code::reset_marks;
    buffer_[1] = 0xE0;
    return transact(2);
}

bool ExtBoard::emergency_stop(bool stop)
{
    buffer_[0] = ext_board_code::emergency;
    buffer_[1] = stop ? 1 : 0;
    return transact(2);
}

bool ExtBoard::stream(bool on)
{
    buffer_[0] = ext_board_code::stream;
    buffer_[1] = on ? 1 : 0;
    return link_->send(buffer_.data(), 2);
}

} // namespace orvex::k7
