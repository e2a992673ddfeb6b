// The socket link on real sockets, between the bed's host namespace and sockets made in its
// gateway namespace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "TestBed.h"
#include "gateway/CSocketLink.h"

namespace halvex {
namespace {

using namespace test;

// A link that records what its receive thread hands over.
class RecordingLink : public CSocketLink {
public:
    ~RecordingLink() override { Stop(); }

    std::vector<std::vector<uint8_t>> Datagrams() {
        std::lock_guard lock(mutex_);
        return datagrams_;
    }
    std::vector<uint32_t> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

protected:
    void OnDatagram(const uint8_t* data, uint32_t count) override {
        std::lock_guard lock(mutex_);
        datagrams_.emplace_back(data, data + count);
    }
    void OnLinkEvent(uint32_t code) override {
        std::lock_guard lock(mutex_);
        events_.push_back(code);
    }

private:
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> datagrams_;
    std::vector<uint32_t> events_;
};

// The 16-byte prefix the link puts before a datagram from `address`:`port`.
std::vector<uint8_t> Prefix(uint32_t address, uint16_t port) {
    return {2,
            0,
            static_cast<uint8_t>(port >> 8),
            static_cast<uint8_t>(port),
            static_cast<uint8_t>(address >> 24),
            static_cast<uint8_t>(address >> 16),
            static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address),
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0};
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SocketLinkNet : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_TEST_BED(); }
    void TearDown() override {
        for (int fd : sockets_)
            ::close(fd);
    }
    int Gateway(uint32_t address, uint16_t port = 0, bool broadcast = false) {
        const int fd = GatewaySideSocket(address, port, broadcast);
        if (fd >= 0)
            sockets_.push_back(fd);
        return fd;
    }
    // A listening link as the plug-in keeps one: port 4044, broadcast, address prefix, thread.
    void Listen(RecordingLink& link) {
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(true);
        ASSERT_TRUE(link.StartReceiver());
    }
    std::vector<int> sockets_;
};

TEST_F(SocketLinkNet, SecondOpenFailsAndLeavesTheLinkAsItWas) {
    CSocketLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    EXPECT_TRUE(link.IsBroadcast());
    EXPECT_FALSE(link.OpenBound("4045", 2, 2, 0));
    EXPECT_FALSE(link.OpenConnected("198.18.0.2", "4044", 2, 2));
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.IsBroadcast());
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsBroadcast());
    EXPECT_FALSE(link.Close());
}

TEST_F(SocketLinkNet, ConnectedBroadcastLeavesFromTheHostAddress) {
    const int gw = Gateway(INADDR_ANY, 4044);
    ASSERT_GE(gw, 0);
    CSocketLink link;
    ASSERT_TRUE(link.OpenConnected("255.255.255.255", "4044", 2, 2));
    EXPECT_FALSE(link.IsBroadcast());  // sends with plain send()
    const std::vector<uint8_t> request = {'D', 'M', 'X', '_', 'S', 'E', 'A', 'R', 'C',
                                          'H', '_', 'R', 'E', 'Q', 'U', 'E', 'S', 'T'};
    EXPECT_EQ(link.Send(request.data(), 18, 1), 18);
    const auto got = ReceiveOn(gw, 2000);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->bytes, request);
    EXPECT_EQ(got->from, kHostAddress);
    EXPECT_FALSE(ReceiveOn(gw, 100)) << "one datagram only";
}

TEST_F(SocketLinkNet, PrefixModeEmptyDatagramRaisesEvent3AndListeningGoesOn) {
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    RecordingLink link;
    Listen(link);
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, {}));
    ASSERT_TRUE(WaitUntil([&] { return !link.Events().empty(); }));
    EXPECT_EQ(link.Events(), std::vector<uint32_t>{kLinkZeroLength});
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, {'h', 'i'}));
    ASSERT_TRUE(WaitUntil([&] { return !link.Datagrams().empty(); }));
    EXPECT_EQ(link.Datagrams()[0], Concat(Prefix(kGateway1, LocalPort(gw)), {'h', 'i'}));
    EXPECT_TRUE(link.IsReceiving());
}

TEST_F(SocketLinkNet, OversizedDatagramIsDroppedAndListeningGoesOn) {
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    RecordingLink link;
    Listen(link);
    // 244 payload bytes fill the 260-byte buffer exactly; 245 would not fit.
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, std::vector<uint8_t>(245, 0xAB)));
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, std::vector<uint8_t>(1041, 0xCD)));
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, std::vector<uint8_t>(244, 0x11)));
    ASSERT_TRUE(WaitUntil([&] { return !link.Datagrams().empty(); }));
    const auto got = link.Datagrams();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size(), 260u);
    EXPECT_EQ(got[0][16], 0x11);
    EXPECT_TRUE(link.Events().empty());
}

TEST_F(SocketLinkNet, EmptyDatagramWithoutPrefixEndsTheThreadWithEvent2) {
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    RecordingLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    ASSERT_TRUE(link.StartReceiver());
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, {}));
    ASSERT_TRUE(WaitUntil([&] { return !link.Events().empty(); }));
    EXPECT_EQ(link.Events(), std::vector<uint32_t>{kLinkDropped});
    link.Stop();
    EXPECT_FALSE(link.IsReceiving());
}

TEST_F(SocketLinkNet, PeerListKeepsEachSenderOnceMostRecentLast) {
    const int a = Gateway(kGateway1);
    const int b = Gateway(kGateway2);
    const int a2 = Gateway(kGateway1);
    ASSERT_TRUE(a >= 0 && b >= 0 && a2 >= 0);
    RecordingLink link;
    Listen(link);
    for (int fd : {a, b, a, a2}) {
        const size_t before = link.Datagrams().size();
        ASSERT_TRUE(SendFrom(fd, kHostAddress, 4044, {1}));
        ASSERT_TRUE(WaitUntil([&] { return link.Datagrams().size() > before; }));
    }
    std::vector<PeerAddress> expected;
    for (auto [address, fd] : {std::pair{kGateway2, b}, {kGateway1, a}, {kGateway1, a2}}) {
        PeerAddress p{};
        const auto bytes = Prefix(address, LocalPort(fd));
        std::copy(bytes.begin(), bytes.end(), p.begin());
        expected.push_back(p);
    }
    const auto peers = link.Peers();
    EXPECT_EQ(std::vector<PeerAddress>(peers.begin(), peers.end()), expected);
    link.Stop();
    EXPECT_TRUE(link.Peers().empty());
}

TEST_F(SocketLinkNet, FanOutReachesLearntPeersAndAnEmptyListSendsNothing) {
    const int a = Gateway(kGateway1);
    const int b = Gateway(kGateway2);
    ASSERT_TRUE(a >= 0 && b >= 0);
    CSocketLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    const uint8_t hello[18] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(link.Send(hello, sizeof hello, 1), 18);
    EXPECT_FALSE(ReceiveOn(a, 100));
    EXPECT_FALSE(ReceiveOn(b, 100));

    uint8_t buffer[64];
    ASSERT_TRUE(SendFrom(a, kHostAddress, 4044, {1, 2, 3}));
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 2000), 3);
    ASSERT_TRUE(SendFrom(b, kHostAddress, 4044, {4}));
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 2000), 1);
    ASSERT_TRUE(SendFrom(b, kHostAddress, 4044, {5}));
    EXPECT_EQ(link.Receive(buffer, 15, 2000), -1) << "no room for a sender address";
    EXPECT_EQ(LastError(), kErrorInvalidUserBuffer);

    EXPECT_EQ(link.Send(hello, sizeof hello, 1), 18);
    for (int fd : {a, b}) {
        const auto got = ReceiveOn(fd, 2000);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->bytes, std::vector<uint8_t>(hello, hello + 18));
    }
}

TEST_F(SocketLinkNet, PrefixedSendGoesToTheNamedPeerOrFansOut) {
    const int a = Gateway(kGateway1);
    const int b = Gateway(kGateway2);
    ASSERT_TRUE(a >= 0 && b >= 0);
    CSocketLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    link.SetAddressPrefixed(true);
    uint8_t buffer[64];
    ASSERT_TRUE(SendFrom(a, kHostAddress, 4044, {1}));
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 2000), 17);
    ASSERT_TRUE(SendFrom(b, kHostAddress, 4044, {2}));
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 2000), 17);

    const auto toA = Concat(Prefix(kGateway1, LocalPort(a)), {9, 8, 7});
    EXPECT_EQ(link.Send(toA.data(), static_cast<uint32_t>(toA.size()), 1), 3);
    EXPECT_EQ(ReceiveOn(a, 2000)->bytes, (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_FALSE(ReceiveOn(b, 100));

    const auto toAll = Concat(Prefix(0xFFFFFFFF, 4044), {6, 5});
    EXPECT_EQ(link.Send(toAll.data(), static_cast<uint32_t>(toAll.size()), 1), 2);
    EXPECT_EQ(ReceiveOn(a, 2000)->bytes, (std::vector<uint8_t>{6, 5}));
    EXPECT_EQ(ReceiveOn(b, 2000)->bytes, (std::vector<uint8_t>{6, 5}));

    EXPECT_EQ(link.Send(toAll.data(), 15, 1), -1);
    EXPECT_EQ(LastError(), kErrorInvalidUserBuffer);
}

TEST_F(SocketLinkNet, PrefixModeCannotChangeWhileReceivingAndStopEndsCleanly) {
    RecordingLink link;
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    ASSERT_TRUE(link.StartReceiver());
    EXPECT_FALSE(link.StartReceiver());
    link.SetAddressPrefixed(true);
    EXPECT_FALSE(link.IsAddressPrefixed());
    link.Stop();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.IsReceiving());
    EXPECT_TRUE(link.Events().empty()) << "a stop is no dropped connection";
    link.SetAddressPrefixed(true);
    EXPECT_TRUE(link.IsAddressPrefixed());
    // The port is free again: the descriptor was released.
    EXPECT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
}

TEST_F(SocketLinkNet, CloseEndsTheThreadAndTheLinkCanListenAgain) {
    const int gw = Gateway(kGateway1);
    ASSERT_GE(gw, 0);
    RecordingLink link;
    Listen(link);
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsReceiving());
    EXPECT_TRUE(link.Events().empty()) << "a close is no dropped connection";
    ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
    ASSERT_TRUE(link.StartReceiver());
    ASSERT_TRUE(SendFrom(gw, kHostAddress, 4044, {7}));
    ASSERT_TRUE(WaitUntil([&] { return !link.Datagrams().empty(); }));
    EXPECT_EQ(link.Datagrams()[0], Concat(Prefix(kGateway1, LocalPort(gw)), {7}));
}

}  // namespace
}  // namespace halvex
