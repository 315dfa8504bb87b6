// The simulated motor board: its command set over UDP, the mechanics behind
// it and the coupling to a sensor's target.
#include "sim_fixture.h"

#include "link/byte_order.h"

#include <cmath>
#include <thread>

using orvex::test::bytes;
using orvex::test::loopback_address;
using orvex::test::raw_client;
using orvex::test::start_sim;
namespace sim = orvex::sim;
using std::chrono::milliseconds;

namespace {

std::int32_t be32(const bytes& d, std::size_t at)
{
    return std::int32_t(orvex::bytes::get_be32(&d[at]));
}

bytes move_to(int channel, std::int32_t steps)
{
    bytes d(5);
    d[0] = std::uint8_t(0xA6 + channel);
    orvex::bytes::put_be32(&d[1], std::uint32_t(steps));
    return d;
}

} // namespace

TEST(SimRig, BoardMovesCountsStopsAndStalls)
{
    const std::string board = loopback_address(20);
    auto s = start_sim(
        {board + ",type=EB1,board=50,speed=100,stall=3,travel=3,coef=1000:1000:1000:-5000:-5000:-5000"});
    raw_client c;

    EXPECT_EQ(c.ask(board, move_to(0, 2000)), bytes{0xA6}); // 2 mm at 100 mm/s
    auto st = c.ask(board, {0xAF});
    ASSERT_TRUE(st && st->size() == 48);
    EXPECT_EQ((*st)[6], 1); // running
    std::this_thread::sleep_for(milliseconds(60));
    st = c.ask(board, {0xA0});
    ASSERT_TRUE(st && st->size() == 30);
    EXPECT_EQ(be32(*st, 18), 2000);  // motor 1 on the commanded count
    EXPECT_EQ(be32(*st, 6), -10000); // encoder 1: -5000 per mm
    EXPECT_NEAR(s->rig_position(0, 0), 2.0, 1e-12);
    st = c.ask(board, {0xAF});
    EXPECT_EQ((*st)[6], 0);
    EXPECT_EQ((*st)[25], 1); // the mark at 1 mm was passed
    EXPECT_EQ(be32(*st, 26), -5000);

    // Set position: both counters of channel 1 read 0 where it stands.
    bytes set(11, 0);
    set[0] = 0xA1;
    set[1] = 0x04;
    set[6] = 0x20;
    EXPECT_EQ(c.ask(board, set), bytes{0xA1});
    EXPECT_NEAR(s->rig_motor_position(0, 0), 0.0, 1e-12);
    EXPECT_NEAR(s->rig_position(0, 0), 2.0, 1e-12);

    // Emergency stop halts and refuses moves until released; channel 3 stalls.
    EXPECT_EQ(c.ask(board, {0xAD, 1}), bytes{0xAD});
    c.ask(board, move_to(1, 500));
    c.ask(board, move_to(2, 500));
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(s->rig_position(0, 1), 0.0);
    EXPECT_EQ(c.ask(board, {0xAD, 0}), bytes{0xAD});
    c.ask(board, move_to(1, 500));
    c.ask(board, move_to(2, 500));
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_NEAR(s->rig_position(0, 1), 0.5, 1e-12);
    EXPECT_EQ(s->rig_position(0, 2), 0.0);

    // A target beyond the travel: the motor stops at its end, short of the count.
    c.ask(board, move_to(1, 5000));
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_NEAR(s->rig_position(0, 1), 3.0, 1e-12);
    EXPECT_NEAR(s->rig_motor_position(0, 1), 3.0, 1e-9);

    EXPECT_FALSE(c.ask(board, {0xA0, 0}, milliseconds(100))); // wrong length: no answer
}

TEST(SimRig, TheBoardCarriesTheSensorsTarget)
{
    const std::string sensor = loopback_address(2), board = loopback_address(20);
    auto s = start_sim({sensor + ",scene=plane", board + ",type=EB1,board=50,speed=200,rig=" + sensor});
    raw_client c;
    const double before = s->line_positions(0)[500];
    const double want = s->target_offset_for_column(0, 500, before + 40.0);
    c.ask(board, move_to(0, std::int32_t(std::lround(want * 1000.0))));
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_NEAR(s->line_positions(0)[500], before + 40.0, 0.05);
    EXPECT_NEAR(s->target_offset_for_column(0, 500, s->line_positions(0)[500]), s->rig_position(1, 0), 1e-6);
    EXPECT_THROW(s->rig_position(0, 0), std::logic_error); // a sensor has no board
    sim::simulator_options bad;
    bad.sensors = {sensor + ",type=EB1,board=50,rig=" + loopback_address(9)};
    EXPECT_THROW(sim::simulator{bad}, std::invalid_argument);
}

TEST(SimRig, LineNoiseIsDrawnAfreshForEveryMeasurement)
{
    const std::string quiet = loopback_address(2), noisy = loopback_address(3);
    auto s = start_sim({quiet, noisy + ",noise=0.5"});
    raw_client c;
    const auto profile = [&](const std::string& a) {
        c.ask(a, {0x20});
        return c.ask(a, {0x22});
    };
    const auto q1 = profile(quiet), q2 = profile(quiet);
    ASSERT_TRUE(q1 && q2 && q1->size() == 4104);
    EXPECT_TRUE(std::equal(q1->begin() + 8, q1->end(), q2->begin() + 8));
    const auto n1 = profile(noisy), n2 = profile(noisy);
    ASSERT_TRUE(n1 && n2 && n1->size() == 4104);
    EXPECT_FALSE(std::equal(n1->begin() + 8, n1->end(), n2->begin() + 8));
}
