#include "MuteServer.h"

#include <winsock2.h>

#include <stdexcept>

MuteServer::MuteServer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("no sockets");
    }
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (listener != INVALID_SOCKET)
            ::closesocket(listener);
        WSACleanup();
        throw std::runtime_error("no listening socket");
    }
    Socket = static_cast<qintptr>(listener);
    Port = ntohs(address.sin_port);
}

MuteServer::~MuteServer() {
    ::closesocket(static_cast<SOCKET>(Socket));
    WSACleanup();
}

QString MuteServer::server() const {
    return QStringLiteral("127.0.0.1,%1").arg(Port);
}
