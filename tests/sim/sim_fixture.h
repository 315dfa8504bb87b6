// Starts an in-process simulator on this test process's own loopback block.
#pragma once

#include "raw_client.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orvex::test {

/// The search socket is bound to host 254 of the process's block, so that a
/// test can address it by unicast without meeting other test processes.
inline std::string search_address()
{
    return loopback_address(254);
}

inline std::unique_ptr<sim::simulator> start_sim(std::vector<std::string> sensors,
                                                 sim::simulator_options opts = {})
{
    opts.sensors = std::move(sensors);
    if (opts.search_bind == "0.0.0.0")
        opts.search_bind = search_address();
    auto s = std::make_unique<sim::simulator>(std::move(opts));
    s->start();
    return s;
}

inline bytes page_of(std::uint8_t v)
{
    return bytes(256, v);
}

} // namespace orvex::test
