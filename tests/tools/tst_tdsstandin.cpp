// The SQL Server stand-in seen through the real unixODBC driver manager and FreeTDS driver.
#include "OdbcClient.h"
#include "StandIn.h"

#include <QElapsedTimer>
#include <QSet>
#include <QtTest>

#include <memory>

namespace {

const QString Unicode = QStringLiteral("Nota fiscal ação € – Ω 中文 😀");

OdbcParam varcharParam(const QString& v) {
    return {v, SQL_VARCHAR, 0};
}

OdbcParam wideMemoParam(const QString& v, SQLSMALLINT type = SQL_WLONGVARCHAR) {
    return {v, type, SQLULEN(qMax<qsizetype>(v.size(), 1))};
}

} // namespace

class TstTdsStandIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void login_data();
    void login();
    void loginAnnouncesServer();

    void parameterRoundTrip_data();
    void parameterRoundTrip();
    void varcharOutsideCodePage();
    void rowSet();
    void preparedStatementReused();
    void seededFromFile();

    void serverError_data();
    void serverError();

    void faultRefusesLogin();
    void faultDropsAfterStatements();
    void faultDropsOnPattern();
    void faultAnswersWithError();
    void faultDelaysAndCancel();
    void faultSetByStatement();

private:
    OdbcClient& connected();

    std::unique_ptr<StandIn> Server;
    std::unique_ptr<OdbcClient> Client;
};

void TstTdsStandIn::initTestCase() {
    Server = std::make_unique<StandIn>();
    QVERIFY(Server->port() > 0);
    Server->exec(QStringLiteral("create table CHILD (ID int primary key, STORE nvarchar(6) "
                                "references ETABLISS (ET_ETABLISSEMENT))"));
}

void TstTdsStandIn::init() {
    Server->clearFaults();
    Server->exec(QStringLiteral("delete from MPIECEOLE; delete from LIGNE; delete from piece; "
                                "delete from ETABLISS; delete from MJOURSCAISSEOLE"));
    Client = std::make_unique<OdbcClient>();
}

OdbcClient& TstTdsStandIn::connected() {
    if (!Client->connected())
        Client->connect(Server->connectionString());
    return *Client;
}

void TstTdsStandIn::login_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("message");

    QTest::newRow("accepted") << "kvora"
                              << "kvora"
                              << "KVORA" << 0 << "";
    QTest::newRow("database name in another case") << "kvora"
                                                   << "kvora"
                                                   << "kvora" << 0 << "";
    QTest::newRow("wrong password") << "kvora"
                                    << "wrong"
                                    << "KVORA" << 18456 << "Login failed for user 'kvora'.";
    QTest::newRow("unknown user") << "ghost"
                                  << "kvora"
                                  << "KVORA" << 18456 << "Login failed for user 'ghost'.";
    QTest::newRow("unknown database") << "kvora"
                                      << "kvora"
                                      << "NOPE" << 4060
                                      << "Cannot open database \"NOPE\" requested by the login. The login failed.";
}

void TstTdsStandIn::login() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(int, native);
    QFETCH(QString, message);
    const QString cs = QStringLiteral("DRIVER=FreeTDS;UID=%1;PWD=%2;Server=%3;Database=%4")
                           .arg(user, password, Server->server(), database);
    try {
        Client->connect(cs);
        QCOMPARE(native, 0);
        QCOMPARE(Client->execute(QStringLiteral("select 1")).rows, QList<QVariantList>{{1}});
    } catch (const OdbcError& e) {
        QVERIFY2(native != 0, e.what());
        const auto records = e.records();
        const auto it =
            std::find_if(records.begin(), records.end(), [&](const OdbcDiag& d) { return d.native == native; });
        QVERIFY2(it != records.end(), e.what());
        QCOMPARE(it->message, QStringLiteral("[FreeTDS][SQL Server]") + message);
        QCOMPARE(it->state, QStringLiteral("42000"));
        QVERIFY(!Client->connected());
    }
}

void TstTdsStandIn::loginAnnouncesServer() {
    OdbcClient& c = connected();
    QCOMPARE(c.info(SQL_DBMS_NAME), QStringLiteral("Microsoft SQL Server"));
    QVERIFY2(c.info(SQL_DBMS_VER).startsWith(QLatin1String("13.")), qPrintable(c.info(SQL_DBMS_VER)));
    QCOMPARE(c.info(SQL_DATABASE_NAME), QStringLiteral("KVORA"));
}

void TstTdsStandIn::parameterRoundTrip_data() {
    QTest::addColumn<bool>("prepared");
    QTest::addColumn<int>("wideType");
    QTest::addColumn<QString>("note");

    const QString longNote = QString(Unicode + QStringLiteral(" <x/>")).repeated(700); // several PLP chunks
    QTest::newRow("direct, long wide text") << false << int(SQL_WLONGVARCHAR) << Unicode;
    QTest::newRow("prepared, long wide text") << true << int(SQL_WLONGVARCHAR) << Unicode;
    QTest::newRow("direct, wide varchar") << false << int(SQL_WVARCHAR) << Unicode;
    QTest::newRow("prepared, 24 kB note") << true << int(SQL_WLONGVARCHAR) << longNote;
    QTest::newRow("prepared, empty note") << true << int(SQL_WLONGVARCHAR) << QString(QLatin1String(""));
}

void TstTdsStandIn::parameterRoundTrip() {
    QFETCH(bool, prepared);
    QFETCH(int, wideType);
    QFETCH(QString, note);
    OdbcClient& c = connected();
    const QString insert =
        QStringLiteral("insert into MPIECEOLE (MBP_NUMERO, MBP_NATUREPIECEG, MBP_SOUCHE, MBP_INDICEG, "
                       "MBP_QUALIFIANTOLE, MBP_BLOCNOTE) values (?, ?, ?, ?, ?, ?)");
    const OdbcResult inserted = c.execute(insert,
                                          {{7, SQL_INTEGER},
                                           varcharParam("FFO"),
                                           wideMemoParam(QStringLiteral("Sé-Ω"), SQL_WVARCHAR),
                                           {0, SQL_INTEGER},
                                           varcharParam("PRR"),
                                           wideMemoParam(note, SQLSMALLINT(wideType))},
                                          prepared);
    QCOMPARE(inserted.rowCount, SQLLEN(1));

    const OdbcResult read = c.execute(QStringLiteral("select MBP_NUMERO, MBP_SOUCHE, MBP_QUALIFIANTOLE, MBP_BLOCNOTE "
                                                     "from MPIECEOLE where MBP_NUMERO = ?"),
                                      {{7, SQL_INTEGER}}, prepared);
    QCOMPARE(read.columns, QStringList({"MBP_NUMERO", "MBP_SOUCHE", "MBP_QUALIFIANTOLE", "MBP_BLOCNOTE"}));
    QCOMPARE(read.rows.size(), 1);
    QCOMPARE(read.rows[0][0], QVariant(7LL));
    QCOMPARE(read.rows[0][1].toString(), QStringLiteral("Sé-?")); // 8-bit column keeps Windows-1252 only
    QCOMPARE(read.rows[0][2].toString(), QStringLiteral("PRR"));
    QCOMPARE(read.rows[0][3].toString(), note); // Unicode column keeps everything
    QCOMPARE(Server->scalar(QStringLiteral("select MBP_BLOCNOTE from MPIECEOLE")).toString(), note);
}

void TstTdsStandIn::varcharOutsideCodePage() {
    // 8-bit parameters travel in Windows-1252: FreeTDS converts what it can (from UTF-16, or from UTF-8 for
    // SQL_C_CHAR) and refuses a value with any other character before sending anything.
    OdbcClient& c = connected();
    const QString insert = QStringLiteral("insert into ETABLISS values (?, ?)");
    c.execute(insert, {varcharParam("1"), varcharParam(QStringLiteral("?-çã€Ü"))});
    c.execute(insert, {varcharParam("2"), OdbcParam{QStringLiteral("?-çã€Ü").toUtf8(), SQL_VARCHAR, 0}});
    try {
        c.execute(insert, {varcharParam("3"), varcharParam(QStringLiteral("Ω-çã€"))});
        QFAIL("FreeTDS sent a character that Windows-1252 lacks");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().state, QStringLiteral("HY000"));
        QCOMPARE(e.first().native, 2402);
    }
    const QList<QVariantList> expected{{"1", "?-çã€Ü"}, {"2", "?-çã€Ü"}};
    QCOMPARE(Server->query(QStringLiteral("select * from ETABLISS order by 1")), expected);
}

void TstTdsStandIn::rowSet() {
    Server->exec(QStringLiteral("insert into ETABLISS values ('003', N'Loja três'); "
                                "insert into ETABLISS values ('001', N'Loja um'); "
                                "insert into ETABLISS values ('002', null)"));
    const OdbcResult r = connected().execute(
        QStringLiteral("select ET_ETABLISSEMENT, ET_LIBELLE, len(ET_LIBELLE) as N from ETABLISS order by 1"));
    QCOMPARE(r.columns, QStringList({"ET_ETABLISSEMENT", "ET_LIBELLE", "N"}));
    const QList<QVariantList> expected{
        {"001", "Loja um", 7LL}, {"002", QVariant(), QVariant()}, {"003", "Loja três", 9LL}};
    QCOMPARE(r.rows, expected);

    const OdbcResult none = connected().execute(QStringLiteral("select ET_LIBELLE from ETABLISS where 1 = 0"));
    QCOMPARE(none.columns, QStringList{"ET_LIBELLE"});
    QVERIFY(none.rows.isEmpty());
}

void TstTdsStandIn::preparedStatementReused() {
    OdbcClient& c = connected();
    const OdbcResult r = c.execute(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT, ET_LIBELLE) "
                                                  "select coalesce(max(ET_ETABLISSEMENT), 0) + 1, ? from ETABLISS"),
                                   {wideMemoParam(QStringLiteral("x"), SQL_WVARCHAR)}, true, 3);
    QCOMPARE(r.rowCount, SQLLEN(1));
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from ETABLISS")), QVariant(3LL));
    QVERIFY(QFile::exists(Server->logFile()));
    QFile log(Server->logFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("RPC sp_prepexec"));
    QVERIFY(text.contains("RPC sp_execute "));
    QVERIFY(text.contains("RPC sp_unprepare"));
}

void TstTdsStandIn::seededFromFile() {
    QTemporaryDir dir;
    QFile seed(dir.filePath(QStringLiteral("seed.json")));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    seed.write(R"({"LIGNE": [{"GL_ETABLISSEMENT": "001", "GL_SOUCHE": "S1", "GL_NUMERO": 1, "GL_NUMLIGNE": 1,
                              "GL_QTERESTE": 2.5},
                             {"GL_ETABLISSEMENT": "001", "GL_SOUCHE": "S1", "GL_NUMERO": 1, "GL_NUMLIGNE": 2,
                              "GL_QTERESTE": null}]})");
    seed.close();
    Server->seedFile(seed.fileName());
    const OdbcResult r = connected().execute(
        QStringLiteral("select GL_NUMLIGNE, GL_QTERESTE from LIGNE where GL_SOUCHE = 's1' order by GL_NUMLIGNE"));
    const QList<QVariantList> expected{{1LL, "2.5000"}, {2LL, QVariant()}};
    QCOMPARE(r.rows, expected);
    QVERIFY_THROWS_EXCEPTION(StandInError, Server->seedFile(dir.filePath(QStringLiteral("missing.sql"))));
}

void TstTdsStandIn::serverError_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("native");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown table") << "select * from NOPE" << 208 << "42S02"
                                   << "Invalid object name 'NOPE'.";
    QTest::newRow("unknown column") << "select NOPE from piece" << 207 << "42S22"
                                    << "Invalid column name 'NOPE'.";
    QTest::newRow("syntax") << "select 1 +" << 102 << "42000"
                            << "Incorrect syntax near '+'.";
    QTest::newRow("duplicate key")
        << "insert into ETABLISS values ('a01 ', 'y')" << 2627 << "23000"
        << "Violation of PRIMARY KEY constraint 'PK_ETABLISS'. Cannot insert duplicate key in object "
           "'dbo.ETABLISS'. The duplicate key value is (a01 ).";
    QTest::newRow("null into key")
        << "insert into ETABLISS (ET_LIBELLE) values ('x')" << 515 << "23000"
        << "Cannot insert the value NULL into column 'ET_ETABLISSEMENT', table 'KVORA.dbo.ETABLISS'; column does not "
           "allow nulls. INSERT fails.";
    QTest::newRow("foreign key")
        << "insert into CHILD values (1, 'zzz')" << 547 << "23000"
        << "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_CHILD_ETABLISS\". The conflict "
           "occurred in database \"KVORA\", table \"dbo.ETABLISS\", column 'ET_ETABLISSEMENT'.";
    QTest::newRow("too long") << "insert into ETABLISS values ('1234567', 'x')" << 8152 << "22001"
                              << "String or binary data would be truncated.";
    QTest::newRow("unknown procedure") << "exec sp_nope 1" << 2812 << "42000"
                                       << "Could not find stored procedure 'sp_nope'.";
}

void TstTdsStandIn::serverError() {
    QFETCH(QString, sql);
    QFETCH(int, native);
    QFETCH(QString, state);
    QFETCH(QString, message);
    Server->exec(QStringLiteral("insert into ETABLISS values ('A01', 'x')"));
    try {
        connected().execute(sql);
        QFAIL("the statement succeeded");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().native, native);
        QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]") + message);
        QCOMPARE(e.first().state, state);
    }
    QCOMPARE(connected().execute(QStringLiteral("select 2")).rows, QList<QVariantList>{{2}}); // connection usable
}

void TstTdsStandIn::faultRefusesLogin() {
    Server->setFault(QStringLiteral("refuse_login"));
    QVERIFY_THROWS_EXCEPTION(OdbcError, Client->connect(Server->connectionString()));
    try {
        Client->connect(Server->connectionString());
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().native, 18456);
        QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'kvora'."));
        QCOMPARE(e.records().value(1).state, QStringLiteral("08001"));
    }
    Server->clearFaults();
    QCOMPARE(connected().execute(QStringLiteral("select 1")).rows.size(), 1);
}

void TstTdsStandIn::faultDropsAfterStatements() {
    OdbcClient& c = connected();
    Server->setFault(QStringLiteral("drop_after"), {2});
    c.execute(QStringLiteral("select 1"));
    c.execute(QStringLiteral("select 2"));
    try {
        c.execute(QStringLiteral("select 3"));
        QFAIL("the third statement was answered");
    } catch (const OdbcError& e) {
        // What FreeTDS reports for a connection the server closed.
        QCOMPARE(e.first().native, 20017);
        QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]Unexpected EOF from the server"));
    }
    Server->clearFaults();
    c.connect(Server->connectionString());
    QCOMPARE(c.execute(QStringLiteral("select 4")).rows, QList<QVariantList>{{4}});
}

void TstTdsStandIn::faultDropsOnPattern() {
    OdbcClient& c = connected();
    Server->setFault(QStringLiteral("drop_on"), {QStringLiteral("insert\\s+into\\s+mpieceole")});
    QCOMPARE(c.execute(QStringLiteral("select 1")).rows.size(), 1);
    QVERIFY_THROWS_EXCEPTION(OdbcError, c.execute(QStringLiteral("INSERT INTO MPIECEOLE values (1)")));
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from MPIECEOLE")), QVariant(0LL));
}

void TstTdsStandIn::faultAnswersWithError() {
    OdbcClient& c = connected();
    Server->setFault(QStringLiteral("error"), {1205, QStringLiteral("ETABLISS")});
    QCOMPARE(c.execute(QStringLiteral("select 1")).rows.size(), 1);
    try {
        c.execute(QStringLiteral("insert into ETABLISS values (?, ?)"),
                  {varcharParam("1"), wideMemoParam("x", SQL_WVARCHAR)}, true);
        QFAIL("the statement succeeded");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().native, 1205);
        QCOMPARE(e.first().state, QStringLiteral("42000")); // FreeTDS gives no deadlock state of its own
        QVERIFY(e.first().message.contains(QLatin1String("deadlocked")));
    }
    QCOMPARE(Server->scalar(QStringLiteral("select count(*) from ETABLISS")), QVariant(0LL));
    Server->setFault(QStringLiteral("error"), {50001, QStringLiteral("select 7"), QStringLiteral("Sete.")});
    try {
        c.execute(QStringLiteral("select 7"));
        QFAIL("the statement succeeded");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().native, 50001);
        QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]Sete."));
    }
}

void TstTdsStandIn::faultDelaysAndCancel() {
    OdbcClient& c = connected();
    Server->setFault(QStringLiteral("delay"), {1.0, QStringLiteral("select 5")});
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(c.execute(QStringLiteral("select 5")).rows, QList<QVariantList>{{5}});
    QVERIFY(timer.elapsed() >= 900);

    Server->setFault(QStringLiteral("delay"), {5.0, QStringLiteral("select 6")});
    c.setQueryTimeout(1);
    timer.restart();
    try {
        c.execute(QStringLiteral("select 6"));
        QFAIL("the statement was not cancelled");
    } catch (const OdbcError& e) {
        QCOMPARE(e.first().state, QStringLiteral("HYT00"));
    }
    QVERIFY(timer.elapsed() < 4500);
    QCOMPARE(c.execute(QStringLiteral("select 8")).rows, QList<QVariantList>{{8}}); // cancel was acknowledged
}

void TstTdsStandIn::faultSetByStatement() {
    OdbcClient& c = connected();
    c.execute(QStringLiteral("exec standin_fault 'error', 208, 'piece'"));
    QVERIFY_THROWS_EXCEPTION(OdbcError, c.execute(QStringLiteral("select * from piece")));
    c.execute(QStringLiteral("exec standin_fault 'clear'"));
    QVERIFY(c.execute(QStringLiteral("select * from piece")).rows.isEmpty());
    QVERIFY_THROWS_EXCEPTION(OdbcError, c.execute(QStringLiteral("exec standin_fault 'bogus'")));
}

QTEST_GUILESS_MAIN(TstTdsStandIn)
#include "tst_tdsstandin.moc"
