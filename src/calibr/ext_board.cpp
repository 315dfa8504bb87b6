#include "calibr/ext_board.h"

#include <algorithm>
#include <stdexcept>

namespace orvex::k7 {

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
