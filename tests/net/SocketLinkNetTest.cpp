// The socket link on real sockets, between the bed's host namespace and sockets made in its
// gateway namespace: binding, broadcast, the receive thread, address prefixes and the peer list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "TestBed.h"
#include "engine/net/CSocketLink.h"

namespace halvex {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

// A link that records what its receive thread hands over.
class RecordingLink : public CSocketLink {
public:
    ~RecordingLink() override { Stop(); }
    std::chrono::milliseconds callbackTime{0};  // as a slow consumer takes
    std::atomic<int> callbacks{0};              // started
    Locked<Bytes> datagrams;
    Locked<uint32_t> events;

protected:
    void OnDatagram(const uint8_t* data, uint32_t count) override {
        ++callbacks;
        std::this_thread::sleep_for(callbackTime);
        datagrams.Add({data, data + count});
    }
    void OnLinkEvent(uint32_t code) override { events.Add(code); }
};

// `payload` behind the 16-byte prefix the link puts before a datagram from address:port: the
// family 2 as little-endian u16, port and address in network order, eight zero bytes.
Bytes Prefixed(uint32_t address, uint16_t port, const Bytes& payload = {}) {
    const uint64_t head = uint64_t{2} << 56 | uint64_t{port} << 32 | address;
    Bytes bytes(16, 0);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(head >> (56 - 8 * i));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

class SocketLinkNet : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_TEST_BED(); }
    void TearDown() override {
        for (int fd : sockets_)
            ::close(fd);
    }
    int Gateway(uint32_t address, uint16_t port = 0) {
        const int fd = GatewaySideSocket(address, port);
        if (fd >= 0)
            sockets_.push_back(fd);
        return fd;
    }
    std::vector<int> sockets_;
};

struct ReceiveCase {
    bool prefixed;
    std::vector<Bytes> sent;
    std::vector<Bytes> handedOn;  // each behind its sender's prefix in prefix mode
    std::vector<uint32_t> events;
};

TEST_F(SocketLinkNet, ReceiveThreadHandsOnDatagramsAndEvents) {
    // 244 bytes fill the 260-byte buffer behind a prefix; a longer datagram is dropped whole.
    // An empty one raises event 3 with prefixes; without, it ends the thread with event 2.
    const Bytes hi = {'h', 'i'};
    const std::vector<ReceiveCase> cases = {
        {true, {{}, hi}, {hi}, {kLinkZeroLength}},
        {true, {Bytes(245, 1), Bytes(1041, 2), Bytes(244, 3)}, {Bytes(244, 3)}, {}},
        {false, {hi}, {hi}, {}},
        {false, {{}, hi}, {}, {kLinkDropped}},
    };
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    for (const ReceiveCase& c : cases) {
        RecordingLink link;
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(c.prefixed);
        ASSERT_TRUE(link.StartReceiver());
        for (const Bytes& datagram : c.sent)
            ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, datagram));
        const size_t total = c.handedOn.size() + c.events.size();
        EXPECT_TRUE(WaitUntil(
            [&] { return link.datagrams.Get().size() + link.events.Get().size() >= total; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::vector<Bytes> expected = c.handedOn;
        for (Bytes& datagram : expected)
            datagram = c.prefixed ? Prefixed(kGateway1, LocalPort(gw), datagram) : datagram;
        EXPECT_EQ(link.datagrams.Get(), expected) << "case " << &c - cases.data();
        EXPECT_EQ(link.events.Get(), c.events) << "case " << &c - cases.data();
    }
}

TEST_F(SocketLinkNet, OpenCloseAndStopOnTheRealPort) {
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    RecordingLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    EXPECT_FALSE(link.OpenBound("4045", 2, 2, 0)) << "a second open leaves the link as it was";
    EXPECT_FALSE(link.OpenConnected("198.18.0.2", "4044", 2, 2));
    EXPECT_TRUE(link.IsOpen() && link.IsBroadcast());
    ASSERT_TRUE(link.StartReceiver());
    EXPECT_FALSE(link.StartReceiver());
    link.SetAddressPrefixed(true);
    EXPECT_FALSE(link.IsAddressPrefixed()) << "the framing never changes under the thread";
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsReceiving() || link.IsBroadcast());
    EXPECT_FALSE(link.Close());

    // The port is free again; Stop waits for a callback in progress.
    link.SetAddressPrefixed(true);
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    ASSERT_TRUE(link.StartReceiver());
    link.callbackTime = std::chrono::milliseconds(400);
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, {7}));
    ASSERT_TRUE(WaitUntil([&] { return link.callbacks == 1; }));
    link.Stop();
    EXPECT_FALSE(link.IsOpen() || link.IsReceiving());
    EXPECT_EQ(link.datagrams.Get(), std::vector<Bytes>{Prefixed(kGateway1, LocalPort(gw), {7})});
    EXPECT_TRUE(link.events.Get().empty()) << "a close or a stop is no dropped connection";
}

TEST_F(SocketLinkNet, SendsWhereItsModeSays) {
    const int a = Gateway(kGateway1);
    const int b = Gateway(kGateway2);
    ASSERT_TRUE(a >= 0 && b >= 0);
    // Bound with broadcast: a send fans out to the peers learnt from receives, none at first.
    const Bytes hello(18, 'H');
    CSocketLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    EXPECT_EQ(link.Send(hello.data(), 18, 1), 18);
    EXPECT_EQ(Heard(a, 100), Bytes{});
    uint8_t buffer[64];
    for (int fd : {a, b, b})
        ASSERT_TRUE(SendFrom(fd, kHostAddress, 4044, {1, 2, 3}));
    EXPECT_EQ(link.Receive(buffer, 64, 2000), 3);
    EXPECT_EQ(link.Receive(buffer, 64, 2000), 3);
    EXPECT_EQ(link.Receive(buffer, 15, 2000), -1) << "no room for the sender's address";
    EXPECT_EQ(LastError(), kErrorInvalidUserBuffer);
    EXPECT_EQ(link.Send(hello.data(), 18, 1), 18);
    EXPECT_EQ(Heard(a), hello);
    EXPECT_EQ(Heard(b), hello);

    // With prefixes: to the peer the prefix names, or to all for 255.255.255.255.
    link.Close();
    link.SetAddressPrefixed(true);
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    const Bytes toA = Prefixed(kGateway1, LocalPort(a), {9, 8, 7});
    EXPECT_EQ(link.Send(toA.data(), 19, 1), 3);
    EXPECT_EQ(Heard(a), (Bytes{9, 8, 7}));
    EXPECT_EQ(Heard(b, 100), Bytes{});
    const Bytes toAll = Prefixed(0xFFFFFFFF, 4044, {6, 5});
    EXPECT_EQ(link.Send(toAll.data(), 18, 1), 2);
    EXPECT_EQ(Heard(a), (Bytes{6, 5}));
    EXPECT_EQ(Heard(b), (Bytes{6, 5}));
    EXPECT_EQ(link.Send(toAll.data(), 15, 1), -1);
    EXPECT_EQ(LastError(), kErrorInvalidUserBuffer);
}

// Regression: every new sender port used to add a peer for good, so a flood from many ports
// grew the list and made each receive walk all of it.
TEST_F(SocketLinkNet, PeerListKeepsTheMostRecentSendersOnceEach) {
    CSocketLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    std::vector<Bytes> senders;  // each one's prefix
    std::vector<int> sockets;
    for (size_t i = 0; i < kMaxPeers + 40; ++i) {
        const uint32_t address = i % 2 == 0 ? kGateway1 : kGateway2;
        const auto port = static_cast<uint16_t>(20000 + i);
        sockets.push_back(Gateway(address, port));
        ASSERT_GE(sockets.back(), 0);
        senders.push_back(Prefixed(address, port));
    }
    uint8_t buffer[64];
    auto hear = [&](size_t i) {
        ASSERT_TRUE(SendFrom(sockets[i], kHostAddress, 4044, {1}));
        ASSERT_EQ(link.Receive(buffer, sizeof buffer, 2000), 1);
    };
    for (size_t i = 0; i < sockets.size(); ++i)
        hear(i);
    hear(100);  // heard again: it moves to the end, the list does not grow
    std::vector<Bytes> expected(senders.begin() + 40, senders.end());
    expected.erase(expected.begin() + 60);
    expected.push_back(senders[100]);
    std::vector<Bytes> peers;
    for (const PeerAddress& peer : link.Peers())
        peers.emplace_back(peer.begin(), peer.end());
    EXPECT_EQ(peers, expected);
    link.Stop();
    EXPECT_TRUE(link.Peers().empty());
}

}  // namespace
}  // namespace halvex
