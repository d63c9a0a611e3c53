#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavik {

// Socket handles are plain ints; -1 stands for "no socket".
constexpr int NoSocket = -1;

struct ResolveResult {
    int error = 0;        // 0 on success, otherwise the socket layer's error number
    std::string address;  // dotted IPv4 address when error == 0
};

// The client's only way to the network. The Qt layer implements it over real
// sockets and reports read, connect and close events back to the engine; tests
// use a fake that hands any bytes to any socket in any chunking.
class Transport {
public:
    virtual ~Transport() = default;

    // Makes a new TCP socket; NoSocket when that fails.
    virtual int open() = 0;
    virtual ResolveResult resolve(std::string_view host) = 0;
    // Starts connecting; 0 when the attempt is under way or done, else an error number.
    virtual int connect(int socket, std::string_view address, std::uint16_t port) = 0;
    // Bytes accepted, or -1 on failure. Callers never retry: a failed send is silent.
    virtual long send(int socket, std::string_view bytes) = 0;
    // Bytes received into `buffer`; 0 when nothing is waiting or the peer closed, -1 on error.
    virtual long receive(int socket, std::span<char> buffer) = 0;
    virtual void close(int socket) = 0;
};

// A send to "no socket" (no session is current) goes nowhere and fails.
inline long sendTo(Transport& transport, int socket, std::string_view bytes) {
    return socket == NoSocket ? -1 : transport.send(socket, bytes);
}

}  // namespace tavik
