#include "RetailFixture.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// After the socket headers, which it needs.
#include <iphlpapi.h>

#include <stdexcept>
#include <vector>

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
