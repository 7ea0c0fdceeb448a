// Before anything that may bring in windows.h, which must come after it.
#include <winsock2.h>

#include "StandInProcess.h"

#include "HostPath.h"
#include "StandIn.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

/// One argument quoted as the command-line parser splits it again.
QString Quoted(const QString& AArgument) {
    const bool Plain = std::none_of(AArgument.cbegin(), AArgument.cend(), [](QChar ACharacter) {
        return ACharacter.isSpace() || ACharacter == QLatin1Char('"');
    });
    if (!AArgument.isEmpty() && Plain)
        return AArgument;
    QString Result = QStringLiteral("\"");
    int Backslashes = 0;
    for (const QChar Character : AArgument) {
        if (Character == QLatin1Char('\\')) {
            ++Backslashes;
            continue;
        }
        // Backslashes count double before a quote, which is itself escaped.
        Result += QString(Character == QLatin1Char('"') ? Backslashes * 2 + 1 : Backslashes, QLatin1Char('\\'));
        Result += Character;
        Backslashes = 0;
    }
    return Result + QString(Backslashes * 2, QLatin1Char('\\')) + QLatin1Char('"');
}

} // namespace

struct StandInProcess::Channel {
    QTemporaryDir Folder;
    SOCKET Socket = INVALID_SOCKET;
    QByteArray Received;
    bool Ended = true;

    Channel() {
        WSADATA Data;
        if (WSAStartup(MAKEWORD(2, 2), &Data) != 0)
            throw StandInError(0, QStringLiteral("no sockets"));
    }
    ~Channel() {
        Close();
        WSACleanup();
    }
    void Close() {
        if (Socket != INVALID_SOCKET)
            closesocket(Socket);
        Socket = INVALID_SOCKET;
        Ended = true;
    }
    /// Waits for the server's end of the connection, reading what is left; false when it does not come in time.
    bool WaitForEnd(int ATimeoutMs) {
        QDeadlineTimer Deadline(ATimeoutMs);
        while (!Ended && !Deadline.hasExpired())
            Receive(Deadline);
        return Ended;
    }
    void Receive(const QDeadlineTimer& ADeadline) {
        fd_set Readable;
        FD_ZERO(&Readable);
        FD_SET(Socket, &Readable);
        const qint64 Remaining = qMax<qint64>(0, ADeadline.remainingTime());
        timeval Wait{long(Remaining / 1000), long(Remaining % 1000) * 1000};
        if (select(0, &Readable, nullptr, nullptr, &Wait) <= 0)
            return;
        char Buffer[65536];
        const int Count = recv(Socket, Buffer, sizeof Buffer, 0);
        if (Count <= 0)
            Ended = true;
        else
            Received.append(Buffer, Count);
    }
};

StandInProcess::StandInProcess() : Open(std::make_unique<Channel>()) {}

StandInProcess::~StandInProcess() = default;

void StandInProcess::Start(const QStringList& AArguments, const QString& AToolsFolder, int ATimeoutMs) {
    Open->Close();
    Open->Received.clear();
    const QString PortFile = Open->Folder.filePath(QStringLiteral("control-port"));
    QFile::remove(PortFile);
    // Started through env, which sets the package's folder: the environment of a build machine's program is its own.
    QStringList Command{QStringLiteral("PYTHONPATH=") + AToolsFolder, QStringLiteral("python3"), QStringLiteral("-m"),
                        QStringLiteral("tds_standin")};
    Command += AArguments;
    Command << QStringLiteral("--control-port-file") << ::HostPath(PortFile);
    QString CommandLine = QStringLiteral("Z:\\usr\\bin\\env");
    for (const QString& Argument : Command)
        CommandLine += QLatin1Char(' ') + Quoted(Argument);
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    std::wstring Line = CommandLine.toStdWString();
    if (!CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Process))
        throw StandInError(0, QStringLiteral("python3 did not start: error %1").arg(GetLastError()));
    // A program of the build machine has no Windows process to wait for: the control connection stands for it. Its
    // handles are not closed: for such a program Wine fills them with whatever was there (a thread handle of 4 was
    // seen), and closing that closed a handle of ours, the engine's handle on a DFe file among them.

    // The stand-in writes the file whole (written aside, then renamed): once it is there, it holds the port.
    QDeadlineTimer Deadline(ATimeoutMs);
    while (!QFile::exists(PortFile)) {
        if (Deadline.hasExpired())
            throw StandInError(0, QStringLiteral("the stand-in did not start"));
        QThread::msleep(20);
    }
    QFile File(PortFile);
    const QByteArray Port = File.open(QIODevice::ReadOnly) ? File.readAll().trimmed() : QByteArray();
    sockaddr_in Address{};
    Address.sin_family = AF_INET;
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Address.sin_port = htons(Port.toUShort());
    Open->Socket = socket(AF_INET, SOCK_STREAM, 0);
    if (Open->Socket == INVALID_SOCKET ||
        ::connect(Open->Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address) != 0) {
        Open->Close();
        throw StandInError(0, QStringLiteral("no control connection to the stand-in"));
    }
    Open->Ended = false;
}

bool StandInProcess::IsRunning() const {
    return !Open->Ended;
}

void StandInProcess::WriteLine(const QByteArray& ALine) {
    const QByteArray Line = ALine + '\n';
    for (qsizetype Sent = 0; Sent < Line.size() && !Open->Ended;) {
        const int Count = send(Open->Socket, Line.constData() + Sent, int(Line.size() - Sent), 0);
        if (Count <= 0)
            Open->Ended = true;
        else
            Sent += Count;
    }
}

QString StandInProcess::ReadLine(int ATimeoutMs) {
    QDeadlineTimer Deadline(ATimeoutMs);
    qsizetype End;
    while ((End = Open->Received.indexOf('\n')) < 0) {
        if (Open->Ended || Deadline.hasExpired())
            throw StandInError(0, QStringLiteral("no answer from the stand-in"));
        Open->Receive(Deadline);
    }
    const QByteArray Line = Open->Received.left(End);
    Open->Received.remove(0, End + 1);
    return QString::fromUtf8(Line).trimmed();
}

void StandInProcess::Stop() {
    if (Open->Ended)
        return;
    shutdown(Open->Socket, SD_SEND); // the end of the control lines stops the server
    Open->WaitForEnd(5000);
    Open->Close();
}

void StandInProcess::Kill() {
    if (Open->Ended)
        return;
    WriteLine(QByteArrayLiteral(R"({"op": "crash"})"));
    Open->WaitForEnd(5000);
    Open->Close();
}

qint64 StandInProcess::ParentId() {
    return 0;
}
