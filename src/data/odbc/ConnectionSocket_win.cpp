#include "data/odbc/ConnectionSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// After the socket headers, which it needs.
#include <iphlpapi.h>

#include <array>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace {

/// One TCP connection by its two ends; IPv4 addresses fill the first four bytes.
struct Ends {
    std::array<unsigned char, 16> Local{};
    std::array<unsigned char, 16> Remote{};
    DWORD LocalPort = 0;
    DWORD RemotePort = 0;

    bool operator<(const Ends& AOther) const {
        return std::tie(Local, LocalPort, Remote, RemotePort) <
               std::tie(AOther.Local, AOther.LocalPort, AOther.Remote, AOther.RemotePort);
    }
};

/// The system's table of TCP connections of one address family, with their owners; empty when it cannot be read.
std::vector<char> Table(ULONG AFamily) {
    std::vector<char> Rows;
    for (int Attempt = 0; Attempt < 3; ++Attempt) {
        ULONG Size = ULONG(Rows.size());
        const DWORD Result = GetExtendedTcpTable(Rows.empty() ? nullptr : Rows.data(), &Size, FALSE, AFamily,
                                                 TCP_TABLE_OWNER_PID_ALL, 0);
        if (Result == NO_ERROR)
            return Rows;
        if (Result != ERROR_INSUFFICIENT_BUFFER)
            break;
        // Connections may open between the two calls: room for a few more.
        Rows.resize(Size + 1024);
    }
    return {};
}

/// This process's TCP connections and their states (MIB_TCP_STATE_*); none when the system's table cannot be read.
std::optional<std::map<Ends, DWORD>> OwnConnections() {
    std::map<Ends, DWORD> Connections;
    const DWORD Process = GetCurrentProcessId();
    const std::vector<char> Rows4 = Table(AF_INET);
    if (Rows4.empty())
        return std::nullopt;
    {
        const auto* Rows = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(Rows4.data());
        for (DWORD I = 0; I < Rows->dwNumEntries; ++I) {
            const MIB_TCPROW_OWNER_PID& Row = Rows->table[I];
            if (Row.dwOwningPid != Process)
                continue;
            Ends Key;
            memcpy(Key.Local.data(), &Row.dwLocalAddr, sizeof Row.dwLocalAddr);
            memcpy(Key.Remote.data(), &Row.dwRemoteAddr, sizeof Row.dwRemoteAddr);
            Key.LocalPort = Row.dwLocalPort;
            Key.RemotePort = Row.dwRemotePort;
            Connections[Key] = Row.dwState;
        }
    }
    const std::vector<char> Rows6 = Table(AF_INET6);
    if (!Rows6.empty()) {
        const auto* Rows = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(Rows6.data());
        for (DWORD I = 0; I < Rows->dwNumEntries; ++I) {
            const MIB_TCP6ROW_OWNER_PID& Row = Rows->table[I];
            if (Row.dwOwningPid != Process)
                continue;
            Ends Key;
            memcpy(Key.Local.data(), Row.ucLocalAddr, Key.Local.size());
            memcpy(Key.Remote.data(), Row.ucRemoteAddr, Key.Remote.size());
            Key.LocalPort = Row.dwLocalPort;
            Key.RemotePort = Row.dwRemotePort;
            Connections[Key] = Row.dwState;
        }
    }
    return Connections;
}

} // namespace

/// The driver's socket is not ours to query: its connection is found, and watched, in the system's TCP table.
struct ConnectionSocket::Tracking {
    std::set<Ends> Before;
    bool Watching = false;
    Ends Watched;
};

ConnectionSocket::ConnectionSocket() : State(std::make_unique<Tracking>()) {
    for (const auto& Connection : OwnConnections().value_or(std::map<Ends, DWORD>{}))
        State->Before.insert(Connection.first);
}

ConnectionSocket::~ConnectionSocket() = default;

void ConnectionSocket::Connected() {
    int Found = 0;
    for (const auto& [Candidate, ConnectionState] : OwnConnections().value_or(std::map<Ends, DWORD>{})) {
        if (State->Before.count(Candidate) == 0 && ConnectionState == MIB_TCP_STATE_ESTAB) {
            ++Found;
            State->Watched = Candidate;
        }
    }
    State->Watching = Found == 1;
    State->Before.clear();
}

bool ConnectionSocket::Lost() const {
    if (!State->Watching)
        return false;
    const auto Connections = OwnConnections();
    // An unreadable table says nothing: only a table without the connection, or with it past its open state, counts.
    if (!Connections)
        return false;
    const auto Connection = Connections->find(State->Watched);
    return Connection == Connections->end() || Connection->second != MIB_TCP_STATE_ESTAB;
}
