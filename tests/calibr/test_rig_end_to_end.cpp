// The X and Y calibrations end to end: the program's procedures against the
// simulated rig over loopback, its table checked against the simulator's
// ground truth.
#include "rigcheck/rig_check.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

TEST(XCalibrationOnTheSimulatedRig, TableMatchesTheGroundTruth)
{
    orvex::test::TempDir dir;
    orvex::rigcheck::options o;
    o.sensor_address = orvex::test::loopback_address(30);
    o.board_address = orvex::test::loopback_address(31);
    o.search_address = orvex::test::loopback_address(32);
    o.range = 1.5;
    o.step_pix = 1.0;
    o.folder = dir.path();
    const auto r = orvex::rigcheck::run(o);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.log.back(), "Калибровка X завершена");
    EXPECT_GT(r.cells, 1024u * 10);
    EXPECT_LE(r.max_error, 0.01);
    EXPECT_LE(r.rms_error, 0.003);
    // Every profile was recorded where it was stamped. The check starts the
    // actuator at 0.7 mm: a detection that took its start from the position
    // read before the set-position stamped its first record 0 at 0.7 mm.
    EXPECT_LE(r.record_max_error, 0.005);

    // The run stops after the first profile beyond the range.
    std::ifstream in(dir / "CalibrX.txt");
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty())
            last = line;
    EXPECT_GT(std::stod(last.substr(0, last.find('\t'))), 1.5);
}

#if defined(K7CTL_EXE) && !defined(_WIN32)
// The corner procedure on the simulated rig, the shipped table script (which
// runs k7ctl from the folder above its own), TableY.txt against the
// simulator's lateral positions. A small grid: three columns of five points.
TEST(YCalibrationOnTheSimulatedRig, CornerTableThroughTheScriptMatchesTheGroundTruth)
{
    if (std::system("python3 -c pass") != 0)
        GTEST_SKIP() << "no python3 to run the table script";
    orvex::test::TempDir dir;
    const auto calibr = dir / "calibr";
    std::filesystem::create_directories(calibr);
    std::filesystem::copy_file(std::filesystem::path(Y_SCRIPTS_DIR) / "_y_table_save.py",
                               calibr / "_y_table_save.py");
    std::filesystem::create_symlink(K7CTL_EXE, dir / "k7ctl");
    orvex::rigcheck::y_options o;
    o.sensor_address = orvex::test::loopback_address(33);
    o.board_address = orvex::test::loopback_address(34);
    o.search_address = orvex::test::loopback_address(35);
    o.folder = calibr;
    o.script = calibr / "_y_table_save.py";
    const auto r = orvex::rigcheck::run_y(o);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(std::find(r.log.begin(), r.log.end(), "Средняя точка найдена успешно"), r.log.end());
    EXPECT_EQ(r.groups, 3u);
    EXPECT_EQ(r.entries, 15u);
    EXPECT_GT(r.cells, 3000u);
    EXPECT_LE(r.max_error, 0.02);
    EXPECT_LE(r.rms_error, 0.005);
}
#endif

TEST(YCalibrationOnTheSimulatedRig, CornerProcedureOnTeethStopsAndWritesNothing)
{
    orvex::test::TempDir dir;
    orvex::rigcheck::y_options o;
    o.sensor_address = orvex::test::loopback_address(36);
    o.board_address = orvex::test::loopback_address(37);
    o.search_address = orvex::test::loopback_address(38);
    o.scene = "teeth";
    o.start_y = 0.0;
    o.folder = dir.path();
    const auto r = orvex::rigcheck::run_y(o);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Подпрограмма остановлена: Обнаружено больше одного угла");
    EXPECT_FALSE(std::filesystem::exists(dir / "CalibrY.txt"));
}
