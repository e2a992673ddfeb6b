#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>

#include "gateway/CSocketLink.h"

namespace halvex {
namespace {

TEST(ResolvePort, DigitsNamesAndNonsense) {
    EXPECT_EQ(ResolvePort("4044"), 4044);
    EXPECT_EQ(ResolvePort("4042xyz"), 4042);  // leading digits count
    EXPECT_EQ(ResolvePort("http"), 80);
    EXPECT_EQ(ResolvePort("abc"), 0);
    EXPECT_EQ(ResolvePort(""), 0);
    EXPECT_EQ(ResolvePort("65535"), 65535);
    EXPECT_EQ(ResolvePort("65536"), 0);  // no wrap-around into another port
    EXPECT_EQ(ResolvePort("99999999999999999999"), 0);
}

TEST(ResolveAddress, DottedAndBroadcast) {
    EXPECT_EQ(ResolveAddress(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveAddress("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveAddress("198.18.0.2"), 0xC6120002u);
    EXPECT_EQ(ResolveAddress("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(ResolveAddress(""), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveAddress(std::string(300, '1').c_str()), 0xFFFFFFFFu);
}

TEST(LocalHostName, BufferChecks) {
    SetLastError(0);
    EXPECT_FALSE(LocalHostName(nullptr, 260));
    EXPECT_EQ(LastError(), kErrorInvalidParameter);
    char buffer[260];
    SetLastError(0);
    EXPECT_FALSE(LocalHostName(buffer, 0));
    EXPECT_EQ(LastError(), kErrorInvalidParameter);
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
    const PeerAddress expected = {2, 0, 0x0F, 0xCC, 198, 18, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(peer, expected);
    const sockaddr_in back = FromPeerAddress(peer);
    EXPECT_EQ(back.sin_port, a.sin_port);
    EXPECT_EQ(back.sin_addr.s_addr, a.sin_addr.s_addr);
    PeerAddress padded = peer;
    padded[12] = 0x55;
    EXPECT_TRUE(SamePeer(peer, padded));
    PeerAddress otherPort = peer;
    otherPort[3] = 0xCD;
    EXPECT_FALSE(SamePeer(peer, otherPort));
}

TEST(SocketLinkOpen, UnknownServiceFailsWith87) {
    CSocketLink link;
    SetLastError(0);
    EXPECT_FALSE(link.OpenBound("abc", 2, 2, kOptionBroadcast));
    EXPECT_EQ(LastError(), kErrorInvalidParameter);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.IsBroadcast());
    EXPECT_FALSE(link.Close());
}

TEST(SocketLinkOpen, ClosedLinkNeitherSendsNorReceivesNorStarts) {
    CSocketLink link;
    uint8_t buffer[32] = {};
    EXPECT_EQ(link.Send(buffer, sizeof buffer, 1), 0);
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 1), 0);
    EXPECT_FALSE(link.StartReceiver());
    link.Stop();
    EXPECT_FALSE(link.IsReceiving());
}

}  // namespace
}  // namespace halvex
