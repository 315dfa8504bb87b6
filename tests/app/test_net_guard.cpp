// The network guard keeps test traffic on this computer.
#include "link/net_guard.h"

#include <boost/asio/ip/address.hpp>
#include <gtest/gtest.h>

TEST(NetGuard, UnderTheTestEnvironmentOnlyLoopbackIsAllowed)
{
    // ctest sets ORVEX_NET_GUARD=loopback for every test.
    ASSERT_TRUE(orvex::net::guard_active());
    const auto before = orvex::net::refused_count();
    EXPECT_TRUE(orvex::net::send_allowed(boost::asio::ip::make_address("127.0.0.1")));
    EXPECT_TRUE(orvex::net::send_allowed(boost::asio::ip::make_address("127.255.255.255")));
    EXPECT_TRUE(orvex::net::send_allowed(boost::asio::ip::make_address("::1")));
    EXPECT_FALSE(orvex::net::send_allowed(boost::asio::ip::make_address("198.51.100.7")));
    EXPECT_FALSE(orvex::net::send_allowed(boost::asio::ip::make_address("255.255.255.255")));
    EXPECT_FALSE(orvex::net::send_allowed(boost::asio::ip::make_address("128.0.0.1")));
    EXPECT_FALSE(orvex::net::send_allowed(0x7E000001u)); // 126.0.0.1
    EXPECT_EQ(orvex::net::refused_count(), before + 4);
}
