// Start-up of the whole program for widget tests: a temporary folder stands
// for the executable's folder and holds the Settings.xml the program reads;
// simulated sensors answer on this test process's own loopback block.
#pragma once

#include "app/program.h"
#include "app/program_settings.h"
#include "simulator.h"
#include "support/test_support.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace orvex::test {

/// Writes `stored` as Settings.xml into `exe_dir` and starts the program from
/// that folder. False when the file could not be written.
inline bool start_program_in(const TempDir& exe_dir, ProgramSettings& stored)
{
    if (!stored.save((exe_dir / "Settings.xml").u8string(), true))
        return false;
    app::start_program(QString::fromStdString(exe_dir.path().u8string()));
    return true;
}

/// The same with every setting at its default.
inline bool start_program_in(const TempDir& exe_dir)
{
    ProgramSettings defaults;
    return start_program_in(exe_dir, defaults);
}

/// A running simulator with `sensors` ("ADDR[,key=value...]" as after
/// k7sim --sensor). `search_bind` moves the search socket off the wildcard
/// address, so that broadcasts of parallel test processes do not reach it.
inline std::unique_ptr<sim::simulator> start_simulator(std::vector<std::string> sensors,
                                                       const std::string& search_bind = std::string())
{
    sim::simulator_options o;
    o.sensors = std::move(sensors);
    if (!search_bind.empty())
        o.search_bind = search_bind;
    auto simulator = std::make_unique<sim::simulator>(o);
    simulator->start();
    return simulator;
}

} // namespace orvex::test
