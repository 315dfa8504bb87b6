#include "link/net_guard.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvex::net {
namespace {

std::atomic<unsigned long> g_refused{0};

bool refuse(const std::string& what)
{
    if (g_refused.fetch_add(1) == 0) {
        std::fprintf(stderr,
                     "net guard: ORVEX_NET_GUARD=loopback refuses sending to %s "
                     "(only 127.0.0.0/8 is allowed); further refusals are not logged\n",
                     what.c_str());
    }
    return false;
}

} // namespace

bool guard_active()
{
    static const bool active = [] {
        const char* v = std::getenv("ORVEX_NET_GUARD");
        return v != nullptr && std::strcmp(v, "loopback") == 0;
    }();
    return active;
}

bool send_allowed(std::uint32_t ipv4_host_order)
{
    if (!guard_active() || (ipv4_host_order >> 24) == 127)
        return true;
    return refuse(boost::asio::ip::address_v4(ipv4_host_order).to_string());
}

bool send_allowed(const boost::asio::ip::address& to)
{
    if (!guard_active())
        return true;
    if (to.is_v4())
        return send_allowed(to.to_v4().to_uint());
    if (to.is_loopback())
        return true;
    return refuse(to.to_string());
}

unsigned long refused_count()
{
    return g_refused.load();
}

} // namespace orvex::net
