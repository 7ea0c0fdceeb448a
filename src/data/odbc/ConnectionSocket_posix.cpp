#include "data/odbc/ConnectionSocket.h"

#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <set>

namespace {

struct CloseDir {
    void operator()(DIR* ADir) const { closedir(ADir); }
};

/// The inode of each socket the process has open, by descriptor.
std::map<int, ino_t> OpenSockets() {
    std::map<int, ino_t> Sockets;
    const std::unique_ptr<DIR, CloseDir> Dir(opendir("/proc/self/fd"));
    if (!Dir)
        return Sockets;
    while (const dirent* Entry = readdir(Dir.get())) {
        char* End = nullptr;
        const long Descriptor = std::strtol(Entry->d_name, &End, 10);
        struct stat Info {};
        if (End != Entry->d_name && *End == '\0' && fstat(int(Descriptor), &Info) == 0 && S_ISSOCK(Info.st_mode))
            Sockets.emplace(int(Descriptor), Info.st_ino);
    }
    return Sockets;
}

bool IsConnectedTcp(int ADescriptor) {
    int Type = 0;
    socklen_t Length = sizeof Type;
    if (getsockopt(ADescriptor, SOL_SOCKET, SO_TYPE, &Type, &Length) != 0 || Type != SOCK_STREAM)
        return false;
    sockaddr_storage Peer{};
    socklen_t PeerLength = sizeof Peer;
    return getpeername(ADescriptor, reinterpret_cast<sockaddr*>(&Peer), &PeerLength) == 0 &&
           (Peer.ss_family == AF_INET || Peer.ss_family == AF_INET6);
}

} // namespace

/// Sockets by descriptor and inode, read from /proc/self/fd.
struct ConnectionSocket::Tracking {
    std::set<ino_t> Before;
    int Descriptor = -1;
    ino_t Inode = 0;
};

ConnectionSocket::ConnectionSocket() : State(std::make_unique<Tracking>()) {
    for (const auto& Socket : OpenSockets())
        State->Before.insert(Socket.second);
}

ConnectionSocket::~ConnectionSocket() = default;

void ConnectionSocket::Identify() {
    int Found = 0;
    for (const auto& [Candidate, CandidateInode] : OpenSockets()) {
        if (State->Before.count(CandidateInode) == 0 && IsConnectedTcp(Candidate)) {
            ++Found;
            State->Descriptor = Candidate;
            State->Inode = CandidateInode;
        }
    }
    if (Found != 1)
        State->Descriptor = -1;
    State->Before.clear();
}

bool ConnectionSocket::Closed() {
    const int Descriptor = State->Descriptor;
    if (Descriptor < 0)
        return false;
    struct stat Info {};
    if (fstat(Descriptor, &Info) != 0 || !S_ISSOCK(Info.st_mode) || Info.st_ino != State->Inode)
        return true;
    // The tail of an earlier reply may still wait unread: only the server's end of the stream, or a reset, counts.
    pollfd Poll{Descriptor, POLLRDHUP, 0};
    return poll(&Poll, 1, 0) > 0 && (Poll.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}
