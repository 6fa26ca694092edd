// What the socket layer does the same way on every system.

#include "command/socket_layer.h"

namespace quorvane::command::net {

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Reset();
        handle_ = other.Release();
    }
    return *this;
}

Handle Socket::Release() {
    Handle handle = handle_;
    handle_ = kInvalidHandle;
    return handle;
}

void ThrowSocketError(int code) {
    throw SocketError(ErrorText(code), code);
}

Socket Connect(const std::string& ip, uint16_t port) {
    Socket socket = OpenStream();
    ConnectTo(socket.Get(), ip, port);
    return socket;
}

}  // namespace quorvane::command::net
