// A raw peer that plays a device well enough for the command tests: it
// answers each request code with a reply of the given length (first byte the
// given echo, the rest a recognisable pattern) and records which of the
// device's links every request came from.
#pragma once

#include "link/sensor_device.h"
#include "raw_peer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

namespace orvex::test {

struct canned_reply {
    std::size_t length = 1;
    std::uint8_t first = 0; // reply byte 0
};

class command_peer {
public:
    command_peer() : peer(loopback_address(2))
    {
        peer.set_responder([this](const bytes_t& req) {
            std::vector<bytes_t> out;
            if (req.empty())
                return out;
            std::lock_guard<std::mutex> lock(mutex);
            const auto it = replies.find(req[0]);
            if (it == replies.end())
                return out;
            bytes_t r(it->second.length);
            for (std::size_t i = 1; i < r.size(); ++i)
                r[i] = static_cast<std::uint8_t>(i);
            if (!r.empty())
                r[0] = it->second.first;
            out.push_back(r);
            return out;
        });
        for (std::size_t i = 0; i < 5; ++i)
            device.link(k7::link_index(i)).open(peer.address(), peer.port());
    }

    void answer(std::uint8_t code, std::size_t length, std::optional<std::uint8_t> first = std::nullopt)
    {
        std::lock_guard<std::mutex> lock(mutex);
        replies[code] = {length, first ? *first : code};
    }
    void silence(std::uint8_t code)
    {
        std::lock_guard<std::mutex> lock(mutex);
        replies.erase(code);
    }

    /// The n-th request received (0 = first), waiting for it if needed.
    received_datagram request(std::size_t n)
    {
        const auto got = peer.wait_for(n + 1);
        if (got.size() <= n) {
            ADD_FAILURE() << "request " << n << " never arrived";
            return {};
        }
        return got[n];
    }

    /// Which link of the device a request came from; -1 when none.
    int link_of(const received_datagram& d)
    {
        for (std::size_t i = 0; i < 5; ++i)
            if (device.link(k7::link_index(i)).local_port() == d.sender.port())
                return int(i);
        return -1;
    }

    std::size_t count() { return peer.received().size(); }

    // Declared before the peer: its thread uses them until the peer is gone.
    std::mutex mutex;
    std::map<std::uint8_t, canned_reply> replies;
    raw_peer peer;
    k7::sensor_device device;
};

} // namespace orvex::test
