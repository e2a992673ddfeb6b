// One IPv4 datagram socket with an optional receive thread and a list of learnt peers.
//
// The link knows nothing of the gateway protocol; received datagrams go to the virtual
// OnDatagram callback on the receive thread. Results and last-error codes follow the
// gateway plug-in's historic contract: bool for opens, byte counts or 0/-1 for transfers,
// and LastError() values 87, 122 and 1784.
//
// Opening, closing and sending on one link are not guarded against each other; a link used
// from two threads (GatewayLink) is serialised by its owner.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "engine/net/SocketPlatform.h"

namespace halvex {

// Error codes kept from the original platform so callers and tests can compare them.
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidUserBuffer = 1784;

// Thread-local last error of the socket link.
uint32_t LastError();
void SetLastError(uint32_t code);

// A peer as the wire sees it: the platform's 16-byte IPv4 socket address (u16 family,
// u16 port and 4-byte address in network order, 8 zero bytes).
using PeerAddress = std::array<uint8_t, 16>;
PeerAddress ToPeerAddress(const sockaddr_in& addr);
sockaddr_in FromPeerAddress(const PeerAddress& peer);
// Family, port and address equal; the padding is not compared.
bool SamePeer(const PeerAddress& a, const PeerAddress& b);

// Link events passed to OnLinkEvent.
inline constexpr uint32_t kLinkDropped = 2;
inline constexpr uint32_t kLinkZeroLength = 3;

// OpenBound option: enable broadcast on a datagram socket.
inline constexpr uint32_t kOptionBroadcast = 32;

// Peers a link remembers: a sender beyond that pushes out the one heard from longest ago, so a
// flood from many addresses or ports can neither grow the list nor slow each receive.
inline constexpr size_t kMaxPeers = 256;

// Waits forever when passed as a timeout.
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// Receive buffer of the receive thread; in address-prefix mode 16 bytes of it hold the sender.
inline constexpr uint32_t kReceiveBufferSize = 260;
inline constexpr uint32_t kReceivePollMs = 100;

// Port of a service: decimal digits, or a name from the services database; 0 when unknown
// or out of range.
uint16_t ResolvePort(const std::string& service);
// IPv4 address in host order: dotted text or a host name; null or unresolvable gives
// 255.255.255.255.
uint32_t ResolveAddress(const char* host);
// Canonical name of this host, NUL-terminated. Null buffer or size 0: last error 87;
// a name that does not fit with its terminator: last error 122.
bool LocalHostName(char* buffer, uint32_t size);

class CSocketLink {
public:
    CSocketLink();
    virtual ~CSocketLink();
    CSocketLink(const CSocketLink&) = delete;
    CSocketLink& operator=(const CSocketLink&) = delete;

    bool IsOpen() const;
    bool IsReceiving() const;
    bool IsBroadcast() const;
    bool IsAddressPrefixed() const;
    // Ignored while the receive thread runs, so the framing never changes under it.
    void SetAddressPrefixed(bool on);

    bool OpenBound(const std::string& service, int family, int type, uint32_t options);
    bool OpenConnected(const std::string& destination, const std::string& service, int family,
                       int type);
    // Also ends the receive thread (waits for it) unless called from that thread.
    bool Close();
    bool StartReceiver();
    // Closes the socket, waits 50 ms, joins the receive thread and forgets the peers.
    void Stop();

    int32_t Receive(uint8_t* buffer, uint32_t size, uint32_t timeoutMs);
    int32_t Send(const uint8_t* buffer, uint32_t count, uint32_t timeoutMs);

    // Copy of the peer list, taken under the lock; most recent sender last.
    std::list<PeerAddress> Peers() const;

protected:
    virtual void OnDatagram(const uint8_t* data, uint32_t count);
    virtual void OnLinkEvent(uint32_t code);
    virtual void ReceiveLoop();

private:
    int32_t ReceiveOn(SocketHandle fd, uint8_t* buffer, uint32_t size, uint32_t timeoutMs);
    void LearnPeer(const PeerAddress& peer);

    std::atomic<SocketHandle> socket_{kNoSocket};
    std::thread receiver_;
    std::atomic<bool> addressPrefixed_{false};
    std::atomic<bool> broadcast_{false};
    std::list<PeerAddress> peerList_;
    mutable std::mutex peerLock_;
};

}  // namespace halvex
