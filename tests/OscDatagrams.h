#pragma once
// OSC as a show controller sends it to the input server, without liblo: a
// free UDP port on the loopback to listen on, a message that is an address
// alone, and any bytes sent to a loopback port.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace tambrel::test {

// A UDP port free on the loopback now.
inline int FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

// "/tambrel/key/N" without arguments: the address padded to four bytes,
// then the empty type tag ",".
inline std::string OscAddressOnly(const std::string& path) {
    std::string m = path;
    m.append(4 - m.size() % 4, '\0');
    return m + std::string(",\0\0\0", 4);
}

inline sockaddr_in LoopbackPort(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline void SendUdp(int port, const std::string& bytes) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = LoopbackPort(port);
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    close(fd);
}

} // namespace tambrel::test
