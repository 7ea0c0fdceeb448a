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

/// One TCP connection by its two ends; IPv4 addresses fill the first four bytes. The system documents only the low
/// 16 bits of a port field (the others may hold anything): only those are kept.
struct Ends {
    ULONG Family = AF_INET;
    std::array<unsigned char, 16> Local{};
    std::array<unsigned char, 16> Remote{};
    DWORD LocalPort = 0;
    DWORD RemotePort = 0;

    template <typename Address>
    static Ends Of(ULONG AFamily, const Address& ALocal, DWORD ALocalPort, const Address& ARemote, DWORD ARemotePort) {
        static_assert(sizeof(Address) <= 16);
        Ends Key;
        Key.Family = AFamily;
        std::memcpy(Key.Local.data(), &ALocal, sizeof(Address));
        std::memcpy(Key.Remote.data(), &ARemote, sizeof(Address));
        Key.LocalPort = ALocalPort & 0xFFFF;
        Key.RemotePort = ARemotePort & 0xFFFF;
        return Key;
    }

    bool operator<(const Ends& AOther) const {
        return std::tie(Family, Local, LocalPort, Remote, RemotePort) <
               std::tie(AOther.Family, AOther.Local, AOther.LocalPort, AOther.Remote, AOther.RemotePort);
    }
};

/// A connection's state (MIB_TCP_STATE_*) and, where the table tells it, the process that owns it.
struct Row {
    DWORD State = 0;
    DWORD Owner = 0;
};

using Connections = std::map<Ends, Row>;

/// Each table row's connection: by the layout of the four tables, IPv4 or IPv6, with owners or without.
std::pair<Ends, Row> Entry(const MIB_TCPROW& ARow) {
    return {Ends::Of(AF_INET, ARow.dwLocalAddr, ARow.dwLocalPort, ARow.dwRemoteAddr, ARow.dwRemotePort),
            {ARow.dwState, 0}};
}
std::pair<Ends, Row> Entry(const MIB_TCP6ROW& ARow) {
    return {Ends::Of(AF_INET6, ARow.LocalAddr, ARow.dwLocalPort, ARow.RemoteAddr, ARow.dwRemotePort),
            {DWORD(ARow.State), 0}};
}
std::pair<Ends, Row> Entry(const MIB_TCPROW_OWNER_PID& ARow) {
    return {Ends::Of(AF_INET, ARow.dwLocalAddr, ARow.dwLocalPort, ARow.dwRemoteAddr, ARow.dwRemotePort),
            {ARow.dwState, ARow.dwOwningPid}};
}
std::pair<Ends, Row> Entry(const MIB_TCP6ROW_OWNER_PID& ARow) {
    return {Ends::Of(AF_INET6, ARow.ucLocalAddr, ARow.dwLocalPort, ARow.ucRemoteAddr, ARow.dwRemotePort),
            {ARow.dwState, ARow.dwOwningPid}};
}

/// Reads a table with ARead (a table function taking a buffer and its size), growing the buffer until it holds the
/// whole table, as a table of layout Table; none when it cannot be read.
template <typename Table, typename Read> std::optional<Connections> ReadTable(Read ARead) {
    std::vector<char> Buffer(16384);
    for (int Attempt = 0; Attempt <= 3; ++Attempt) {
        ULONG Size = ULONG(Buffer.size());
        const ULONG Result = ARead(Buffer.data(), &Size);
        if (Result == NO_ERROR) {
            Connections Found;
            const auto* List = reinterpret_cast<const Table*>(Buffer.data());
            for (DWORD I = 0; I < List->dwNumEntries; ++I) {
                Found.insert(Entry(List->table[I]));
            }
            return Found;
        }
        if (Result != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;
        }
        // Connections may open between the two calls: room for a few more.
        Buffer.resize(Size + 4096);
    }
    return std::nullopt;
}

/// The system's TCP connections of one address family and their states, without owners.
std::optional<Connections> Table(ULONG AFamily) {
    if (AFamily == AF_INET) {
        return ReadTable<MIB_TCPTABLE>([](char* ABuffer, ULONG* ASize) {
            return GetTcpTable(reinterpret_cast<MIB_TCPTABLE*>(ABuffer), ASize, FALSE);
        });
    }
    return ReadTable<MIB_TCP6TABLE>([](char* ABuffer, ULONG* ASize) {
        return GetTcp6Table(reinterpret_cast<MIB_TCP6TABLE*>(ABuffer), ASize, FALSE);
    });
}

/// The same with each connection's owning process.
std::optional<Connections> OwnerTable(ULONG AFamily) {
    const auto Read = [AFamily](char* ABuffer, ULONG* ASize) {
        return GetExtendedTcpTable(ABuffer, ASize, FALSE, AFamily, TCP_TABLE_OWNER_PID_ALL, 0);
    };
    if (AFamily == AF_INET) {
        return ReadTable<MIB_TCPTABLE_OWNER_PID>(Read);
    }
    return ReadTable<MIB_TCP6TABLE_OWNER_PID>(Read);
}

bool OwnedHere(const Connections& AOwners, const Ends& AConnection) {
    const auto Found = AOwners.find(AConnection);
    return Found != AOwners.end() && Found->second.Owner == GetCurrentProcessId();
}

/// Every TCP connection of the system, of both families, without owners.
Connections All() {
    Connections Found = Table(AF_INET).value_or(Connections{});
    Found.merge(Table(AF_INET6).value_or(Connections{}));
    return Found;
}

} // namespace

/// The driver's socket is not ours to query: its connection is found, and watched, in the system's TCP table. The
/// table is the whole machine's, so a connection is watched only once the owner table shows it is this process's.
/// That table costs far more than the plain one (a tenth of a second under Wine): it is read only when the connection
/// is first looked at, which a connection used without pauses never is.
struct ConnectionSocket::Tracking {
    std::set<Ends> Before;
    std::set<Ends> Candidates; ///< opened by the connect, not yet known to be this process's
    std::optional<Ends> Watched;

    /// Keeps the one candidate this process owns, if there is exactly one (the server's end of a loopback
    /// connection is the server's).
    void Confirm() {
        std::map<ULONG, std::optional<Connections>> Owners;
        std::vector<Ends> Ours;
        for (const Ends& Candidate : Candidates) {
            auto Family = Owners.find(Candidate.Family);
            if (Family == Owners.end()) {
                Family = Owners.emplace(Candidate.Family, OwnerTable(Candidate.Family)).first;
            }
            if (Family->second && OwnedHere(*Family->second, Candidate)) {
                Ours.push_back(Candidate);
            }
        }
        Candidates.clear();
        if (Ours.size() == 1) {
            Watched = Ours.front();
        }
    }
};

ConnectionSocket::ConnectionSocket() : State(std::make_unique<Tracking>()) {
    for (const auto& Connection : All()) {
        State->Before.insert(Connection.first);
    }
}

ConnectionSocket::~ConnectionSocket() = default;

void ConnectionSocket::Identify() {
    for (const auto& [Connection, Seen] : All()) {
        if (State->Before.count(Connection) == 0 && Seen.State == MIB_TCP_STATE_ESTAB) {
            State->Candidates.insert(Connection);
        }
    }
    State->Before.clear();
}

bool ConnectionSocket::Closed() {
    if (!State->Candidates.empty()) {
        State->Confirm();
    }
    if (!State->Watched) {
        return false;
    }
    const auto Now = Table(State->Watched->Family);
    // An unreadable table says nothing: only a table without the connection, or with it past its open state, counts.
    if (!Now) {
        return false;
    }
    const auto Connection = Now->find(*State->Watched);
    return Connection == Now->end() || Connection->second.State != MIB_TCP_STATE_ESTAB;
}
