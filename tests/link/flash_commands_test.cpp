// The flash command object's single commands and protection sequences, as
// seen by a raw peer: request bytes, byte order, reply lengths, guards.
#include "command_peer.h"
#include "link/connect_steps.h"

using namespace orvex::k7;
using orvex::test::bytes_t;
using orvex::test::command_peer;

namespace {
// The peer's canned replies carry byte i = i after the first; the flash
// identification needs 0xEF 0x17, which a canned reply cannot give, so the
// sequences are checked with a responder of their own below.
std::vector<bytes_t> flash_device(const bytes_t& req)
{
    switch (req.at(0)) {
    case 0x50:
        return {{0x50, 0xEF, 0x17}};
    case 0x55: {
        const std::size_t r = std::size_t(req.at(3)) << 8 | req.at(4);
        bytes_t reply(1 + r, 0x60);
        reply[0] = 0x55;
        return {reply};
    }
    case 0x72:
        return {{0x72}};
    case 0x51:
        return {bytes_t(258, 0x51)};
    default:
        return {};
    }
}
} // namespace

TEST(FlashCommands, SingleCommandsMatchTheTable)
{
    command_peer p;
    auto& f = p.device.flash();
    std::size_t n = 0;
    auto next = [&] { return p.request(n++); };

    p.answer(0x50, 3);
    EXPECT_FALSE(f.identify()) << "a reply that is not 0xEF 0x17 fails the identification";
    EXPECT_EQ(next().bytes, bytes_t{0x50});

    // 'U' with 0/0 lengths: 5 bytes out, the bare echo back.
    p.answer(0x55, 1);
    EXPECT_TRUE(f.spi(nullptr, 0, 0));
    EXPECT_EQ(next().bytes, (bytes_t{0x55, 0, 0, 0, 0}));
    p.answer(0x55, 1 + 300);
    std::vector<std::uint8_t> w(512, 0xAB), r(300, 0);
    EXPECT_TRUE(f.spi(w.data(), 512, 300, r.data()));
    const auto u = next().bytes;
    ASSERT_EQ(u.size(), 517u);
    EXPECT_EQ(u[1], 0x02); // 512 big-endian
    EXPECT_EQ(u[2], 0x00);
    EXPECT_EQ(u[3], 0x01); // 300
    EXPECT_EQ(u[4], 0x2C);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[299], 44); // reply byte 300, modulo 256

    p.answer(0x53, 1);
    EXPECT_TRUE(f.erase_sector(0x7A1234));
    EXPECT_EQ(next().bytes, (bytes_t{0x53, 0x7A, 0, 0}));

    p.answer(0x51, 258);
    flash_commands::page page{};
    EXPECT_TRUE(f.read_page(0x701234, page));
    EXPECT_EQ(next().bytes, (bytes_t{0x51, 0x70, 0x12, 0}));
    EXPECT_EQ(page[0], 1);
    EXPECT_EQ(page[255], 0); // reply byte 256 (256 & 0xFF)
    p.answer(0x52, 1);
    EXPECT_TRUE(f.write_page(0x800100, page));
    const auto wr = next().bytes;
    ASSERT_EQ(wr.size(), 260u);
    EXPECT_EQ(bytes_t(wr.begin(), wr.begin() + 4), (bytes_t{0x52, 0x80, 0x01, 0}));
    EXPECT_EQ(wr[4], 1);

    p.answer(0x56, 9);
    std::uint64_t id = 0;
    EXPECT_TRUE(f.read_unique_id(id));
    EXPECT_EQ(next().bytes, bytes_t{0x56});
    EXPECT_EQ(id, 0x0102030405060708ull);

    p.answer(0x7B, 3);
    std::uint16_t reg = 0;
    EXPECT_TRUE(f.read_register(0x1234, reg));
    EXPECT_EQ(next().bytes, (bytes_t{0x7B, 0x12, 0x34}));
    EXPECT_EQ(reg, 0x0102);
    p.answer(0x7A, 1);
    EXPECT_TRUE(f.write_register(0x0A0B, 0xC0D0));
    EXPECT_EQ(next().bytes, (bytes_t{0x7A, 0x0A, 0x0B, 0xC0, 0xD0}));
    p.answer(0x70, 1);
    EXPECT_TRUE(f.sensor_power_off());
    EXPECT_EQ(next().bytes, bytes_t{0x70});
    p.answer(0x71, 2);
    EXPECT_TRUE(f.sensor_power_on());
    EXPECT_EQ(next().bytes, bytes_t{0x71});

    // 'r' sends the key most significant byte first.
    p.answer(0x72, 1);
    EXPECT_TRUE(f.extended_access(0x1122334455667788ull));
    EXPECT_EQ(next().bytes, (bytes_t{0x72, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));

    // 0x86 is sent without a reply.
    EXPECT_TRUE(f.set_operating_mode(flash_commands::mode_flash_work));
    EXPECT_EQ(next().bytes, (bytes_t{0x86, 'Q', 'Z', '3', 'P', 0x03, 'E', 'N', 'D'}));
    EXPECT_TRUE(f.set_operating_mode(flash_commands::mode_measuring));
    EXPECT_EQ(next().bytes, (bytes_t{0x86, 'Q', 'Z', '3', 'P', 0x00, 'E', 'N', 'D'}));

    // Transactions leave from the flash sockets, not from the device's links
    // (whose queues belong to other conversations); 0x86 from the command link.
    for (const auto& d : p.peer.received())
        EXPECT_EQ(p.link_of(d), d.bytes[0] == 0x86 ? 0 : -1);

    // Length guards send nothing.
    const auto before = p.count();
    EXPECT_FALSE(f.spi(w.data(), 513, 0));
    EXPECT_FALSE(f.spi(w.data(), 0, 513, r.data()));
    EXPECT_FALSE(f.erase_sector(0x1000000));
    EXPECT_FALSE(f.read_page(0x1000000, page));
    EXPECT_FALSE(f.write_page(0xFFFFFFFF, page));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(p.count(), before);
}

TEST(FlashCommands, QWithA257ByteReplyFailsAfterTheFlashTimeOut)
{
    command_peer p;
    p.answer(0x51, 257);
    flash_commands::page page{};
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(p.device.flash().read_page(0x700000, page));
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(2500));
    EXPECT_LT(took, std::chrono::milliseconds(8000));
}

// Replies carry no address: a duplicated reply, or one that comes after its
// request timed out, was taken for the next page (k7sim --dup made flash
// reads return page N-1 or N-2 as page N).
TEST(FlashCommands, DuplicatedAndLateRepliesNeverAnswerALaterRequest)
{
    std::mutex m;
    std::optional<boost::asio::ip::udp::endpoint> late_to; // the timed-out request's socket
    command_peer p;
    auto page_reply = [](std::uint8_t n) {
        bytes_t r(258, n);
        r[0] = 0x51;
        return r;
    };
    p.peer.set_responder([&](const bytes_t& req) -> std::vector<bytes_t> {
        const std::uint8_t n = req.at(2);
        if (n == 12)
            return {}; // lost; its reply comes late, see below
        std::lock_guard<std::mutex> lock(m);
        if (n == 12u + flash_commands::rotation && late_to) // the next request from 12's socket, were it kept
            p.peer.send_to(*late_to, page_reply(12));
        return {page_reply(n), page_reply(n)}; // every reply twice
    });
    auto& f = p.device.flash();
    flash_commands::page page{};
    for (std::uint8_t n = 0; n < 12; ++n) {
        ASSERT_TRUE(f.read_page(std::uint32_t{n} << 8, page));
        EXPECT_EQ(page[0], n);
        EXPECT_EQ(page[255], n);
    }
    EXPECT_FALSE(f.read_page(12 << 8, page));
    {
        std::lock_guard<std::mutex> lock(m);
        late_to = p.peer.received().back().sender;
    }
    p.peer.send_to(*late_to, page_reply(12));
    for (std::uint8_t n = 13; n < 13u + 2 * flash_commands::rotation; ++n) {
        ASSERT_TRUE(f.read_page(std::uint32_t{n} << 8, page));
        EXPECT_EQ(page[0], n);
        EXPECT_EQ(page[255], n);
    }
}

TEST(FlashCommands, ProtectionSequencesSendTheInstructionsInOrder)
{
    command_peer p;
    p.peer.set_responder(flash_device);
    auto& f = p.device.flash();
    auto spi_writes = [&](std::size_t from) {
        std::vector<bytes_t> out;
        const auto got = p.peer.received();
        for (std::size_t i = from; i < got.size(); ++i) {
            const auto& b = got[i].bytes;
            if (b[0] == 0x55)
                out.emplace_back(b.begin() + 5, b.end());
            else
                out.push_back({b[0]});
        }
        return out;
    };

    ASSERT_TRUE(f.global_unlock());
    EXPECT_EQ(spi_writes(0), (std::vector<bytes_t>{{0x06}, {0x98}, {0x50}}));
    std::size_t at = p.count();
    ASSERT_TRUE(f.lock_block(0x7E));
    EXPECT_EQ(spi_writes(at), (std::vector<bytes_t>{{0x06}, {0x36, 0x7E, 0, 0}, {0x50}}));
    at = p.count();
    ASSERT_TRUE(f.unlock_block(3));
    EXPECT_EQ(spi_writes(at), (std::vector<bytes_t>{{0x06}, {0x39, 3, 0, 0}, {0x50}}));

    // Status register 3 reads 0x60 here: selection off; switching it on writes 0x64.
    std::uint8_t sr3 = 0;
    ASSERT_TRUE(f.read_status3(sr3));
    EXPECT_EQ(sr3, 0x60);
    bool individual = true;
    ASSERT_TRUE(f.read_wps(individual));
    EXPECT_FALSE(individual);
    at = p.count();
    ASSERT_TRUE(f.write_wps(true));
    EXPECT_EQ(spi_writes(at), (std::vector<bytes_t>{{0x15}, {0x50}, {0x06}, {0x11, 0x64}, {0x50}}));
    bool locked = true;
    ASSERT_TRUE(f.read_block_lock(5, locked));
    EXPECT_FALSE(locked);

    // Extended access: 'r' then the global unlock.
    at = p.count();
    EXPECT_TRUE(request_extended_flash_access(f, 42));
    EXPECT_EQ(spi_writes(at).size(), 4u);

    // The range block: five 'Q' pages from 0x700000.
    at = p.count();
    const auto block = read_range_block(f);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ((*block)[1279], 0x51);
    const auto got = p.peer.received();
    ASSERT_EQ(got.size(), at + 5);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(got[at + i].bytes, (bytes_t{0x51, 0x70, std::uint8_t(i), 0}));

    // A flash that does not identify refuses every sequence at its last step,
    // and a failing step stops the sequence.
    p.peer.set_responder([](const bytes_t& req) {
        if (req[0] == 0x50)
            return std::vector<bytes_t>{{0x50, 0xEF, 0x18}};
        return flash_device(req);
    });
    EXPECT_FALSE(f.global_unlock());
    EXPECT_FALSE(f.read_status3(sr3));
    p.peer.set_responder([](const bytes_t& req) {
        if (req[0] == 0x55 && req.size() > 5 && req[5] == 0x06)
            return std::vector<bytes_t>{};
        return flash_device(req);
    });
    at = p.count();
    EXPECT_FALSE(f.lock_block(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(p.count(), at + 1) << "nothing after the failed write enable";
}
