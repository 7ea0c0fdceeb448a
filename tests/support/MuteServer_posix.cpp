#include "MuteServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

MuteServer::MuteServer() {
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_socket, 16) != 0 || ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (m_socket >= 0)
            ::close(m_socket);
        throw std::runtime_error("no listening socket");
    }
    m_port = ntohs(address.sin_port);
}

MuteServer::~MuteServer() {
    ::close(m_socket);
}

QString MuteServer::server() const {
    return QStringLiteral("127.0.0.1,%1").arg(m_port);
}
