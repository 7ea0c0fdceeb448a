#include "StandInProcess.h"

#include "StandIn.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

struct StandInProcess::Channel {
    QProcess Process;
};

StandInProcess::StandInProcess() : Open(std::make_unique<Channel>()) {}

StandInProcess::~StandInProcess() = default;

void StandInProcess::Start(const QStringList& AArguments, const QString& AToolsFolder, int ATimeoutMs) {
    QProcess& Process = Open->Process;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert(QStringLiteral("PYTHONPATH"), AToolsFolder);
    Process.setProcessEnvironment(Environment);
    Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Process.start(QStringLiteral("python3"), QStringList{QStringLiteral("-m"), QStringLiteral("tds_standin")} +
                                                 AArguments + QStringList{QStringLiteral("--control-stdin")});
    if (!Process.waitForStarted(ATimeoutMs))
        throw StandInError(0, QStringLiteral("python3 did not start: %1").arg(Process.errorString()));
}

bool StandInProcess::IsRunning() const {
    return Open->Process.state() == QProcess::Running;
}

void StandInProcess::WriteLine(const QByteArray& ALine) {
    Open->Process.write(ALine + '\n');
}

QString StandInProcess::ReadLine(int ATimeoutMs) {
    QProcess& Process = Open->Process;
    QDeadlineTimer Deadline(ATimeoutMs);
    while (!Process.canReadLine()) {
        if (Process.state() != QProcess::Running || Deadline.hasExpired())
            throw StandInError(0, QStringLiteral("no answer from the stand-in"));
        Process.waitForReadyRead(int(qMax<qint64>(1, Deadline.remainingTime())));
    }
    return QString::fromUtf8(Process.readLine()).trimmed();
}

void StandInProcess::Stop() {
    QProcess& Process = Open->Process;
    if (Process.state() == QProcess::NotRunning)
        return;
    Process.closeWriteChannel(); // end of the control pipe stops the server
    if (!Process.waitForFinished(5000)) {
        Process.terminate();
        if (!Process.waitForFinished(5000))
            Process.kill();
        Process.waitForFinished(2000);
    }
}

void StandInProcess::Kill() {
    Open->Process.kill();
    Open->Process.waitForFinished(5000);
}

qint64 StandInProcess::ParentId() {
    return QCoreApplication::applicationPid();
}
