// k7ctl set-ip: the address-change datagram.
#include "cli.h"
#include "link/address_change.h"
#include "link/net_guard.h"
#include "link/sensor_search.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

namespace k7ctl {

int run_set_ip(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl set-ip SERIAL NEW_IP [--address A] [--via LOCAL_IP]"),
        QStringLiteral("Gives the sensor with the serial SERIAL the address NEW_IP, without connecting:\n"
                       "the datagram goes to the search address (broadcast) from the local address --via."),
        QStringLiteral("  k7ctl set-ip 00042 192.168.1.150 --via 192.168.1.10\n"
                       "  k7ctl set-ip 42 127.0.0.9 --address 127.255.255.255 --via 127.0.0.1\n"
                       "  k7ctl set-ip 00042 127.0.0.9 --address 127.255.255.255 --via 127.0.0.1\n"));
    o.add({QStringLiteral("address"), QStringLiteral("Where to send (default the search broadcast)."),
           QStringLiteral("A"), QString::fromLatin1(orvex::k7::sensor_search::default_destination)});
    o.add({QStringLiteral("via"), QStringLiteral("Local address to send from (default: any)."),
           QStringLiteral("LOCAL_IP"), QStringLiteral("0.0.0.0")});
    o.parse(args, 2, 2);
    // A serial shorter than five characters is padded with zero bytes, as the
    // identification record stores it ("42" is what search lists it as).
    std::string serial = o.positional().at(0).toStdString();
    if (!serial.empty() && serial.size() < 5)
        serial.resize(5, '\0');
    boost::system::error_code ec;
    const auto new_ip = boost::asio::ip::make_address_v4(o.positional().at(1).toStdString(), ec);
    if (ec)
        usage_error(QStringLiteral("NEW_IP is not an IPv4 address: ") + o.positional().at(1));
    const auto frame = orvex::k7::address_change_datagram(serial, new_ip.to_uint());
    if (!frame)
        usage_error(QStringLiteral("SERIAL must be one to five characters"));
    const auto to = boost::asio::ip::make_address_v4(o.value(QStringLiteral("address")).toStdString(), ec);
    if (ec)
        usage_error(QStringLiteral("--address is not an IPv4 address"));
    const auto via = boost::asio::ip::make_address_v4(o.value(QStringLiteral("via")).toStdString(), ec);
    if (ec)
        usage_error(QStringLiteral("--via is not an IPv4 address"));

    if (!orvex::net::send_allowed(boost::asio::ip::address(to)))
        device_error(QStringLiteral("sending to %1 is refused by ORVEX_NET_GUARD")
                         .arg(o.value(QStringLiteral("address"))));
    boost::asio::io_context io;
    boost::asio::ip::udp::socket socket(io);
    socket.open(boost::asio::ip::udp::v4(), ec);
    if (!ec)
        socket.set_option(boost::asio::socket_base::reuse_address(true), ec);
    if (!ec)
        socket.set_option(boost::asio::socket_base::broadcast(true), ec);
    if (!ec)
        socket.bind(boost::asio::ip::udp::endpoint(via, 0), ec);
    if (!ec)
        socket.send_to(boost::asio::buffer(*frame),
                       boost::asio::ip::udp::endpoint(to, orvex::k7::sensor_port), 0, ec);
    if (ec)
        device_error(QStringLiteral("sending the address change failed: ") +
                     QString::fromStdString(ec.message()));
    print_line(
        QStringLiteral("address change sent: %1 -> %2").arg(o.positional().at(0), o.positional().at(1)));
    return exit_ok;
}

} // namespace k7ctl
