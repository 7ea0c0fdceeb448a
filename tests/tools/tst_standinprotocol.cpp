// Session and protocol behaviour of the SQL Server stand-in, seen through unixODBC and FreeTDS: row counts under
// NOCOUNT, protocol versions, cancel and transactions.
#include "OdbcClient.h"
#include "StandIn.h"

#include <QtTest>

#include <memory>

namespace {

/// Sets TDSVER for the connections opened while it lives (FreeTDS reads it at connect time, over the
/// connection string); restores the previous value.
class ClientVersion {
public:
    explicit ClientVersion(const QByteArray& version) : Old(qgetenv("TDSVER")) { qputenv("TDSVER", version); }
    ~ClientVersion() { qputenv("TDSVER", Old); }
    ClientVersion(const ClientVersion&) = delete;
    ClientVersion& operator=(const ClientVersion&) = delete;

private:
    QByteArray Old;
};

OdbcParam wideMemo(const QString& v) {
    return {v, SQL_WLONGVARCHAR, SQLULEN(qMax<qsizetype>(v.size(), 1))};
}

const QString InsertNote = QStringLiteral("insert into MPIECEOLE (MBP_NATUREPIECEG, MBP_SOUCHE, MBP_NUMERO, "
                                          "MBP_INDICEG, MBP_QUALIFIANTOLE, MBP_BLOCNOTE) values ('FFO', 'S1', ?, 0, "
                                          "'PRR', ?)");

} // namespace

class TstStandInProtocol : public QObject {
    Q_OBJECT

private slots:
    void init();

    void rowCounts_data();
    void rowCounts();

    void protocolVersion_data();
    void protocolVersion();

    void transaction_data();
    void transaction();
    void transactionErrors();

private:
    std::unique_ptr<StandIn> Server;
    QString ServerVersion;
    std::unique_ptr<OdbcClient> Client;
};

void TstStandInProtocol::init() {
    Client = std::make_unique<OdbcClient>();
}

void TstStandInProtocol::rowCounts_data() {
    QTest::addColumn<bool>("serverNoCount");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("prepared");
    QTest::addColumn<SQLLEN>("expected");

    QTest::newRow("counts by default") << false << QString() << false << SQLLEN(2);
    QTest::newRow("SET NOCOUNT ON") << false << "SET NOCOUNT ON" << false << SQLLEN(-1);
    QTest::newRow("SET NOCOUNT ON, prepared") << false << "set nocount on" << true << SQLLEN(-1);
    QTest::newRow("server option") << true << QString() << false << SQLLEN(-1);
    QTest::newRow("server option, prepared") << true << QString() << true << SQLLEN(-1);
    QTest::newRow("server option, SET NOCOUNT OFF") << true << "SET NOCOUNT OFF" << false << SQLLEN(2);
}

void TstStandInProtocol::rowCounts() {
    QFETCH(bool, serverNoCount);
    QFETCH(QString, setting);
    QFETCH(bool, prepared);
    QFETCH(SQLLEN, expected);
    StandIn standIn(StandIn::Login{}, serverNoCount ? QStringList{QStringLiteral("--nocount")} : QStringList{});
    standIn.exec(QStringLiteral("insert into ETABLISS values ('1', 'a'); insert into ETABLISS values ('2', 'b')"));
    Client->connect(standIn.connectionString());
    if (!setting.isEmpty())
        Client->execute(setting);
    const OdbcResult updated = Client->execute(QStringLiteral("update ETABLISS set ET_LIBELLE = ?"),
                                               {{QStringLiteral("c"), SQL_WVARCHAR, 0}}, prepared);
    QCOMPARE(updated.rowCount, expected);
    QCOMPARE(standIn.scalar(QStringLiteral("select count(*) from ETABLISS where ET_LIBELLE = 'c'")), QVariant(2LL));
    // Another connection keeps the server's own setting.
    OdbcClient other;
    other.connect(standIn.connectionString());
    QCOMPARE(other.execute(QStringLiteral("delete from ETABLISS where ET_ETABLISSEMENT = '1'")).rowCount,
             serverNoCount ? SQLLEN(-1) : SQLLEN(1));
}

void TstStandInProtocol::protocolVersion_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("client");
    QTest::addColumn<QString>("dbmsVersion");
    QTest::addColumn<QByteArray>("noteType");

    const QList<QPair<QString, QString>> servers{
        {"7.1", "08.00."}, {"7.2", "09.00."}, {"7.3", "10.50."}, {"7.4", "13.00."}};
    for (const auto& [server, dbms] : servers)
        for (const QByteArray client : {"7.1", "7.2", "7.3", "7.4"}) {
            // FreeTDS declares long text by the version both sides settled on: ntext before 7.2.
            const bool before72 = server == QLatin1String("7.1") || client == "7.1";
            QTest::addRow("server %s, client %s", qPrintable(server), client.constData())
                << server << client << dbms << QByteArray(before72 ? "@P2 NTEXT'" : "@P2 NVARCHAR(MAX)'");
        }
}

void TstStandInProtocol::protocolVersion() {
    QFETCH(QString, server);
    QFETCH(QByteArray, client);
    QFETCH(QString, dbmsVersion);
    QFETCH(QByteArray, noteType);
    if (!Server || ServerVersion != server) {
        Server.reset();
        Server = std::make_unique<StandIn>(StandIn::Login{}, QStringList{QStringLiteral("--tds-version"), server});
        ServerVersion = server;
    }
    Server->exec(QStringLiteral("delete from MPIECEOLE"));
    ClientVersion version(client);
    Client->connect(Server->connectionString());
    QVERIFY2(Client->info(SQL_DBMS_VER).startsWith(dbmsVersion), qPrintable(Client->info(SQL_DBMS_VER)));

    // Long text crosses as PLP from 7.2 on and as ntext before; both ways, with a null.
    const QString longNote = QStringLiteral("Açaí – café 😀 <x/>").repeated(600);
    QCOMPARE(Client->execute(InsertNote, {{1, SQL_INTEGER}, wideMemo(longNote)}, true).rowCount, SQLLEN(1));
    QCOMPARE(Client->execute(InsertNote, {{2, SQL_INTEGER}, {QVariant(), SQL_WLONGVARCHAR, 1}}).rowCount, SQLLEN(1));
    const OdbcResult read =
        Client->execute(QStringLiteral("select MBP_NUMERO, MBP_BLOCNOTE from MPIECEOLE order by MBP_NUMERO"));
    const QList<QVariantList> expected{{1LL, longNote}, {2LL, QVariant()}};
    QCOMPARE(read.rows, expected);
    QCOMPARE(Server->scalar(QStringLiteral("select len(MBP_BLOCNOTE) from MPIECEOLE where MBP_NUMERO = 1")),
             QVariant(qlonglong(longNote.size())));

    QFile log(Server->logFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    const QByteArray session = text.mid(text.lastIndexOf("LOGIN7"));
    QVERIFY2(session.startsWith("LOGIN7 tds=0x" + client.left(1) + client.right(1)), session.left(40).constData());
    const QByteArray insert = session.mid(session.indexOf("RPC sp_prepexec"));
    QVERIFY2(insert.left(insert.indexOf('\n')).contains(noteType), insert.left(insert.indexOf('\n')).constData());
}

void TstStandInProtocol::transaction_data() {
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<qlonglong>("kept");

    // ODBC manual commit: FreeTDS sends transaction manager requests from 7.2 on, T-SQL before.
    for (const QByteArray version : {"7.4", "7.1"}) {
        for (const char* start : {"odbc", "BEGIN TRANSACTION", "SET IMPLICIT_TRANSACTIONS ON",
                                  "set nocount off\nset implicit_transactions on"}) {
            for (const auto& [end, kept] : {std::pair{"commit", 1}, {"rollback", 0}, {"disconnect", 0}})
                QTest::addRow("%s, %s, %s", version.constData(), start, end)
                    << version << QString::fromLatin1(start) << QString::fromLatin1(end) << qlonglong(kept);
        }
    }
}

void TstStandInProtocol::transaction() {
    QFETCH(QByteArray, version);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(qlonglong, kept);
    if (!Server || !ServerVersion.isEmpty()) {
        Server = std::make_unique<StandIn>();
        ServerVersion.clear();
    }
    Server->exec(QStringLiteral("delete from MPIECEOLE"));
    ClientVersion client(version);
    Client->connect(Server->connectionString());
    const bool odbc = start == QLatin1String("odbc");
    if (odbc)
        Client->setAutocommit(false);
    else
        Client->execute(start);
    QCOMPARE(Client->execute(InsertNote, {{1, SQL_INTEGER}, wideMemo(QStringLiteral("a"))}, true).rowCount, SQLLEN(1));
    Client->execute(InsertNote, {{2, SQL_INTEGER}, wideMemo(QStringLiteral("b"))});
    const QList<QVariantList> one{{1LL}};
    QCOMPARE(Client->execute(QStringLiteral("select @@TRANCOUNT")).rows, one);
    QCOMPARE(Client->execute(QStringLiteral("select count(*) from MPIECEOLE")).rows, QList<QVariantList>{{2LL}});
    const QString count = QStringLiteral("select count(*) from MPIECEOLE");
    QCOMPARE(Server->scalar(count), QVariant(0LL)); // not committed: other connections do not see it

    if (end == QLatin1String("disconnect")) {
        Client->disconnect();
    } else if (odbc) {
        Client->endTransaction(end == QLatin1String("commit"));
    } else {
        Client->execute(end == QLatin1String("commit") ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK TRAN"));
    }
    QCOMPARE(Server->scalar(count), QVariant(kept * 2));
    if (odbc) {
        QFile log(Server->logFile());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        const QByteArray session = text.mid(text.lastIndexOf("LOGIN7"));
        QVERIFY(session.contains(version == "7.1" ? "BATCH 'BEGIN TRANSACTION'" : "TRANSACTION begin"));
    }
    if (Client->connected()) {
        // ODBC manual commit mode goes on in a new transaction; T-SQL ends it.
        QCOMPARE(Client->execute(QStringLiteral("select @@TRANCOUNT")).rows, QList<QVariantList>{{odbc ? 1LL : 0LL}});
        QCOMPARE(Client->execute(count).rows, QList<QVariantList>{{kept * 2}});
    }
}

void TstStandInProtocol::transactionErrors() {
    Server = std::make_unique<StandIn>();
    Client->connect(Server->connectionString());
    const auto fails = [&](const QString& sql, int native, const QString& message) {
        try {
            Client->execute(sql);
            QFAIL(qPrintable(sql + QStringLiteral(" succeeded")));
        } catch (const OdbcError& e) {
            QCOMPARE(e.first().native, native);
            QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]") + message);
        }
    };
    fails(QStringLiteral("COMMIT"), 3902, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    fails(QStringLiteral("ROLLBACK"), 3903, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    // Nested BEGINs count; one ROLLBACK ends them all, whatever the count.
    Client->execute(QStringLiteral("BEGIN TRAN; BEGIN TRANSACTION T2"));
    QCOMPARE(Client->execute(QStringLiteral("select @@TRANCOUNT")).rows, QList<QVariantList>{{2LL}});
    Client->execute(QStringLiteral("insert into ETABLISS values ('1', 'a'); COMMIT"));
    QCOMPARE(Client->execute(QStringLiteral("select @@TRANCOUNT")).rows, QList<QVariantList>{{1LL}});
    Client->execute(QStringLiteral("ROLLBACK"));
    QCOMPARE(Client->execute(QStringLiteral("select @@TRANCOUNT")).rows, QList<QVariantList>{{0LL}});
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from ETABLISS")), QVariant(0LL));
}

QTEST_GUILESS_MAIN(TstStandInProtocol)
#include "tst_standinprotocol.moc"
