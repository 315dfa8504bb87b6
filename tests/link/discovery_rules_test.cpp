// Pure rules of discovery and connection: the firmware rule, extended access,
// the address-change datagram, the address proposal, the search's choice of
// local addresses.
#include "link/address_change.h"
#include "link/connect_steps.h"
#include "link/local_addresses.h"
#include "link/sensor_search.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace orvex::k7;
using boost::asio::ip::address_v4;
using boost::asio::ip::make_address_v4;

namespace {
std::uint32_t ip(const char* text)
{
    return make_address_v4(text).to_uint();
}
} // namespace

TEST(ConnectRules, FirmwareRuleAndExtendedAccess)
{
    const auto v = [](const char* t) { return firmware_version::parse(t); };
    EXPECT_FALSE(firmware_supported(v("39z"), type_s2d));
    EXPECT_FALSE(firmware_supported(v("39"), type_s2d));
    EXPECT_FALSE(firmware_supported(v("??"), type_unknown)) << "an unreadable version is below 40";
    EXPECT_TRUE(firmware_supported(v("40"), type_s2d));
    EXPECT_TRUE(firmware_supported(v("40a"), type_eb1));
    EXPECT_TRUE(firmware_supported(v("10a"), type_rcv));
    EXPECT_TRUE(firmware_supported(v("??"), type_rcv));

    EXPECT_FALSE(wants_extended_access(v("47z"), true));
    EXPECT_TRUE(wants_extended_access(v("48"), true));
    EXPECT_TRUE(wants_extended_access(v("49m"), true));
    EXPECT_FALSE(wants_extended_access(v("49m"), false));
}

TEST(AddressChange, DatagramAndProposal)
{
    const auto f = address_change_datagram("A1234", ip("172.20.1.147"));
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(*f, (address_change_frame{0xF6, 'A', '1', '2', '3', '4', 172, 20, 1, 147}));
    EXPECT_FALSE(address_change_datagram("", 1).has_value()) << "no serial, no datagram";
    EXPECT_FALSE(address_change_datagram("A123", 1).has_value());

    // Bit 7 of the last octet set: downward, skipping found devices.
    EXPECT_EQ(propose_address(ip("172.20.1.200"), {}), ip("172.20.1.199"));
    EXPECT_EQ(propose_address(ip("172.20.1.200"), {ip("172.20.1.199"), ip("172.20.1.198")}),
              ip("172.20.1.197"));
    // Otherwise upward.
    EXPECT_EQ(propose_address(ip("172.20.1.10"), {ip("172.20.1.11")}), ip("172.20.1.12"));
    EXPECT_EQ(propose_address(ip("172.20.1.127"), {}), ip("172.20.1.128"));
    // At most 100 steps, even when every candidate is taken.
    std::vector<std::uint32_t> all;
    for (std::uint32_t a = ip("172.20.1.11"); a < ip("172.20.1.255"); ++a)
        all.push_back(a);
    EXPECT_EQ(propose_address(ip("172.20.1.10"), all), ip("172.20.1.110"));
}

TEST(SearchAddresses, LoopbackDestinationUsesLoopbackOnly)
{
    const std::vector<address_v4> local = {make_address_v4("10.0.0.5"), make_address_v4("127.0.0.1"),
                                           make_address_v4("172.20.1.3"), make_address_v4("127.0.0.1")};
    EXPECT_EQ(search_addresses(local, make_address_v4("127.255.255.255")),
              (std::vector<address_v4>{make_address_v4("127.0.0.1")}));
    EXPECT_EQ(search_addresses(local, make_address_v4("172.20.1.255")),
              (std::vector<address_v4>{make_address_v4("10.0.0.5"), make_address_v4("172.20.1.3")}));

    // The real list has the loopback address, so a loopback search has a socket.
    const auto real = local_ipv4_addresses();
    EXPECT_NE(std::find(real.begin(), real.end(), address_v4::loopback()), real.end());

    EXPECT_STREQ(sensor_search::default_destination, "192.168.1.255"); // the default only; never sent to here
    sensor_search s;
    EXPECT_THROW(s.start("192.168.1"), std::invalid_argument);
    EXPECT_FALSE(s.running());
}
