// Platform file: the only place that lists interfaces through system calls.
#include "link/local_addresses.h"

#include <algorithm>

#ifdef _WIN32
#include "link/udp_socket_io.h"
#include <boost/asio/ip/host_name.hpp>
#include <boost/asio/ip/udp.hpp>
#else
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace orvex::k7 {

namespace asio = boost::asio;

namespace {
bool is_loopback_net(const asio::ip::address_v4& a)
{
    return (a.to_uint() >> 24) == 127;
}

void add_unique(std::vector<asio::ip::address_v4>& list, const asio::ip::address_v4& a)
{
    if (std::find(list.begin(), list.end(), a) == list.end())
        list.push_back(a);
}
} // namespace

#ifdef _WIN32

std::vector<asio::ip::address_v4> local_ipv4_addresses()
{
    std::vector<asio::ip::address_v4> list;
    boost::system::error_code ec;
    const std::string host = asio::ip::host_name(ec);
    if (!ec) {
        asio::ip::udp::resolver resolver(detail::link_io());
        const auto results = resolver.resolve(asio::ip::udp::v4(), host, "", ec);
        if (!ec)
            for (const auto& r : results)
                add_unique(list, r.endpoint().address().to_v4());
    }
    add_unique(list, asio::ip::address_v4::loopback());
    return list;
}

#else

std::vector<asio::ip::address_v4> local_ipv4_addresses()
{
    std::vector<asio::ip::address_v4> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0)
        return list;
    for (const ifaddrs* i = all; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
        add_unique(list, asio::ip::address_v4(ntohl(in->sin_addr.s_addr)));
    }
    freeifaddrs(all);
    return list;
}

#endif

std::vector<asio::ip::address_v4> search_addresses(const std::vector<asio::ip::address_v4>& local,
                                                   const asio::ip::address_v4& destination)
{
    const bool loopback = is_loopback_net(destination);
    std::vector<asio::ip::address_v4> out;
    for (const auto& a : local)
        if (is_loopback_net(a) == loopback)
            add_unique(out, a);
    return out;
}

} // namespace orvex::k7
