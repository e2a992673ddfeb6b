#include "engine/net/CSocketLink.h"

#include <chrono>
#include <cstring>

#include "engine/net/SocketPlatform.h"

namespace halvex {

namespace {

thread_local uint32_t lastError = 0;

// Longest name the resolvers accept, as on the original platform.
constexpr size_t kMaxNameLength = 259;
constexpr uint32_t kBroadcastAddress = 0xFFFFFFFF;

namespace sp = socket_platform;
using Family = decltype(sockaddr_in::sin_family);

int32_t SentOrError(int64_t n) {
    return n < 0 ? -1 : static_cast<int32_t>(n);
}

}  // namespace

uint32_t LastError() {
    return lastError;
}
void SetLastError(uint32_t code) {
    lastError = code;
}

PeerAddress ToPeerAddress(const sockaddr_in& addr) {
    PeerAddress peer{};
    const uint16_t family = static_cast<uint16_t>(addr.sin_family);
    peer[0] = static_cast<uint8_t>(family);
    peer[1] = static_cast<uint8_t>(family >> 8);
    std::memcpy(peer.data() + 2, &addr.sin_port, 2);
    std::memcpy(peer.data() + 4, &addr.sin_addr.s_addr, 4);
    return peer;
}

sockaddr_in FromPeerAddress(const PeerAddress& peer) {
    sockaddr_in addr{};
    addr.sin_family = static_cast<Family>(peer[0] | (peer[1] << 8));
    std::memcpy(&addr.sin_port, peer.data() + 2, 2);
    std::memcpy(&addr.sin_addr.s_addr, peer.data() + 4, 4);
    return addr;
}

bool SamePeer(const PeerAddress& a, const PeerAddress& b) {
    return std::memcmp(a.data(), b.data(), 8) == 0;
}

uint16_t ResolvePort(const std::string& service) {
    if (service.empty() || service.size() > kMaxNameLength)
        return 0;
    if (service[0] >= '0' && service[0] <= '9') {
        // Leading decimal digits; a value beyond the port range is no port at all.
        uint32_t value = 0;
        for (char c : service) {
            if (c < '0' || c > '9')
                break;
            value = value * 10 + static_cast<uint32_t>(c - '0');
            if (value > 0xFFFF)
                return 0;
        }
        return static_cast<uint16_t>(value);
    }
    return sp::ServicePort(service.c_str());
}

uint32_t ResolveAddress(const char* host) {
    if (host == nullptr)
        return kBroadcastAddress;
    if (std::strlen(host) > kMaxNameLength)
        return kBroadcastAddress;
    const uint32_t dotted = ::inet_addr(host);
    if (dotted != INADDR_NONE)
        return ntohl(dotted);
    if (std::strcmp(host, "255.255.255.255") == 0 || host[0] == '\0')
        return kBroadcastAddress;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &result) != 0 || result == nullptr) {
        return kBroadcastAddress;
    }
    sockaddr_in first{};
    std::memcpy(&first, result->ai_addr, sizeof first);
    ::freeaddrinfo(result);
    return ntohl(first.sin_addr.s_addr);
}

bool LocalHostName(char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    char name[kMaxNameLength + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return false;
    std::string canonical = name;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) == 0 && result != nullptr) {
        if (result->ai_canonname != nullptr)
            canonical = result->ai_canonname;
        ::freeaddrinfo(result);
    }
    // The name must fit together with its terminator.
    if (canonical.size() >= size) {
        SetLastError(kErrorInsufficientBuffer);
        return false;
    }
    std::memcpy(buffer, canonical.c_str(), canonical.size() + 1);
    return true;
}

CSocketLink::CSocketLink() = default;

CSocketLink::~CSocketLink() {
    Stop();
}

bool CSocketLink::IsOpen() const {
    return socket_.load() != kNoSocket;
}
bool CSocketLink::IsReceiving() const {
    return receiver_.joinable();
}
bool CSocketLink::IsBroadcast() const {
    return broadcast_.load();
}
bool CSocketLink::IsAddressPrefixed() const {
    return addressPrefixed_.load();
}

void CSocketLink::SetAddressPrefixed(bool on) {
    if (!IsReceiving())
        addressPrefixed_ = on;
}

bool CSocketLink::OpenBound(const std::string& service, int family, int type, uint32_t options) {
    if (IsOpen())
        return false;
    const SocketHandle fd = sp::Open(family, type);
    if (fd == kNoSocket)
        return false;
    const uint16_t port = ResolvePort(service);
    if (port == 0) {
        SetLastError(kErrorInvalidParameter);
        sp::Close(fd);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = static_cast<Family>(family);
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    bool broadcast = false;
    if (type == SOCK_DGRAM && (options & kOptionBroadcast) != 0) {
        if (!sp::EnableBroadcast(fd)) {
            sp::Close(fd);
            return false;
        }
        broadcast = true;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        sp::Close(fd);
        return false;
    }
    broadcast_ = broadcast;
    socket_ = fd;
    return true;
}

bool CSocketLink::OpenConnected(const std::string& destination, const std::string& service,
                                int family, int type) {
    if (IsOpen())
        return false;
    const SocketHandle fd = sp::Open(family, type);
    if (fd == kNoSocket)
        return false;
    char host[kMaxNameLength + 1];
    if (!LocalHostName(host, sizeof host)) {
        sp::Close(fd);
        return false;
    }
    // Outgoing datagrams leave from the host's first IPv4 address.
    sockaddr_in local{};
    local.sin_family = static_cast<Family>(family);
    local.sin_addr.s_addr = htonl(ResolveAddress(host));
    if (destination == "255.255.255.255") {
        if (!sp::EnableBroadcast(fd)) {
            sp::Close(fd);
            return false;
        }
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        sp::Close(fd);
        return false;
    }
    sockaddr_in remote = local;
    if (!destination.empty())
        remote.sin_addr.s_addr = htonl(ResolveAddress(destination.c_str()));
    const uint16_t port = ResolvePort(service);
    if (port == 0) {
        SetLastError(kErrorInvalidParameter);
        sp::Close(fd);
        return false;
    }
    remote.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        sp::Close(fd);
        return false;
    }
    socket_ = fd;
    return true;
}

bool CSocketLink::Close() {
    const SocketHandle fd = socket_.exchange(kNoSocket);
    if (fd == kNoSocket)
        return false;
    broadcast_ = false;
    // Shutting down wakes the receive thread at once; it leaves the loop because the socket is
    // gone, and is waited for before the descriptor can be reused by another open. Called from
    // the thread's own callback, the thread is not inside the socket and ends on return.
    sp::Shutdown(fd);
    if (receiver_.joinable() && receiver_.get_id() != std::this_thread::get_id()) {
        receiver_.join();
    }
    sp::Close(fd);
    return true;
}

bool CSocketLink::StartReceiver() {
    if (receiver_.joinable() || !IsOpen())
        return false;
    try {
        receiver_ = std::thread([this] { ReceiveLoop(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CSocketLink::Stop() {
    if (Close())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The thread polls with a short time-out and sees the closed socket, so joining is safe.
    if (receiver_.joinable()) {
        if (receiver_.get_id() == std::this_thread::get_id()) {
            // Stopped from its own callback: the loop ends on return, nothing to wait for.
            receiver_.detach();
        } else {
            receiver_.join();
        }
    }
    std::lock_guard lock(peerLock_);
    peerList_.clear();
}

void CSocketLink::LearnPeer(const PeerAddress& peer) {
    peerList_.remove_if([&](const PeerAddress& p) { return SamePeer(p, peer); });
    if (peerList_.size() >= kMaxPeers)
        peerList_.pop_front();
    peerList_.push_back(peer);
}

int32_t CSocketLink::Receive(uint8_t* buffer, uint32_t size, uint32_t timeoutMs) {
    return ReceiveOn(socket_.load(), buffer, size, timeoutMs);
}

int32_t CSocketLink::ReceiveOn(SocketHandle fd, uint8_t* buffer, uint32_t size,
                               uint32_t timeoutMs) {
    if (buffer == nullptr || size == 0)
        return 0;
    if (fd == kNoSocket || !sp::WaitReady(fd, false, timeoutMs))
        return 0;
    const bool prefixed = addressPrefixed_.load();
    const bool learning = prefixed || broadcast_.load();
    const uint32_t offset = prefixed ? 16 : 0;
    if (learning && size < 16) {
        SetLastError(kErrorInvalidUserBuffer);
        return -1;
    }
    sockaddr_in from{};
    bool truncated = false;
    const int64_t n =
        sp::ReceiveFrom(fd, buffer + offset, size - offset, learning ? &from : nullptr, truncated);
    // Closed under us: the wake-up of Close, not a datagram.
    if (socket_.load() != fd)
        return 0;
    // A datagram longer than the buffer is dropped whole rather than handed on cut short.
    if (truncated)
        return 0;
    if (n < 0)
        return -1;
    int32_t count = static_cast<int32_t>(n);
    if (learning) {
        const PeerAddress sender = ToPeerAddress(from);
        std::lock_guard lock(peerLock_);
        LearnPeer(sender);
        if (prefixed) {
            std::memcpy(buffer, sender.data(), sender.size());
            count += 16;
        }
    }
    return count > 0 ? count : -1;
}

int32_t CSocketLink::Send(const uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    const SocketHandle fd = socket_.load();
    if (fd == kNoSocket || buffer == nullptr)
        return 0;
    const bool prefixed = addressPrefixed_.load();
    if (!prefixed && !broadcast_.load()) {
        // A datagram socket is nearly always writable: try first and wait only when it is not,
        // which spares the per-frame poll of the DMX path.
        bool wouldBlock = false;
        const int64_t n = sp::SendNow(fd, buffer, count, wouldBlock);
        if (!wouldBlock)
            return SentOrError(n);
        if (!sp::WaitReady(fd, true, timeoutMs))
            return 0;
        return SentOrError(sp::Send(fd, buffer, count));
    }
    if (!sp::WaitReady(fd, true, timeoutMs))
        return 0;
    const uint32_t offset = prefixed ? 16 : 0;
    if (prefixed) {
        if (count < 16) {
            SetLastError(kErrorInvalidUserBuffer);
            return -1;
        }
        PeerAddress destination;
        std::memcpy(destination.data(), buffer, destination.size());
        const sockaddr_in to = FromPeerAddress(destination);
        if (to.sin_addr.s_addr != htonl(kBroadcastAddress)) {
            return SentOrError(sp::SendTo(fd, buffer + 16, count - 16, to));
        }
    }
    // Fan-out to every learnt peer; a peer that cannot be reached is forgotten.
    std::lock_guard lock(peerLock_);
    for (auto it = peerList_.begin(); it != peerList_.end();) {
        const sockaddr_in to = FromPeerAddress(*it);
        if (sp::SendTo(fd, buffer + offset, count - offset, to) < 0) {
            it = peerList_.erase(it);
        } else {
            ++it;
        }
    }
    return static_cast<int32_t>(count - offset);
}

std::list<PeerAddress> CSocketLink::Peers() const {
    std::lock_guard lock(peerLock_);
    return peerList_;
}

void CSocketLink::OnDatagram(const uint8_t*, uint32_t) {}
void CSocketLink::OnLinkEvent(uint32_t) {}

void CSocketLink::ReceiveLoop() {
    // The thread serves the socket it was started on; a later reopen is not its business.
    const SocketHandle fd = socket_.load();
    uint8_t buffer[kReceiveBufferSize];
    while (socket_.load() == fd && fd != kNoSocket) {
        const int32_t n = ReceiveOn(fd, buffer, kReceiveBufferSize, kReceivePollMs);
        if (n == -1)
            break;
        if (IsAddressPrefixed() && n == 16) {
            OnLinkEvent(kLinkZeroLength);
        } else if (n > 0) {
            OnDatagram(buffer, static_cast<uint32_t>(n));
        }
        std::this_thread::yield();
    }
    if (IsOpen())
        OnLinkEvent(kLinkDropped);
}

}  // namespace halvex
