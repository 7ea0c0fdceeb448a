// A SQL Server connection held across statements, against the stand-in through unixODBC and the real FreeTDS driver:
// a statement run again is not prepared again, a connection that the server closed while it sat idle is noticed
// before anything is sent on it (once idle long enough to be looked at), and a failure after sending is never taken
// for one before.
#include "ManualClock.h"
#include "StandIn.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/odbc/ConnectionSocket.h"
#include "data/odbc/MSSQLBackend.h"

#include <QTest>

namespace {

const QString Insert = QStringLiteral("insert into TNOTE (ID, REF, NOTE) values (:ID, :REF, :NOTE)");
const QString LostWhileIdle = QStringLiteral("[Strata][Phys][ODBC] The connection to the server was lost while idle; "
                                             "the statement was not sent");

/// The procedure names of the RPC requests among AServer's requests from AFirst on.
QStringList Procedures(const StandIn& AServer, qsizetype AFirst) {
    QStringList Names;
    for (const QString& Request : AServer.requests().mid(AFirst)) {
        if (Request.startsWith(QLatin1String("RPC ")))
            Names << Request.section(QLatin1Char(' '), 1, 1);
    }
    return Names;
}

} // namespace

class tst_OdbcHeldConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void executedAgainWithoutPreparing_data();
    void executedAgainWithoutPreparing();
    void narrowTextOfAnyLengthPreparedOnce_data();
    void narrowTextOfAnyLengthPreparedOnce();
    void lostWhileIdleIsNotSent();
    void lossLookedForOnlyPastIdleThreshold_data();
    void lossLookedForOnlyPastIdleThreshold();
    void replyLostAfterRunMayHaveRun();

private:
    qint64 Store(int AId, const QString& ARef, const QString& ANote);

    std::unique_ptr<StandIn> Server;
    std::unique_ptr<TDbConnection> Connection;
};

void tst_OdbcHeldConnection::initTestCase() {
    RegisterMSSQLBackend();
    Server = std::make_unique<StandIn>();
    Server->exec(QStringLiteral("create table TNOTE (ID int primary key, REF varchar(20), NOTE nvarchar(max))"));
    Server->exec(QStringLiteral("create table TTEXT (ID int primary key, TEXT varchar(max))"));
}

void tst_OdbcHeldConnection::init() {
    Server->clearFaults();
    Server->exec(QStringLiteral("delete from TNOTE; delete from TTEXT"));
    Connection = std::make_unique<TDbConnection>();
    Connection->setObjectName(QStringLiteral("Connection"));
    Connection->Params = QStringList{QStringLiteral("DriverID=MSSQL"), "Server=" + Server->server(),
                                     "Database=" + Server->login().database, "User_Name=" + Server->login().user,
                                     "Password=" + Server->login().password};
    Connection->Open();
}

void tst_OdbcHeldConnection::cleanup() {
    Connection.reset();
}

qint64 tst_OdbcHeldConnection::Store(int AId, const QString& ARef, const QString& ANote) {
    TDbParams Params;
    Params.AddParam(TDbFieldType::ftString, QStringLiteral("ID")).Value = QString::number(AId);
    Params.AddParam(TDbFieldType::ftString, QStringLiteral("REF")).Value = ARef;
    Params.AddParam(TDbFieldType::ftWideMemo, QStringLiteral("NOTE")).Value = ANote;
    return Connection->ExecSQL(Insert, Params);
}

void tst_OdbcHeldConnection::executedAgainWithoutPreparing_data() {
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("mostPrepares");
    QTest::newRow("notes of one length") << QList<int>{20, 20, 20, 20} << 1;
    QTest::newRow("shorter after longer") << QList<int>{3000, 10, 0, 2999, 1} << 1;
    QList<int> Varied;
    for (int I = 0; I < 40; ++I)
        Varied << (I * 7919) % 20000; // lengths all over the range, in no order
    QTest::newRow("varied lengths") << Varied << 10;
}

void tst_OdbcHeldConnection::executedAgainWithoutPreparing() {
    QFETCH(QList<int>, lengths);
    QFETCH(int, mostPrepares);
    const qsizetype First = Server->requests().size();
    QStringList Notes;
    for (int I = 0; I < lengths.size(); ++I) {
        Notes << QString(lengths[I], QChar(char16_t(u'á' + I % 20)));
        QCOMPARE(Store(I, QStringLiteral("R1"), Notes.last()), 1);
    }
    const QStringList Calls = Procedures(*Server, First);
    QCOMPARE(Calls.size() - Calls.count(QStringLiteral("sp_unprepare")), lengths.size());
    QVERIFY2(Calls.count(QStringLiteral("sp_prepexec")) <= mostPrepares, qPrintable(Calls.join(u' ')));
    // Every value arrives whole, a short one after a long one included.
    const QList<QVariantList> Rows = Server->query(QStringLiteral("select NOTE from TNOTE order by ID"));
    QCOMPARE(Rows.size(), lengths.size());
    for (int I = 0; I < lengths.size(); ++I)
        QCOMPARE(Rows[I].value(0).toString(), Notes[I]);
}

void tst_OdbcHeldConnection::narrowTextOfAnyLengthPreparedOnce_data() {
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("prepares");
    QTest::newRow("longer after shorter") << QList<int>{2, 5, 3} << 1;
    QTest::newRow("empty, then the longest varchar") << QList<int>{0, 8000, 1} << 1;
    QTest::newRow("past it, long text from then on") << QList<int>{10, 8001, 10, 8100} << 2;
}

void tst_OdbcHeldConnection::narrowTextOfAnyLengthPreparedOnce() {
    QFETCH(QList<int>, lengths);
    QFETCH(int, prepares);
    const qsizetype First = Server->requests().size();
    QStringList Texts;
    for (int I = 0; I < lengths.size(); ++I) {
        QString Text(lengths[I], QLatin1Char('a' + I));
        if (!Text.isEmpty()) {
            Text.back() = QLatin1Char('Z'); // a marker at the end shows any cut
        }
        Texts << Text;
        TDbParams Params;
        Params.AddParam(TDbFieldType::ftString, QStringLiteral("ID")).Value = QString::number(I);
        Params.AddParam(TDbFieldType::ftString, QStringLiteral("TEXT")).Value = Texts.last();
        QCOMPARE(Connection->ExecSQL(QStringLiteral("insert into TTEXT (ID, TEXT) values (:ID, :TEXT)"), Params), 1);
    }
    const QStringList Calls = Procedures(*Server, First);
    QCOMPARE(Calls.count(QStringLiteral("sp_prepexec")), prepares);
    const QList<QVariantList> Rows = Server->query(QStringLiteral("select TEXT from TTEXT order by ID"));
    QCOMPARE(Rows.size(), lengths.size());
    for (int I = 0; I < lengths.size(); ++I)
        QCOMPARE(Rows[I].value(0).toString(), Texts[I]);
}

void tst_OdbcHeldConnection::lostWhileIdleIsNotSent() {
    QCOMPARE(Store(1, QStringLiteral("R1"), QStringLiteral("<a/>")), 1);
    Server->restart();
    const qsizetype First = Server->requests().size();
    try {
        Store(2, QStringLiteral("R2"), QStringLiteral("<b/>"));
        QFAIL("the statement was sent");
    } catch (const EDbEngineError& Error) {
        QVERIFY(Error.NotSent);
        QCOMPARE(Error.message(), LostWhileIdle);
        QCOMPARE(Error.Records.value(0).SqlState, QStringLiteral("08S01"));
        QCOMPARE(Error.Records.value(0).Kind, TDbErrorKind::ServerGone);
        QCOMPARE(Error.ObjectName, QStringLiteral("Connection"));
        QCOMPARE(Error.CommandText, Insert);
    }
    QCOMPARE(Server->requests().mid(First), QStringList());
    // A new connection carries it.
    Connection->Close();
    Connection->Open();
    QCOMPARE(Store(2, QStringLiteral("R2"), QStringLiteral("<b/>")), 1);
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from TNOTE")), QVariant(2LL));
}

void tst_OdbcHeldConnection::lossLookedForOnlyPastIdleThreshold_data() {
    QTest::addColumn<qint64>("idleMs");
    QTest::addColumn<bool>("lookedFor");
    QTest::newRow("idle just under the threshold") << ConnectionSocket::IdleCheckMs - 1 << false;
    QTest::newRow("idle for the threshold") << ConnectionSocket::IdleCheckMs << true;
}

// The server restarts however long the clock says the connection sat idle: under the threshold the statement goes
// to the driver, which finds the connection lost; from it on the loss is noticed before anything is sent.
void tst_OdbcHeldConnection::lossLookedForOnlyPastIdleThreshold() {
    QFETCH(qint64, idleMs);
    QFETCH(bool, lookedFor);
    ManualClock Clock;
    // The idle time counts from this reply, on the manual clock.
    QCOMPARE(Store(1, QStringLiteral("R1"), QStringLiteral("<a/>")), 1);
    Server->restart();
    Clock.advance(idleMs);
    try {
        Store(2, QStringLiteral("R2"), QStringLiteral("<b/>"));
        QFAIL("stored on a lost connection");
    } catch (const EDbEngineError& Error) {
        QCOMPARE(Error.message() == LostWhileIdle, lookedFor);
    }
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from TNOTE")), QVariant(1LL));
}

void tst_OdbcHeldConnection::replyLostAfterRunMayHaveRun() {
    QCOMPARE(Store(1, QStringLiteral("R1"), QStringLiteral("<a/>")), 1);
    Server->setFault(QStringLiteral("drop_after_run"), {QStringLiteral("insert into TNOTE")});
    try {
        Store(2, QStringLiteral("R2"), QStringLiteral("<b/>"));
        QFAIL("the reply arrived");
    } catch (const EDbEngineError& Error) {
        QVERIFY(!Error.NotSent);
        QCOMPARE(Error.Records.value(0).NativeError, 20017);
    }
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from TNOTE")), QVariant(2LL));
}

QTEST_GUILESS_MAIN(tst_OdbcHeldConnection)
#include "tst_odbcheldconnection.moc"
