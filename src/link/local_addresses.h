// The computer's local IPv4 addresses, for the search and the address dialog.
//
// The search needs one socket bound to each local address, so that a reply
// tells on which interface its device was found.
#pragma once

#include <boost/asio/ip/address_v4.hpp>
#include <vector>

namespace orvex::k7 {

/// Every local IPv4 address, loopback included (Linux: the interfaces'
/// addresses; Windows: what the host name resolves to, plus 127.0.0.1).
/// Empty when the system cannot be asked.
std::vector<boost::asio::ip::address_v4> local_ipv4_addresses();

/// The addresses a search to `destination` uses: for a destination inside
/// 127.0.0.0/8 only the local addresses inside it (replies to any other
/// address could not come back), otherwise only those outside it. Duplicates
/// are dropped; order is kept.
std::vector<boost::asio::ip::address_v4>
search_addresses(const std::vector<boost::asio::ip::address_v4>& local,
                 const boost::asio::ip::address_v4& destination);

} // namespace orvex::k7
