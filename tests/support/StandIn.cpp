#include "StandIn.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int RequestTimeoutMs = 30000;

/// The folder that holds the tds_standin package.
QString toolsFolder() {
    return QStringLiteral(EXPORTARDFE_SOURCE_DIR "/tools");
}

QVariantList resultRows(const QVariantMap& reply) {
    const QVariantList results = reply.value(QStringLiteral("results")).toList();
    for (auto it = results.crbegin(); it != results.crend(); ++it) {
        const QVariantMap result = it->toMap();
        if (!result.value(QStringLiteral("columns")).isNull())
            return result.value(QStringLiteral("rows")).toList();
    }
    throw StandInError(0, QStringLiteral("the batch returned no result set"));
}

} // namespace

StandInError::StandInError(int number, const QString& message)
    : std::runtime_error(QStringLiteral("stand-in error %1: %2").arg(number).arg(message).toStdString()),
      Number(number) {}

StandIn::StandIn() : StandIn(Login{}) {}

StandIn::StandIn(const Login& login, const QStringList& extraArguments) : Credentials(login) {
    if (!Dir.isValid())
        throw StandInError(0, QStringLiteral("no temporary folder"));
    Arguments = QStringList{QStringLiteral("-m"),
                            QStringLiteral("tds_standin"),
                            QStringLiteral("--db"),
                            databaseFile(),
                            QStringLiteral("--port"),
                            QStringLiteral("0"),
                            QStringLiteral("--user"),
                            login.user,
                            QStringLiteral("--password"),
                            login.password,
                            QStringLiteral("--database"),
                            login.database,
                            QStringLiteral("--log"),
                            logFile(),
                            QStringLiteral("--control-stdin"),
                            QStringLiteral("--parent-pid"),
                            QString::number(QCoreApplication::applicationPid())};
    Arguments += extraArguments;
    const qsizetype instance = extraArguments.indexOf(QStringLiteral("--instance"));
    if (instance >= 0 && instance + 1 < extraArguments.size())
        Instance = extraArguments.at(instance + 1);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONPATH"), toolsFolder());
    Process.setProcessEnvironment(environment);
    Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start();
}

void StandIn::start() {
    Process.start(QStringLiteral("python3"), Arguments);
    if (!Process.waitForStarted(StartTimeoutMs))
        throw StandInError(0, QStringLiteral("python3 did not start: %1").arg(Process.errorString()));
    // "port N", or "port N host ADDRESS" when the stand-in chose its address.
    const QStringList first = readLine(StartTimeoutMs).split(QLatin1Char(' '));
    bool ok = false;
    Port = first.value(1).toUShort(&ok);
    if (first.value(0) != QLatin1String("port") || !ok)
        throw StandInError(0, QStringLiteral("unexpected start-up line: %1").arg(first.join(QLatin1Char(' '))));
    Host = first.value(2) == QLatin1String("host") ? first.value(3) : QStringLiteral("127.0.0.1");
}

void StandIn::restart() {
    Process.kill();
    Process.waitForFinished(5000);
    // The same address and port as before, so that clients find it where they left it.
    Arguments[Arguments.indexOf(QStringLiteral("--port")) + 1] = QString::number(Port);
    const qsizetype host = Arguments.indexOf(QStringLiteral("--host"));
    if (host >= 0)
        Arguments[host + 1] = Host;
    start();
}

StandIn::~StandIn() {
    stop();
}

QStringList StandIn::namedInstance(const QString& AName) {
    return {QStringLiteral("--host"), QStringLiteral("auto"), QStringLiteral("--instance"), AName};
}

QString StandIn::server() const {
    if (!Instance.isEmpty())
        return Host + QLatin1Char('\\') + Instance;
    return QStringLiteral("%1,%2").arg(Host).arg(Port);
}

QString StandIn::connectionString() const {
    return QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4;TDS_Version=7.4")
        .arg(Credentials.user, Credentials.password, server(), Credentials.database);
}

QString StandIn::databaseFile() const {
    return Dir.filePath(QStringLiteral("kvora.sqlite"));
}

QString StandIn::logFile() const {
    return Dir.filePath(QStringLiteral("standin.log"));
}

QStringList StandIn::requests() const {
    static const QRegularExpression request(
        QStringLiteral("^\\S+ \\[\\d+\\] ((PRELOGIN|LOGIN7|BATCH|RPC|TRANSACTION)( .*)?)$"));
    QStringList found;
    QFile log(logFile());
    if (!log.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QRegularExpressionMatch match = request.match(QString::fromUtf8(line));
        if (match.hasMatch())
            found << match.captured(1);
    }
    return found;
}

qint64 StandIn::exec(const QString& sql, const QVariantList& values) {
    const QVariantList results =
        request({{"op", "exec"}, {"sql", sql}, {"params", values}}).value(QStringLiteral("results")).toList();
    return results.isEmpty() ? 0 : results.last().toMap().value(QStringLiteral("rowcount")).toLongLong();
}

QList<QVariantList> StandIn::query(const QString& sql, const QVariantList& values) {
    QList<QVariantList> rows;
    for (const QVariant& row : resultRows(request({{"op", "exec"}, {"sql", sql}, {"params", values}})))
        rows.append(row.toList());
    return rows;
}

QVariant StandIn::scalar(const QString& sql, const QVariantList& values) {
    const QList<QVariantList> rows = query(sql, values);
    return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
}

void StandIn::seedFile(const QString& path) {
    request({{"op", "seed"}, {"file", path}});
}

void StandIn::setFault(const QString& kind, const QVariantList& arguments) {
    request({{"op", "fault"}, {"kind", kind}, {"args", arguments}});
}

void StandIn::clearFaults() {
    setFault(QStringLiteral("clear"));
}

void StandIn::stop() {
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

QVariantMap StandIn::request(const QVariantMap& message) {
    if (!isRunning())
        throw StandInError(0, QStringLiteral("the stand-in is not running"));
    Process.write(QJsonDocument(QJsonObject::fromVariantMap(message)).toJson(QJsonDocument::Compact) + '\n');
    const QVariantMap reply = QJsonDocument::fromJson(readLine(RequestTimeoutMs).toUtf8()).object().toVariantMap();
    if (!reply.value(QStringLiteral("ok")).toBool())
        throw StandInError(reply.value(QStringLiteral("number")).toInt(),
                           reply.value(QStringLiteral("message")).toString());
    return reply;
}

QString StandIn::readLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!Process.canReadLine()) {
        if (Process.state() != QProcess::Running || deadline.hasExpired())
            throw StandInError(0, QStringLiteral("no answer from the stand-in"));
        Process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromUtf8(Process.readLine()).trimmed();
}
