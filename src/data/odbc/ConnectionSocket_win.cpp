#include "data/odbc/ConnectionSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// After the socket headers, which it needs.
#include <iphlpapi.h>

#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

/// One TCP connection by its two ends; IPv4 addresses fill the first four bytes.
struct Ends {
    ULONG Family = AF_INET;
    std::array<unsigned char, 16> Local{};
    std::array<unsigned char, 16> Remote{};
    DWORD LocalPort = 0;
    DWORD RemotePort = 0;

    bool operator<(const Ends& AOther) const {
        return std::tie(Family, Local, LocalPort, Remote, RemotePort) <
               std::tie(AOther.Family, AOther.Local, AOther.LocalPort, AOther.Remote, AOther.RemotePort);
    }
};

using Connections = std::map<Ends, DWORD>;

/// The system's TCP connections of one address family and their states (MIB_TCP_STATE_*); none when the table
/// cannot be read. The table without owners: asking for them costs far more, and a connection's two ends name it.
std::optional<Connections> Table(ULONG AFamily) {
    std::vector<char> Rows(16384);
    for (int Attempt = 0;; ++Attempt) {
        ULONG Size = ULONG(Rows.size());
        const ULONG Result = AFamily == AF_INET
                                 ? GetTcpTable(reinterpret_cast<MIB_TCPTABLE*>(Rows.data()), &Size, FALSE)
                                 : GetTcp6Table(reinterpret_cast<MIB_TCP6TABLE*>(Rows.data()), &Size, FALSE);
        if (Result == NO_ERROR)
            break;
        if (Result != ERROR_INSUFFICIENT_BUFFER || Attempt == 3)
            return std::nullopt;
        // Connections may open between the two calls: room for a few more.
        Rows.resize(Size + 4096);
    }
    Connections Found;
    if (AFamily == AF_INET) {
        const auto* List = reinterpret_cast<const MIB_TCPTABLE*>(Rows.data());
        for (DWORD I = 0; I < List->dwNumEntries; ++I) {
            const MIB_TCPROW& Row = List->table[I];
            Ends Key;
            std::memcpy(Key.Local.data(), &Row.dwLocalAddr, sizeof Row.dwLocalAddr);
            std::memcpy(Key.Remote.data(), &Row.dwRemoteAddr, sizeof Row.dwRemoteAddr);
            Key.LocalPort = Row.dwLocalPort;
            Key.RemotePort = Row.dwRemotePort;
            Found[Key] = Row.dwState;
        }
    } else {
        const auto* List = reinterpret_cast<const MIB_TCP6TABLE*>(Rows.data());
        for (DWORD I = 0; I < List->dwNumEntries; ++I) {
            const MIB_TCP6ROW& Row = List->table[I];
            Ends Key;
            Key.Family = AF_INET6;
            std::memcpy(Key.Local.data(), &Row.LocalAddr, Key.Local.size());
            std::memcpy(Key.Remote.data(), &Row.RemoteAddr, Key.Remote.size());
            Key.LocalPort = Row.dwLocalPort;
            Key.RemotePort = Row.dwRemotePort;
            Found[Key] = DWORD(Row.State);
        }
    }
    return Found;
}

/// Every TCP connection of the system, of both families.
Connections All() {
    Connections Found = Table(AF_INET).value_or(Connections{});
    Found.merge(Table(AF_INET6).value_or(Connections{}));
    return Found;
}

} // namespace

/// The driver's socket is not ours to query: its connection is found, and watched, in the system's TCP table. One
/// that opened in the same moment elsewhere makes two new ones, and then none is watched.
struct ConnectionSocket::Tracking {
    std::set<Ends> Before;
    std::optional<Ends> Watched;
};

ConnectionSocket::ConnectionSocket() : State(std::make_unique<Tracking>()) {
    for (const auto& Connection : All())
        State->Before.insert(Connection.first);
}

ConnectionSocket::~ConnectionSocket() = default;

void ConnectionSocket::Connected() {
    const Connections Now = All();
    // A server on this machine lists its end of the connection too: an end on a listening port is the server's.
    std::set<std::pair<ULONG, DWORD>> Listening;
    for (const auto& [Connection, ConnectionState] : Now) {
        if (ConnectionState == MIB_TCP_STATE_LISTEN)
            Listening.emplace(Connection.Family, Connection.LocalPort);
    }
    int Found = 0;
    for (const auto& [Candidate, ConnectionState] : Now) {
        if (State->Before.count(Candidate) == 0 && ConnectionState == MIB_TCP_STATE_ESTAB &&
            Listening.count({Candidate.Family, Candidate.LocalPort}) == 0) {
            ++Found;
            State->Watched = Candidate;
        }
    }
    if (Found != 1)
        State->Watched.reset();
    State->Before.clear();
}

bool ConnectionSocket::Lost() const {
    if (!State->Watched)
        return false;
    const auto Now = Table(State->Watched->Family);
    // An unreadable table says nothing: only a table without the connection, or with it past its open state, counts.
    if (!Now)
        return false;
    const auto Connection = Now->find(*State->Watched);
    return Connection == Now->end() || Connection->second != MIB_TCP_STATE_ESTAB;
}
