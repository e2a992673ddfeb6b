// The few socket calls that differ between Winsock 2 and POSIX, behind one small interface,
// so the socket link is written once.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdint>

namespace halvex {

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kNoSocket = INVALID_SOCKET;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

// Winsock needs starting once per process before the first socket call (a no-op elsewhere);
// the library starts it when it is loaded and stops it when it is unloaded.
bool StartSockets();
void StopSockets();

namespace socket_platform {

SocketHandle Open(int family, int type);
void Close(SocketHandle s);
// Wakes a thread waiting on the socket.
void Shutdown(SocketHandle s);
bool EnableBroadcast(SocketHandle s);
// Waits until the socket is readable (or writable); false on time-out or error.
bool WaitReady(SocketHandle s, bool forWriting, uint32_t timeoutMs);

// One datagram into `buffer`: its length, -1 on error; `truncated` when it did not fit.
int64_t ReceiveFrom(SocketHandle s, uint8_t* buffer, uint32_t size, sockaddr_in* from,
                    bool& truncated);
// Sends on a connected socket without waiting where the platform allows it; `wouldBlock` when
// the datagram could not be queued at once.
int64_t SendNow(SocketHandle s, const uint8_t* buffer, uint32_t count, bool& wouldBlock);
int64_t Send(SocketHandle s, const uint8_t* buffer, uint32_t count);
int64_t SendTo(SocketHandle s, const uint8_t* buffer, uint32_t count, const sockaddr_in& to);

// Port of a service name from the services database, in host order; 0 when unknown.
uint16_t ServicePort(const char* name);

}  // namespace socket_platform
}  // namespace halvex
