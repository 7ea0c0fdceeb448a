#include "MuteServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

MuteServer::MuteServer() {
    Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (Socket < 0 || ::bind(Socket, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(Socket, 16) != 0 ||
        ::getsockname(Socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (Socket >= 0)
            ::close(Socket);
        throw std::runtime_error("no listening socket");
    }
    Port = ntohs(address.sin_port);
}

MuteServer::~MuteServer() {
    ::close(Socket);
}

QString MuteServer::server() const {
    return QStringLiteral("127.0.0.1,%1").arg(Port);
}
