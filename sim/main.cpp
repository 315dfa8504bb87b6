// k7sim: simulated K7D sensors on loopback addresses, until SIGINT/SIGTERM.
#include "options.h"
#include "simulator.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace orvex::sim;
    auto cl = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.help) {
        std::cout << usage_text();
        return 0;
    }
    if (!cl.error.empty()) {
        std::cerr << "k7sim: " << cl.error << "\nTry k7sim --help.\n";
        return 2;
    }
    cl.options.on_notice = [](const std::string& line) { std::cout << line << std::endl; };
    try {
        // Signals are caught before the sockets open, so that a stop request
        // arriving at any moment still saves the state folder.
        boost::asio::io_context io;
        boost::asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](const boost::system::error_code&, int) { io.stop(); });

        simulator sim(cl.options);
        sim.start();
        for (const auto& line : sim.ready_lines())
            std::cout << line << "\n";
        std::cout.flush();
        io.run();
        sim.stop();
        std::cout << "k7sim: stopped" << std::endl;
    } catch (const std::invalid_argument& e) {
        std::cerr << "k7sim: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "k7sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
