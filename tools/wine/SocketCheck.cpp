// Prints the local IPv4 address a UDP socket opened here would send from, without sending.
//
// Wine opens sockets in its wineserver's network namespace, not the caller's, so before a
// Windows program may send inside the test bed this check proves where its sockets live:
// a UDP connect and getsockname send nothing. Exit 0 when the address is in `prefix`.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halvex-socket-check PEER-ADDRESS REQUIRED-PREFIX\n");
        return 2;
    }
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 2;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(4044);
    peer.sin_addr.s_addr = ::inet_addr(argv[1]);
    sockaddr_in local{};
    int length = sizeof local;
    if (s == INVALID_SOCKET ||
        ::connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        std::fprintf(stderr, "socket check: no route to %s\n", argv[1]);
        return 1;
    }
    const char* address = ::inet_ntoa(local.sin_addr);
    std::printf("%s\n", address);
    ::closesocket(s);
    ::WSACleanup();
    return std::strncmp(address, argv[2], std::strlen(argv[2])) == 0 ? 0 : 1;
}
