// The socket link's pure parts: port and address resolution, host name, peer addresses, and a
// link that never opened.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/net/CSocketLink.h"

namespace halvex {
namespace {

// Winsock wants starting before names are looked up, as the library does when it is loaded.
[[maybe_unused]] const bool socketsStarted = StartSockets();

TEST(Resolve, PortsAndAddresses) {
    // Leading digits count; names are services; no wrap-around into another port.
    const std::pair<const char*, uint16_t> ports[] = {
        {"4044", 4044}, {"4042xyz", 4042}, {"http", 80}, {"abc", 0},
        {"", 0},        {"65535", 65535},  {"65536", 0}, {"99999999999999999999", 0}};
    for (const auto& [text, port] : ports)
        EXPECT_EQ(ResolvePort(text), port) << text;
    const std::string overlong(300, '1');
    const std::pair<const char*, uint32_t> addresses[] = {
        {nullptr, 0xFFFFFFFF},      {"255.255.255.255", 0xFFFFFFFF},
        {"198.18.0.2", 0xC6120002}, {"127.0.0.1", 0x7F000001},
        {"", 0xFFFFFFFF},           {overlong.c_str(), 0xFFFFFFFF}};
    for (const auto& [text, address] : addresses)
        EXPECT_EQ(ResolveAddress(text), address) << (text ? text : "null");
}

TEST(LocalHostName, BufferChecks) {
    char buffer[260];
    for (const auto& [out, size] : {std::pair<char*, uint32_t>{nullptr, 260}, {buffer, 0}}) {
        SetLastError(0);
        EXPECT_FALSE(LocalHostName(out, size));
        EXPECT_EQ(LastError(), kErrorInvalidParameter);
    }
    ASSERT_TRUE(LocalHostName(buffer, sizeof buffer));
    const size_t length = std::strlen(buffer);
    ASSERT_GT(length, 0u);
    // Exactly the name's length leaves no room for the terminator.
    char small[260];
    std::memset(small, 'x', sizeof small);
    SetLastError(0);
    EXPECT_FALSE(LocalHostName(small, static_cast<uint32_t>(length)));
    EXPECT_EQ(LastError(), kErrorInsufficientBuffer);
    EXPECT_TRUE(LocalHostName(small, static_cast<uint32_t>(length + 1)));
    EXPECT_STREQ(small, buffer);
}

TEST(PeerAddress, WireLayoutAndEquality) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(4044);
    a.sin_addr.s_addr = htonl(0xC6120002);
    const PeerAddress peer = ToPeerAddress(a);
    EXPECT_EQ(peer, (PeerAddress{2, 0, 0x0F, 0xCC, 198, 18, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
    const sockaddr_in back = FromPeerAddress(peer);
    EXPECT_EQ(back.sin_port, a.sin_port);
    EXPECT_EQ(back.sin_addr.s_addr, a.sin_addr.s_addr);
    PeerAddress padded = peer, otherPort = peer;
    padded[12] = 0x55;
    otherPort[3] = 0xCD;
    EXPECT_TRUE(SamePeer(peer, padded));
    EXPECT_FALSE(SamePeer(peer, otherPort));
}

TEST(SocketLink, UnknownServiceFailsWith87AndAClosedLinkDoesNothing) {
    CSocketLink link;
    SetLastError(0);
    EXPECT_FALSE(link.OpenBound("abc", 2, 2, kOptionBroadcast));
    EXPECT_EQ(LastError(), kErrorInvalidParameter);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.IsBroadcast());
    EXPECT_FALSE(link.Close());
    uint8_t buffer[32] = {};
    EXPECT_EQ(link.Send(buffer, sizeof buffer, 1), 0);
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 1), 0);
    EXPECT_FALSE(link.StartReceiver());
    link.Stop();
    EXPECT_FALSE(link.IsReceiving());
}

}  // namespace
}  // namespace halvex
