#include "RetailFixture.h"

#include <QDir>
#include <QFile>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

quint16 RetailFixture::PortaSemServidor() {
    // Bound and released at once: nothing listens there afterwards, and the system will not hand it out again soon.
    const int Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Endereco{};
    Endereco.sin_family = AF_INET;
    Endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Tamanho = sizeof Endereco;
    if (Socket < 0 || ::bind(Socket, reinterpret_cast<sockaddr*>(&Endereco), Tamanho) != 0 ||
        ::getsockname(Socket, reinterpret_cast<sockaddr*>(&Endereco), &Tamanho) != 0)
        throw std::runtime_error("no free port");
    ::close(Socket);
    return ntohs(Endereco.sin_port);
}

int RetailFixture::SocketsAbertos() {
    int Quantos = 0;
    const QDir Descritores(QStringLiteral("/proc/self/fd"));
    for (const QString& Nome : Descritores.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char Alvo[64] = {};
        const QByteArray Caminho = QFile::encodeName(Descritores.filePath(Nome));
        if (::readlink(Caminho.constData(), Alvo, sizeof Alvo - 1) > 0 && qstrncmp(Alvo, "socket:", 7) == 0)
            ++Quantos;
    }
    return Quantos;
}
