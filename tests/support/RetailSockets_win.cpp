#include "RetailFixture.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// After the socket headers, which it needs.
#include <iphlpapi.h>

#include <stdexcept>
#include <vector>

quint16 RetailFixture::PortaSemServidor() {
    // Bound and released at once: nothing listens there afterwards, and the system will not hand it out again soon.
    WSADATA Dados;
    if (WSAStartup(MAKEWORD(2, 2), &Dados) != 0)
        throw std::runtime_error("no sockets");
    const SOCKET Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Endereco{};
    Endereco.sin_family = AF_INET;
    Endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int Tamanho = sizeof Endereco;
    const bool Ligado = Socket != INVALID_SOCKET &&
                        ::bind(Socket, reinterpret_cast<sockaddr*>(&Endereco), Tamanho) == 0 &&
                        ::getsockname(Socket, reinterpret_cast<sockaddr*>(&Endereco), &Tamanho) == 0;
    if (Socket != INVALID_SOCKET)
        ::closesocket(Socket);
    WSACleanup();
    if (!Ligado)
        throw std::runtime_error("no free port");
    return ntohs(Endereco.sin_port);
}

int RetailFixture::SocketsAbertos() {
    // The TCP connections of this process that the system lists (a driver's connection is a TCP one).
    ULONG Tamanho = 0;
    GetExtendedTcpTable(nullptr, &Tamanho, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
    std::vector<char> Tabela(Tamanho + 4096);
    Tamanho = ULONG(Tabela.size());
    if (GetExtendedTcpTable(Tabela.data(), &Tamanho, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0) != NO_ERROR)
        throw std::runtime_error("no TCP table");
    const auto* Linhas = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(Tabela.data());
    int Quantos = 0;
    for (DWORD I = 0; I < Linhas->dwNumEntries; ++I) {
        if (Linhas->table[I].dwOwningPid == GetCurrentProcessId())
            ++Quantos;
    }
    return Quantos;
}
