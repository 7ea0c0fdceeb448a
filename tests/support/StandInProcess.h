#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

/// The stand-in's process and its control channel: JSON lines in, JSON lines out, the start-up line first; the end
/// of the channel stops the server. On Linux the channel is the process's standard input and output; a Windows test
/// under Wine cannot hand its pipes to a program of the build machine, so there it is a loopback TCP connection.
/// One source file per platform.
class StandInProcess {
public:
    StandInProcess();
    ~StandInProcess();
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;

    /// Starts `python3 -m tds_standin` with AArguments (the channel's option added here), the package found in
    /// AToolsFolder. Throws StandInError when it does not start.
    void Start(const QStringList& AArguments, const QString& AToolsFolder, int ATimeoutMs);
    bool IsRunning() const;
    void WriteLine(const QByteArray& ALine);
    /// The next line, without its end. Throws StandInError when none comes in time or the server has ended.
    QString ReadLine(int ATimeoutMs);
    /// Ends the channel and waits for the server to stop.
    void Stop();
    /// Ends the server as a crash would: its clients' connections end at once, unanswered.
    void Kill();

    /// The process id the stand-in watches to stop when its test ends; 0 when the build machine knows none.
    static qint64 ParentId();

private:
    struct Channel;
    std::unique_ptr<Channel> Open;
};
