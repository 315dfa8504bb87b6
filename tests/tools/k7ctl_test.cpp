// k7ctl end to end: the built executable against an in-process simulator on
// this test process's loopback block; stdout is captured, exit codes checked.
#include "simulator.h"
#include "support/test_support.h"

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct run_result {
    int exit = -1;
    std::string out;
    QJsonDocument json() const { return QJsonDocument::fromJson(QByteArray::fromStdString(out)); }
};

// Runs k7ctl with `args` (shell words, already quoted where needed); stderr
// is left to the test log.
run_result k7ctl(const std::string& args)
{
    setenv("ORVEX_NET_GUARD", "loopback", 1);
    run_result r;
    const std::string cmd = std::string(K7CTL_PATH) + " " + args;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string serial_of(int host)
{
    char s[8];
    std::snprintf(s, sizeof s, "T%04X", static_cast<unsigned>(getpid() + host) & 0xFFFF);
    return s;
}

std::unique_ptr<orvex::sim::simulator> start_sim(std::vector<std::string> sensors, double profile_rate = 0.0)
{
    orvex::sim::simulator_options o;
    o.sensors = std::move(sensors);
    o.search_bind = orvex::test::loopback_address(254);
    o.profile_rate = profile_rate;
    o.on_notice = [](const std::string&) {};
    auto s = std::make_unique<orvex::sim::simulator>(o);
    s->start();
    return s;
}

std::string sensor(int host, const std::string& extra = "")
{
    return orvex::test::loopback_address(host) + ",serial=" + serial_of(host) + extra;
}

} // namespace

TEST(K7ctl, SearchAndInfo)
{
    auto sim = start_sim({sensor(2, ",fw=49m,shift=6"), sensor(3, ",fw=39z,type=RCV")});
    const std::string a2 = orvex::test::loopback_address(2);

    auto r = k7ctl("search --address " + orvex::test::loopback_address(254) + " --seconds 1 --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonArray found = r.json().array();
    ASSERT_EQ(found.size(), 2) << r.out;
    QStringList serials;
    for (const auto& f : found)
        serials << f.toObject().value(QStringLiteral("serial")).toString();
    EXPECT_TRUE(serials.contains(QString::fromStdString(serial_of(2))));
    EXPECT_TRUE(serials.contains(QString::fromStdString(serial_of(3))));
    // Regression: a search shorter than one collection interval listed nothing.
    r = k7ctl("search --address " + orvex::test::loopback_address(254) + " --seconds 0.1 --json");
    EXPECT_EQ(r.json().array().size(), 2) << r.out;

    r = k7ctl("info " + a2 + " --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonObject info = r.json().object();
    EXPECT_EQ(info.value(QStringLiteral("serial")).toString().toStdString(), serial_of(2));
    EXPECT_EQ(info.value(QStringLiteral("firmware")).toString(), QStringLiteral("49m"));
    EXPECT_EQ(info.value(QStringLiteral("address")).toString().toStdString(), a2);
    EXPECT_EQ(info.value(QStringLiteral("shift")).toInt(), 6);
    EXPECT_EQ(info.value(QStringLiteral("type_name")).toString(), QStringLiteral("2d scanner")); // English
    EXPECT_DOUBLE_EQ(info.value(QStringLiteral("scale")).toDouble(), 64.0);
    EXPECT_DOUBLE_EQ(info.value(QStringLiteral("outline")).toObject().value(QStringLiteral("x2")).toDouble(),
                     100.0);

    // Text form, a silent device, bad usage.
    r = k7ctl("info " + a2);
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("outline: x 0..100"), std::string::npos) << r.out;
    sim->set_answering(1, false);
    EXPECT_EQ(k7ctl("info " + orvex::test::loopback_address(3) + " 2>/dev/null").exit, 1);
    EXPECT_EQ(k7ctl("info 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("no-such-command 2>/dev/null").exit, 2);
}

TEST(K7ctl, SettingsGetAndSet)
{
    auto sim = start_sim({sensor(2)});
    const std::string a = orvex::test::loopback_address(2);

    auto r = k7ctl("settings " + a + " get --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    QJsonObject s = r.json().object();
    EXPECT_EQ(s.value(QStringLiteral("window_y_end")).toInt(), 1023);
    EXPECT_EQ(s.value(QStringLiteral("laser_brightness")).toInt(), 200);

    r = k7ctl("settings " + a + " set laser_brightness=100 window_y_end=511");
    ASSERT_EQ(r.exit, 0) << r.out;
    EXPECT_EQ(r.out, "written\n");
    const auto mem = sim->settings_memory(0);
    EXPECT_EQ(mem[33], 100);
    EXPECT_EQ((mem[56] << 8) | mem[57], 511);
    r = k7ctl("settings " + a + " get");
    EXPECT_NE(r.out.find("laser_brightness = 100\n"), std::string::npos) << r.out;

    // Usage errors end with 2 before anything is sent: the record stays.
    const auto requests = sim->request_log(0).size();
    EXPECT_EQ(k7ctl("settings " + a + " set no_such_field=1 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("settings " + a + " set laser_brightness 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("settings " + a + " fetch 2>/dev/null").exit, 2);
    EXPECT_EQ(sim->request_log(0).size(), requests);
    EXPECT_EQ(sim->settings_memory(0), mem);
}

TEST(K7ctl, SettingsTheEditorWouldRefuseEndWithTwoNamingTheField)
{
    auto sim = start_sim({sensor(2)});
    const std::string a = orvex::test::loopback_address(2);
    const auto mem = sim->settings_memory(0);
    const struct {
        const char* assignment;
        const char* named; // field, value and limit in the message
    } refused[] = {
        {"window_x_start=100 window_x_end=60", "window_x_end = 60: at least 141"},
        {"sync_mode=9", "sync_mode = 9: one of 1, 2, 5"},
        {"gain=0", "gain = 0: at least 1"},
        {"exposure1_us=60000", "exposure1_us = 60000: at most 50000"},
        {"period_us=100", "period_us = 100: at least"},
    };
    for (const auto& c : refused) {
        const auto r = k7ctl("settings " + a + " set " + c.assignment + " 2>&1");
        EXPECT_EQ(r.exit, 2) << c.assignment;
        EXPECT_NE(r.out.find(c.named), std::string::npos) << r.out;
    }
    EXPECT_EQ(sim->settings_memory(0), mem);
    EXPECT_EQ(k7ctl("settings 127.0.0.300 get 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("info not-an-address 2>/dev/null").exit, 2);
}

TEST(K7ctl, ProfilePolled)
{
    auto sim = start_sim({sensor(2, ",scene=plane,distance=40")});
    const std::string a = orvex::test::loopback_address(2);

    auto r = k7ctl("profile " + a + " --count 3 --intensities --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonArray profiles = r.json().object().value(QStringLiteral("profiles")).toArray();
    ASSERT_EQ(profiles.size(), 3);
    double last_header = -1;
    for (const auto& v : profiles) {
        const QJsonObject p = v.toObject();
        EXPECT_EQ(p.value(QStringLiteral("n")).toInt(), 1024);
        EXPECT_EQ(p.value(QStringLiteral("valid")).toInt(), 1024); // a plane fills every row
        EXPECT_EQ(p.value(QStringLiteral("invalid")).toInt(), 0);
        EXPECT_TRUE(p.value(QStringLiteral("two_coordinates")).toBool());
        const double h = p.value(QStringLiteral("header1")).toDouble();
        if (last_header >= 0) {
            EXPECT_EQ(h, last_header + 1);
        }
        last_header = h;
        const QJsonArray points = p.value(QStringLiteral("points")).toArray();
        ASSERT_EQ(points.size(), 1024);
        for (int i : {0, 512, 1023}) {
            const QJsonArray pt = points.at(i).toArray();
            EXPECT_NEAR(pt.at(0).toDouble(), 40.0, 0.05) << i;
            EXPECT_NEAR(pt.at(1).toDouble(), -62.0 + 124.0 * (i + 0.5) / 1024.0, 0.1) << i;
        }
        const QJsonArray bright = p.value(QStringLiteral("intensities")).toArray();
        ASSERT_EQ(bright.size(), 1024);
        EXPECT_GT(bright.at(100).toInt(), 100);
    }
    EXPECT_EQ(last_header, double(sim->profile_counter(0)));

    // --out: "sequence x y" per valid point; a 100-row window with calibration
    // bypass gives 100 lines per profile, the row number as y.
    ASSERT_EQ(k7ctl("settings " + a + " set calibration_bypass=1 window_y_start=0 window_y_end=99").exit, 0);
    orvex::test::TempDir dir;
    const std::string file = (dir / "p.txt").string();
    r = k7ctl("profile " + a + " --count 2 --out " + file);
    ASSERT_EQ(r.exit, 0) << r.out;
    std::istringstream text(orvex::test::read_file(file));
    std::string line;
    int lines = 0;
    std::uint64_t first_seq = 0, seq = 0;
    const double column = sim->line_positions(0)[0];
    while (std::getline(text, line)) {
        double x = 0, y = 0;
        std::istringstream words(line);
        ASSERT_TRUE(words >> seq >> x >> y) << line;
        if (lines == 0)
            first_seq = seq;
        EXPECT_NEAR(x, column, 1.0 / 32) << line;
        EXPECT_EQ(y, double(lines % 100)) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 200);
    EXPECT_EQ(seq, first_seq + 1);
    EXPECT_EQ(k7ctl("profile " + a + " --json --out " + file + " 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("profile " + a + " --count 0 2>/dev/null").exit, 2);
}

TEST(K7ctl, StreamCountsWithoutLoss)
{
    auto sim = start_sim({sensor(2)}, 500);
    const std::string a = orvex::test::loopback_address(2);
    auto r = k7ctl("stream " + a + " --seconds 1 --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonObject s = r.json().object();
    const double received = s.value(QStringLiteral("received")).toDouble();
    EXPECT_GT(received, 300);
    EXPECT_LT(received, 700);
    EXPECT_TRUE(s.value(QStringLiteral("numbered")).toBool());
    EXPECT_EQ(s.value(QStringLiteral("lost")).toDouble(), 0.0);
    EXPECT_EQ(s.value(QStringLiteral("wrong_length")).toDouble(), 0.0);
    EXPECT_NEAR(s.value(QStringLiteral("rate_per_second")).toDouble(), 500.0, 200.0);
    // The stream was switched off at the end.
    const auto counter = sim->profile_counter(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sim->profile_counter(0), counter);
    EXPECT_EQ(k7ctl("stream " + a + " 2>/dev/null").exit, 2);
}

TEST(K7ctl, FramePng)
{
    auto sim = start_sim({sensor(2, ",scene=teeth,distance=45")});
    const std::string a = orvex::test::loopback_address(2);
    // Rows 201..712 and columns 81..1200 (units of 8).
    ASSERT_EQ(
        k7ctl("settings " + a + " set window_y_start=200 window_y_end=711 window_x_start=10 window_x_end=149")
            .exit,
        0);
    const auto lines = sim->line_positions(0);
    orvex::test::TempDir dir;
    for (const char* mode : {"", " --stream"}) {
        const std::string png = (dir / "f.png").string();
        auto r = k7ctl("frame " + a + " --out " + png + mode + " --json");
        ASSERT_EQ(r.exit, 0) << mode << r.out;
        const QJsonObject j = r.json().object();
        EXPECT_TRUE(j.value(QStringLiteral("complete")).toBool()) << mode;
        EXPECT_EQ(j.value(QStringLiteral("lines")).toInt(), 512) << mode;
        QImage img(QString::fromStdString(png));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), 1120);
        EXPECT_EQ(img.height(), 512);
        for (int y : {0, 100, 300, 511}) {
            const uchar* row = img.constScanLine(y);
            const int peak = int(std::max_element(row, row + img.width()) - row);
            EXPECT_NEAR(peak + 80, lines[std::size_t(200 + y)], 1.0) << mode << " row " << y;
            EXPECT_LT(row[10], 40); // dark background
        }
    }
    // Several streamed frames: one file and one report each.
    auto r = k7ctl("frame " + a + " --out " + (dir / "s.png").string() + " --stream --count 3 --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonArray frames = r.json().object().value(QStringLiteral("frames")).toArray();
    ASSERT_EQ(frames.size(), 3);
    for (const auto& f : frames) {
        EXPECT_EQ(f.toObject().value(QStringLiteral("lines")).toInt(), 512);
        EXPECT_EQ(f.toObject().value(QStringLiteral("lines_lost")).toInt(), 0);
    }
    EXPECT_FALSE(QImage(QString::fromStdString((dir / "s_2.png").string())).isNull());

    // The stored background is the factory's dark frame: no laser line.
    const std::string bg = (dir / "bg.png").string();
    r = k7ctl("frame " + a + " --out " + bg + " --background");
    ASSERT_EQ(r.exit, 0) << r.out;
    QImage img(QString::fromStdString(bg));
    ASSERT_EQ(img.height(), 512);
    int brightest = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            brightest = std::max(brightest, int(img.constScanLine(y)[x]));
    EXPECT_GT(brightest, 0);
    EXPECT_LT(brightest, 40);
    EXPECT_EQ(k7ctl("frame " + a + " 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("frame " + a + " --out x.png --stream --background 2>/dev/null").exit, 2);
}

TEST(K7ctl, SetIpMovesTheDevice)
{
    auto sim = start_sim({sensor(2), sensor(3)});
    const std::string to = orvex::test::loopback_address(9);
    auto r = k7ctl("set-ip " + serial_of(2) + " " + to + " --address " + orvex::test::loopback_address(254));
    ASSERT_EQ(r.exit, 0) << r.out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sim->sensor_address(0) != to && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sim->sensor_address(0), to);
    EXPECT_EQ(sim->sensor_address(1), orvex::test::loopback_address(3));
    r = k7ctl("info " + to + " --json");
    ASSERT_EQ(r.exit, 0);
    EXPECT_EQ(r.json().object().value(QStringLiteral("serial")).toString().toStdString(), serial_of(2));

    EXPECT_EQ(k7ctl("set-ip " + serial_of(2) + " 300.1.2.3 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("set-ip TOOLONG " + to + " 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("set-ip " + serial_of(2) + " 2>/dev/null").exit, 2);
}

TEST(K7ctl, RigMovesTheBoardAndCalibBuildsTheXTable)
{
    auto sim = start_sim({sensor(20, ",type=EB1,board=50,speed=100")});
    const std::string a = orvex::test::loopback_address(20) + " ";
    const std::string coef = " --coef 1000,1000,1000,-5000,-5000,-5000";
    EXPECT_EQ(k7ctl("rig " + a + "set 1 1" + coef).exit, 0);
    EXPECT_EQ(k7ctl("rig " + a + "move 1 1.5").exit, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto r = k7ctl("rig " + a + "state --json" + coef);
    ASSERT_EQ(r.exit, 0) << r.out;
    const QJsonObject s = r.json().object();
    EXPECT_DOUBLE_EQ(s.value(QStringLiteral("motor_position")).toArray().at(0).toDouble(), 1.5);
    EXPECT_EQ(s.value(QStringLiteral("motor_counter")).toArray().at(0).toInt(), 1500);
    EXPECT_DOUBLE_EQ(s.value(QStringLiteral("encoder_position")).toArray().at(0).toDouble(), 1.5);
    EXPECT_EQ(s.value(QStringLiteral("moving")).toArray().at(0).toBool(), false);
    EXPECT_EQ(k7ctl("rig " + a + "move 4 1").exit, 2);
    EXPECT_EQ(k7ctl("rig " + orvex::test::loopback_address(21) + " stop").exit, 1); // nobody there

    orvex::test::TempDir dir;
    std::string records;
    for (int k = 0; k < 3; ++k) {
        records += std::to_string(k) + ".000\t";
        for (int i = 0; i < 1024; ++i)
            records += std::to_string(100 + 10 * k) + ".000\t";
        records += "\n";
    }
    orvex::test::write_file(dir / "CalibrX.txt", records);
    r = k7ctl("calib xtable --in " + (dir / "CalibrX.txt").string() + " --out " +
              (dir / "TableX.txt").string());
    EXPECT_EQ(r.exit, 0) << r.out;
    EXPECT_NE(orvex::test::read_file(dir / "TableX.txt").find("       0.500"), std::string::npos);
    orvex::test::write_file(dir / "One.txt", records.substr(0, records.find('\n') + 1));
    EXPECT_EQ(
        k7ctl("calib xtable --in " + (dir / "One.txt").string() + " --out " + (dir / "T2.txt").string()).exit,
        1);
}

TEST(K7ctl, BoardInfoCommandsAndParameterArea)
{
    auto sim = start_sim({sensor(2, ",board=81"), sensor(3, ",board=40")});
    const std::string a = orvex::test::loopback_address(2);
    orvex::test::TempDir dir;

    auto r = k7ctl("board " + a + " info --json");
    ASSERT_EQ(r.exit, 0) << r.out;
    EXPECT_EQ(r.json().object().value(QStringLiteral("code")).toInt(), 0x81);
    EXPECT_EQ(r.json().object().value(QStringLiteral("name")).toString(),
              QStringLiteral("Термостат, энкодер"));

    r = k7ctl("board " + a + " cmd A3 \"01 02 00 03 00 00\"");
    ASSERT_EQ(r.exit, 0) << r.out;
    r = k7ctl("board " + a + " cmd a2 --reply 6");
    ASSERT_EQ(r.exit, 0) << r.out;
    EXPECT_EQ(r.out, "01 02 00 03 00 00\n");
    // The board answers 2 bytes, not 3: a failure, not a cut reply.
    EXPECT_EQ(k7ctl("board " + a + " cmd A0 --reply 3 2>/dev/null").exit, 1);
    // Opcodes outside the board range and payloads of 256 bytes are refused unsent.
    const auto requests = sim->request_log(0).size();
    EXPECT_EQ(k7ctl("board " + a + " cmd 80 2>/dev/null").exit, 2);
    EXPECT_EQ(k7ctl("board " + a + " cmd A0 " + std::string(512, '0') + " 2>/dev/null").exit, 2);
    EXPECT_EQ(sim->request_log(0).size(), requests);

    // Parameter area round trip through the board's flash; a file of the wrong size is refused.
    const std::string file = (dir / "area.bin").u8string();
    {
        std::ofstream f(file, std::ios::binary);
        for (int i = 0; i < 256; ++i)
            f.put(char(i));
    }
    ASSERT_EQ(k7ctl("board " + a + " params write " + file + " --flash").exit, 0);
    EXPECT_EQ(k7ctl("board " + a + " params write " + file + " 2>/dev/null").exit, 1); // memory takes 255
    const std::string back = (dir / "back.bin").u8string();
    ASSERT_EQ(k7ctl("board " + a + " params read " + back + " --flash").exit, 0);
    std::ifstream in(back, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[200]), 200);
}
