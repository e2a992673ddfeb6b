#include "engine/net/SocketPlatform.h"

#ifdef _WIN32
#include <mutex>
#else
#include <poll.h>

#include <cerrno>
#endif

namespace halvex {

#ifdef _WIN32

bool StartSockets() {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopSockets() {
    ::WSACleanup();
}

namespace socket_platform {

SocketHandle Open(int family, int type) {
    return ::socket(family, type, 0);
}

void Close(SocketHandle s) {
    ::closesocket(s);
}

void Shutdown(SocketHandle s) {
    ::shutdown(s, SD_BOTH);
}

bool EnableBroadcast(SocketHandle s) {
    const BOOL on = TRUE;
    return ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

bool WaitReady(SocketHandle s, bool forWriting, uint32_t timeoutMs) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    fd_set failed = ready;
    timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    const int r = ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed,
                           timeoutMs == 0xFFFFFFFF ? nullptr : &wait);
    return r > 0;
}

int64_t ReceiveFrom(SocketHandle s, uint8_t* buffer, uint32_t size, sockaddr_in* from,
                    bool& truncated) {
    int fromLength = sizeof(sockaddr_in);
    const int n =
        ::recvfrom(s, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                   reinterpret_cast<sockaddr*>(from), from != nullptr ? &fromLength : nullptr);
    truncated = n == SOCKET_ERROR && ::WSAGetLastError() == WSAEMSGSIZE;
    return n == SOCKET_ERROR ? -1 : n;
}

int64_t SendNow(SocketHandle s, const uint8_t* buffer, uint32_t count, bool& wouldBlock) {
    // Winsock queues a datagram on a blocking socket without waiting in practice.
    wouldBlock = false;
    return Send(s, buffer, count);
}

int64_t Send(SocketHandle s, const uint8_t* buffer, uint32_t count) {
    const int n = ::send(s, reinterpret_cast<const char*>(buffer), static_cast<int>(count), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int64_t SendTo(SocketHandle s, const uint8_t* buffer, uint32_t count, const sockaddr_in& to) {
    const int n = ::sendto(s, reinterpret_cast<const char*>(buffer), static_cast<int>(count), 0,
                           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return n == SOCKET_ERROR ? -1 : n;
}

uint16_t ServicePort(const char* name) {
    // getservbyname returns per-thread storage on Winsock; one lookup at a time all the same.
    static std::mutex lock;
    std::lock_guard guard(lock);
    const servent* found = ::getservbyname(name, nullptr);
    return found != nullptr ? ntohs(static_cast<uint16_t>(found->s_port)) : 0;
}

}  // namespace socket_platform

#else

bool StartSockets() {
    return true;
}

void StopSockets() {}

namespace socket_platform {

SocketHandle Open(int family, int type) {
    return ::socket(family, type | SOCK_CLOEXEC, 0);
}

void Close(SocketHandle s) {
    ::close(s);
}

void Shutdown(SocketHandle s) {
    ::shutdown(s, SHUT_RDWR);
}

bool EnableBroadcast(SocketHandle s) {
    const int on = 1;
    return ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool WaitReady(SocketHandle s, bool forWriting, uint32_t timeoutMs) {
    const short events = forWriting ? POLLOUT : POLLIN;
    pollfd p{s, events, 0};
    const int wait = timeoutMs == 0xFFFFFFFF  ? -1
                     : timeoutMs > 0x7FFFFFFF ? 0x7FFFFFFF
                                              : static_cast<int>(timeoutMs);
    const int r = ::poll(&p, 1, wait);
    return r > 0 && (p.revents & (events | POLLERR | POLLHUP)) != 0 && (p.revents & POLLNVAL) == 0;
}

int64_t ReceiveFrom(SocketHandle s, uint8_t* buffer, uint32_t size, sockaddr_in* from,
                    bool& truncated) {
    iovec io{buffer, size};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    if (from != nullptr) {
        msg.msg_name = from;
        msg.msg_namelen = sizeof *from;
    }
    const ssize_t n = ::recvmsg(s, &msg, 0);
    truncated = n >= 0 && (msg.msg_flags & MSG_TRUNC) != 0;
    return n;
}

int64_t SendNow(SocketHandle s, const uint8_t* buffer, uint32_t count, bool& wouldBlock) {
    const ssize_t n = ::send(s, buffer, count, MSG_DONTWAIT);
    wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    return n;
}

int64_t Send(SocketHandle s, const uint8_t* buffer, uint32_t count) {
    return ::send(s, buffer, count, 0);
}

int64_t SendTo(SocketHandle s, const uint8_t* buffer, uint32_t count, const sockaddr_in& to) {
    return ::sendto(s, buffer, count, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

uint16_t ServicePort(const char* name) {
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyname_r(name, nullptr, &entry, scratch, sizeof scratch, &found) != 0 ||
        found == nullptr) {
        return 0;
    }
    return ntohs(static_cast<uint16_t>(found->s_port));
}

}  // namespace socket_platform

#endif

}  // namespace halvex
