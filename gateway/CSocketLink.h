// One IPv4 datagram socket with an optional receive thread and a list of learnt peers.
//
// The link knows nothing of the gateway protocol; received datagrams go to the virtual
// OnDatagram callback on the receive thread. Results and last-error codes follow the
// gateway plug-in's historic contract: bool for opens, byte counts or 0/-1 for transfers,
// and LastError() values 87, 122 and 1784.
#pragma once

#include <netinet/in.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace halvex {

// Error codes kept from the original platform so callers and tests can compare them.
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidUserBuffer = 1784;

// Thread-local last error of the socket link.
uint32_t LastError();
void SetLastError(uint32_t code);

// A peer as the wire sees it: the platform's 16-byte IPv4 socket address.
using PeerAddress = std::array<uint8_t, 16>;
PeerAddress ToPeerAddress(const sockaddr_in& addr);
sockaddr_in FromPeerAddress(const PeerAddress& peer);

// Link events passed to OnLinkEvent.
inline constexpr uint32_t kLinkDropped = 2;
inline constexpr uint32_t kLinkZeroLength = 3;

// OpenBound option: enable broadcast on a datagram socket.
inline constexpr uint32_t kOptionBroadcast = 32;

// Waits forever when passed as a timeout.
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

uint16_t ResolvePort(const std::string& service);
uint32_t ResolveAddress(const char* host);  // host order; null gives 255.255.255.255
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
    void SetAddressPrefixed(bool on);

    bool OpenBound(const std::string& service, int family, int type, uint32_t options);
    bool OpenConnected(const std::string& destination, const std::string& service, int family,
                       int type);
    bool Close();
    bool StartReceiver();
    void Stop();

    int32_t Receive(uint8_t* buffer, uint32_t size, uint32_t timeoutMs);
    int32_t Send(const uint8_t* buffer, uint32_t count, uint32_t timeoutMs);

    // Copy of the peer list, taken under the lock.
    std::list<PeerAddress> Peers() const;

protected:
    virtual void OnDatagram(const uint8_t* data, uint32_t count);
    virtual void OnLinkEvent(uint32_t code);
    virtual void ReceiveLoop();

private:
    std::atomic<int> socket_{-1};
    std::thread receiver_;
    std::atomic<bool> receiving_{false};
    std::atomic<bool> addressPrefixed_{false};
    std::atomic<bool> broadcast_{false};
    std::list<PeerAddress> peerList_;
    std::unique_ptr<std::mutex> peerLock_;
};

}  // namespace halvex
