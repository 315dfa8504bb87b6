// Motor-board requests and replies, the waiting primitives against a fake
// clock, and the procedure runner.
#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/procedure_runner.h"
#include "calibr/y_calibration.h"
#include "fake_board.h"
#include "link/sensor_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace orvex;
using namespace orvex::calibr;
using k7::ExtBoard;
using ms = std::chrono::milliseconds;

TEST(ExtBoardCodec, RequestsRoundHalvesAwayAndTruncate)
{
    const k7::ExtBoardCoefficients c; // 1000 steps, 5000 counts
    const auto d = k7::encode_set_position(0, 1.5, c);
    const std::array<std::uint8_t, 11> want{0xA1, 0x04, 0, 0, 0x05, 0xDC, 0x20, 0, 0, 0x1D, 0x4C};
    EXPECT_EQ(d, want); // 1500 and 7500
    EXPECT_EQ(k7::encode_set_position(2, 0.0, c)[1], 0x10);
    EXPECT_EQ(k7::encode_set_position(2, 0.0, c)[6], 0x80);

    EXPECT_EQ(k7::ext_board_count(2.5), 3);
    EXPECT_EQ(k7::ext_board_count(-2.5), -3);
    EXPECT_EQ(k7::ext_board_count(4294967296.0 + 7.0), 7); // low 32 bits
    const auto m = k7::encode_move(1, -0.0025, c);
    EXPECT_EQ(m[0], 0xA7);
    EXPECT_EQ(bytes::get_be32(&m[1]), 0xFFFFFFFDu); // -2.5 steps -> -3
}

TEST(ExtBoardCodec, RepliesOfWrongLengthOrCodeChangeNothing)
{
    k7::ExtBoardCoefficients c;
    c.encoder[1] = -5000.0;
    std::vector<std::uint8_t> r(30, 0);
    r[0] = 0xA0;
    r[5] = 0x81;
    bytes::put_be32(&r[10], std::uint32_t(-10000)); // encoder 2
    bytes::put_be32(&r[18], 2500);                  // motor 1
    k7::ExtBoardData s;
    s.moving[0] = true;
    ASSERT_TRUE(k7::parse_state_reply(r.data(), r.size(), c, s));
    EXPECT_DOUBLE_EQ(s.motor_position[0], 2.5);
    EXPECT_DOUBLE_EQ(s.encoder_position[1], 2.0);
    EXPECT_TRUE(s.flag_bits[0] && s.flag_bits[7] && !s.flag_bits[1]);
    EXPECT_TRUE(s.moving[0]); // the short read leaves it

    r.push_back(0);
    EXPECT_FALSE(k7::parse_state_reply(r.data(), r.size(), c, s));
    std::vector<std::uint8_t> e(48, 0);
    e[0] = 0xAF;
    e[11] = 1;                     // moving 2
    e[34] = 1;                     // mark valid 2
    bytes::put_be32(&e[35], 5000); // mark counter 2
    ASSERT_TRUE(k7::parse_extended_reply(e.data(), e.size(), c, {true, true, true}, s));
    EXPECT_TRUE(s.moving[1] && s.mark_valid[1] && !s.moving[0]);
    EXPECT_DOUBLE_EQ(s.mark_position[1], -1.0);
    e[0] = 0xA0;
    EXPECT_FALSE(k7::parse_extended_reply(e.data(), e.size(), c, {true, true, true}, s));
}

namespace {

struct rig_fixture : ::testing::Test {
    test::fake_board peer;
    k7::udp_link link;
    ExtBoard board{link};
    calibration_rig rig{board};
    ExtBoard::clock::time_point t{std::chrono::hours(1)};

    void SetUp() override
    {
        link.open("127.0.0.1", peer.port());
        rig.set_clock([this] { return t; });
    }
    // One main-timer tick: time moves on, the poll asks and (unless the board
    // is silent) collects its answer.
    void tick(ms step = ms(25))
    {
        t += step;
        rig.poll();
        for (int i = 0; i < 500; ++i) {
            if (rig.poll() != calibration_rig::poll_event::none)
                return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
};

} // namespace

TEST_F(rig_fixture, StaleExtendedReplyDoesNotClearAFreshMove)
{
    peer.set_moving(1, true);
    peer.hold_extended(true);
    t += ms(1);
    ASSERT_TRUE(board.request_extended_state());
    std::this_thread::sleep_for(ms(20));
    t += ms(1);
    ASSERT_TRUE(board.move(0, 1.0)); // after the request
    peer.send_held_extended();       // the answer was on its way: motor 1 standing
    peer.hold_extended(false);
    for (int i = 0; i < 500 && !board.collect_extended_state(); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    EXPECT_TRUE(board.extended_state().moving[0]); // stale "standing" ignored
    EXPECT_TRUE(board.extended_state().moving[1]);
    t += ms(1);
    ASSERT_TRUE(board.request_extended_state());
    bool got = false;
    for (int i = 0; i < 500 && !(got = board.collect_extended_state()); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ASSERT_TRUE(got);
    EXPECT_FALSE(board.extended_state().moving[0]);
    EXPECT_THROW(board.move(3, 0.0), std::out_of_range);
}

TEST_F(rig_fixture, MoveAndWaitEndsOnArrivalWithinTheChannelTolerance)
{
    procedure_runner runner([](log_icon, const std::string&) {}, nullptr);
    bool done = false;
    peer.set_motor(0, 2000); // X stands at 2.0
    tick();
    ASSERT_TRUE(runner.start([&](auto& y) { done = rig.move_and_wait(y, 2.0009, 0); }));
    tick();
    runner.tick();
    EXPECT_TRUE(done); // already there: the first tick

    // Y waits to within 0.0005: 0.0006 away is not there yet.
    done = false;
    peer.set_motor(1, 994); // 0.994 with 1000 steps per unit
    tick();
    runner.tick(); // the previous procedure's end
    ASSERT_TRUE(runner.start([&](auto& y) { done = rig.move_and_wait(y, 0.9946, 1); }));
    for (int i = 0; i < 3; ++i) {
        tick();
        runner.tick();
    }
    EXPECT_FALSE(done);
    board.coefficients().motor[1] = 10000.0;
    peer.set_motor(1, 9942); // 0.9942
    tick();
    runner.tick();
    EXPECT_TRUE(done);
}

TEST_F(rig_fixture, SlowButSteadyMoveNeverStallsAStandingOneDoes)
{
    std::vector<std::string> log;
    procedure_runner runner([&](log_icon, const std::string& s) { log.push_back(s); }, nullptr);
    bool done = false;
    tick();
    runner.start([&](auto& y) { done = rig.move_and_wait(y, 0.1, 0); });
    // 2 steps (0.002) every 2.9 s for 29 s: slow, but never still for 3 s.
    for (int k = 1; k <= 10; ++k) {
        peer.set_motor(0, 2 * k);
        for (int i = 0; i < 29; ++i) {
            tick(ms(100));
            runner.tick();
        }
    }
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(runner.busy());
    for (int i = 0; i < 32; ++i) {
        tick(ms(100));
        runner.tick();
    }
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Актюатор не перемещается.");
    EXPECT_FALSE(done);

    // A silent board ends a move after one second.
    log.clear();
    runner.start([&](auto& y) { rig.move_and_wait(y, 5.0, 0); });
    peer.set_silent(true);
    for (int i = 0; i < 12; ++i) {
        tick(ms(100));
        runner.tick();
    }
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Нет ответа от платы управления.");
}

TEST_F(rig_fixture, WaitForProfileWantsFreshProfilesOfEveryChannelInUse)
{
    std::vector<std::string> log;
    procedure_runner runner([&](log_icon, const std::string& s) { log.push_back(s); }, nullptr);
    std::vector<double> p(1024, 100.0);
    bool second = false;
    rig.second_sensor = [&] { return second; };
    bool done = false;
    runner.start([&](auto& y) {
        rig.wait_for_profile(y, 2000);
        done = true;
    });
    t += ms(150);
    rig.take_profile(0, p.data(), p.size()); // too early
    runner.tick();
    EXPECT_FALSE(done);
    t += ms(100);
    EXPECT_FALSE(rig.take_profile(0, p.data(), 1000)); // not a calibration profile
    runner.tick();
    EXPECT_FALSE(done);
    rig.take_profile(0, p.data(), p.size());
    runner.tick();
    EXPECT_TRUE(done); // channel 1 alone

    second = true;
    done = false;
    runner.tick(); // end of the first procedure
    runner.start([&](auto& y) {
        rig.wait_for_profile(y, 2000);
        done = true;
    });
    t += ms(300);
    rig.take_profile(0, p.data(), p.size());
    runner.tick();
    EXPECT_FALSE(done); // channel 2 has nothing fresh
    EXPECT_THROW(rig.take_profile(1, p.data(), 10), std::runtime_error);
    t += ms(1800);
    runner.tick();
    runner.tick();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Не получен результат измерения с датчика");
}

TEST(ProcedureRunner, RefusesASecondStartStopsWithReasonAndEndsOnErrors)
{
    std::vector<std::pair<log_icon, std::string>> log;
    std::string status;
    procedure_runner runner([&](log_icon i, const std::string& s) { log.emplace_back(i, s); },
                            [&](const std::string& s) { status = s; });
    int steps = 0;
    runner.start([&](auto& y) {
        for (;;) {
            ++steps;
            y();
        }
    });
    EXPECT_EQ(steps, 1); // ran to its first yield inside start
    EXPECT_FALSE(runner.start([&](auto&) { steps = 100; }));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].second, "Попытка запустить подпрограмму во время выполнения другой подпрограммы");
    runner.tick();
    EXPECT_EQ(steps, 2);
    runner.stop("Остановка по нажатию кнопки");
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(status, "Остановлено");
    EXPECT_EQ(log.back().second, "Подпрограмма остановлена: Остановка по нажатию кнопки");
    runner.stop("");
    EXPECT_EQ(log.back().second, "Подпрограмма остановлена");
    EXPECT_EQ(log.back().first, log_icon::failure);

    runner.start([](auto& y) {
        y();
        throw std::runtime_error("Ошибка");
    });
    runner.tick();
    EXPECT_EQ(log.back().second, "Ошибка");
    EXPECT_FALSE(runner.busy());

    bool completed = false;
    runner.start([](auto&) {}, [&] { completed = true; });
    EXPECT_FALSE(completed); // the end is seen on the next tick
    runner.tick();
    EXPECT_TRUE(completed);
    runner.start([](auto&) {});
    runner.tick();
    EXPECT_EQ(log.back().second, "Конец подпрограммы");
}

// Regression: a profile read repeated after a time-out brings the measurement
// of the earlier request; stamped with its arrival it passed as fresh after a move.
TEST(ProfileTime, PolledProfilesCountFromTheirMeasurementRequest)
{
    k7::link_set links;
    k7::sensor_commands commands(links);
    k7::acquisition_engine engine(commands);
    const auto later = ExtBoard::clock::now() + std::chrono::seconds(5);
    EXPECT_EQ(measured_time(engine, later), later); // nothing polled yet
    engine.set_profile_poll(true);
    const auto before = ExtBoard::clock::now();
    engine.step(); // asks for a measurement (the closed link loses it)
    const auto t = measured_time(engine, later);
    EXPECT_GE(t, before);
    EXPECT_LT(t, later);
}

TEST_F(rig_fixture, MiddlePointSearchStopsBeforeAMoveBeyondTheYTravel)
{
    std::vector<std::string> log;
    const log_sink sink = [&](log_icon, const std::string& s) { log.push_back(s); };
    procedure_runner runner(sink, nullptr);
    peer.set_motor(1, 119500); // Y at 119.5
    tick();
    std::vector<double> roof(1024);
    for (std::size_t i = 0; i < roof.size(); ++i)
        roof[i] = 300.0 + std::fabs(double(i) - 300.5); // corner far below point 512
    y_calibration_state ys;
    x_calibration_state xs;
    y_view view;
    view.x.log = sink;
    runner.start([&](auto& y) { find_middle_point(y, rig, ys, xs, view); });
    t += ms(250);
    rig.take_profile(0, roof.data(), roof.size());
    runner.tick();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(),
              "Подпрограмма остановлена: Перемещение актюатора превышает максимально допустимое: 120.5");
    ASSERT_EQ(ys.corners[0].size(), 1u);
    EXPECT_NEAR(ys.corners[0][0].y, 300.5, 1e-3);
    for (const auto& r : peer.requests())
        EXPECT_NE(r.at(0), k7::ext_board_code::move_first + 1); // never moved Y
}
