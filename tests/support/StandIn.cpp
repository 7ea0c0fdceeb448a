#include "StandIn.h"

#include "HostPath.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int RequestTimeoutMs = 30000;

/// The folder that holds the tds_standin package, on the build machine.
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
    Arguments = QStringList{QStringLiteral("--db"),         HostPath(databaseFile()),
                            QStringLiteral("--port"),       QStringLiteral("0"),
                            QStringLiteral("--user"),       login.user,
                            QStringLiteral("--password"),   login.password,
                            QStringLiteral("--database"),   login.database,
                            QStringLiteral("--log"),        HostPath(logFile()),
                            QStringLiteral("--parent-pid"), QString::number(StandInProcess::ParentId())};
    Arguments += extraArguments;
    const qsizetype instance = extraArguments.indexOf(QStringLiteral("--instance"));
    if (instance >= 0 && instance + 1 < extraArguments.size())
        Instance = extraArguments.at(instance + 1);
    start();
}

void StandIn::start() {
    Process.Start(Arguments, toolsFolder(), StartTimeoutMs);
    // "port N", or "port N host ADDRESS" when the stand-in chose its address.
    const QStringList first = Process.ReadLine(StartTimeoutMs).split(QLatin1Char(' '));
    bool ok = false;
    Port = first.value(1).toUShort(&ok);
    if (first.value(0) != QLatin1String("port") || !ok)
        throw StandInError(0, QStringLiteral("unexpected start-up line: %1").arg(first.join(QLatin1Char(' '))));
    Host = first.value(2) == QLatin1String("host") ? first.value(3) : QStringLiteral("127.0.0.1");
}

void StandIn::restart() {
    Process.Kill();
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
    request({{"op", "seed"}, {"file", HostPath(path)}});
}

void StandIn::setFault(const QString& kind, const QVariantList& arguments) {
    request({{"op", "fault"}, {"kind", kind}, {"args", arguments}});
}

void StandIn::clearFaults() {
    setFault(QStringLiteral("clear"));
}

void StandIn::stop() {
    Process.Stop();
}

QVariantMap StandIn::request(const QVariantMap& message) {
    if (!isRunning())
        throw StandInError(0, QStringLiteral("the stand-in is not running"));
    Process.WriteLine(QJsonDocument(QJsonObject::fromVariantMap(message)).toJson(QJsonDocument::Compact));
    const QVariantMap reply =
        QJsonDocument::fromJson(Process.ReadLine(RequestTimeoutMs).toUtf8()).object().toVariantMap();
    if (!reply.value(QStringLiteral("ok")).toBool())
        throw StandInError(reply.value(QStringLiteral("number")).toInt(),
                           reply.value(QStringLiteral("message")).toString());
    return reply;
}
