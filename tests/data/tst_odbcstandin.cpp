// The MSSQL back end against the SQL Server stand-in through unixODBC and the real FreeTDS driver.
#include "PerPlatform.h"
#include "StandIn.h"
#include "StatementRows.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/TDbQuery.h"
#include "data/odbc/MSSQLBackend.h"
#include "data/odbc/TOdbcBackend.h"

#include <QDateTime>
#include <QTest>

Q_DECLARE_METATYPE(TDbErrorKind)

namespace {

QStringList ParamsFor(const StandIn& AServer, const StandIn::Login& ALogin) {
    return {"DriverID=MSSQL", "Server=" + AServer.server(), "Database=" + ALogin.database, "User_Name=" + ALogin.user,
            "Password=" + ALogin.password};
}

} // namespace

class tst_OdbcStandIn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void driverChoicePicksFreeTds();
    void specialLoginValuesArriveIntact_data();
    void specialLoginValuesArriveIntact();
    void wrongPasswordIsUserPwdInvalid();
    void narrowAndWideText_data();
    void narrowAndWideText();
    void longTextArrivesWhole_data();
    void longTextArrivesWhole();
    void columnKindsAndValues();
    void serverErrorKinds_data();
    void serverErrorKinds();
    void droppedConnectionFailsTheStatement();
    void connectionBindsByPosition();
    void statementsFollowOneAnother();
    void openResultSurvivesOtherStatement();

private:
    std::unique_ptr<StandIn> Server;
    std::unique_ptr<TOdbcBackend> Backend;
};

void tst_OdbcStandIn::initTestCase() {
    RegisterMSSQLBackend();
    Server = std::make_unique<StandIn>();
    Server->exec("create table TX (ID int primary key, NARROW varchar(50), WIDE nvarchar(max))");
    Server->exec("create table TLONG (ID int primary key, NARROW varchar(max), WIDE nvarchar(max))");
    Server->exec("create table TPARENT (ID int primary key)");
    Server->exec("create table TCHILD (ID int primary key, PARENT_ID int references TPARENT(ID))");
    Server->exec("insert into TPARENT (ID) values (1)");
    Server->exec("insert into TCHILD (ID, PARENT_ID) values (1, 1)");
}

void tst_OdbcStandIn::init() {
    Server->clearFaults();
    Server->exec("delete from TX; delete from TLONG");
    Backend = std::make_unique<TOdbcBackend>();
    Backend->Open(ParamsFor(*Server, Server->login()));
}

void tst_OdbcStandIn::cleanup() {
    Backend.reset();
}

void tst_OdbcStandIn::driverChoicePicksFreeTds() {
    QCOMPARE(Backend->DriverName(), QString("FreeTDS"));
    QVERIFY(!Backend->WideMemoAsMax());
    QVERIFY2(Backend->ServerVersion().section('.', 0, 0).toInt() >= 9, qPrintable(Backend->ServerVersion()));
    auto Statement = Backend->Prepare("select 40 + 2");
    Statement->Execute({});
    const QList<QVariantList> Rows = ReadAll(*Statement);
    QCOMPARE(Rows.size(), 1);
    QCOMPARE(Rows[0][0], QVariant(42));
}

void tst_OdbcStandIn::specialLoginValuesArriveIntact_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::newRow("semicolon") << "a;b"
                               << "KVORA";
    QTest::newRow("braces, equals, trailing blank") << "p;w{x}=y "
                                                    << "KVORA";
    QTest::newRow("braced already") << "{ab}"
                                    << "KVORA";
    QTest::newRow("doubled closing braces") << "x}}y{"
                                            << "KVORA";
    QTest::newRow("closing brace at the end") << "abc}"
                                              << "KVORA";
    QTest::newRow("leading blank") << " pw"
                                   << "KVORA";
    QTest::newRow("driver keyword inside") << "x;DRIVER=SQLite3;"
                                           << "KVORA";
    QTest::newRow("braced last value") << "pw"
                                       << "KV;{O}RA";
    QTest::newRow("last value ending in a brace") << "pw"
                                                  << "KVORA}";
}

void tst_OdbcStandIn::specialLoginValuesArriveIntact() {
    QFETCH(QString, password);
    QFETCH(QString, database);
    StandIn::Login Login;
    Login.password = password;
    Login.database = database;
    StandIn Special(Login);
    TOdbcBackend Client;
    Client.Open(ParamsFor(Special, Login));
    auto Statement = Client.Prepare("select 1");
    Statement->Execute({});
    QCOMPARE(ReadAll(*Statement).size(), 1);
    // A value cut short by the connection string would have failed the login; a stray brace as well.
    TOdbcBackend Wrong;
    StandIn::Login Altered = Login;
    Altered.password = password + "x";
    QVERIFY_THROWS_EXCEPTION(EDbEngineError, Wrong.Open(ParamsFor(Special, Altered)));
}

void tst_OdbcStandIn::wrongPasswordIsUserPwdInvalid() {
    StandIn::Login Login = Server->login();
    Login.password = "wrong";
    TOdbcBackend Client;
    try {
        Client.Open(ParamsFor(*Server, Login));
        QFAIL("login succeeded");
    } catch (const EDbEngineError& Error) {
        QCOMPARE(Error.message(),
                 "[Strata][Phys][ODBC][FreeTDS][SQL Server]Login failed for user '" + Login.user + "'.");
        QCOMPARE(Error.LayerCode, 1200);
        QVERIFY(!Error.Records.isEmpty());
        QCOMPARE(Error.Records[0].NativeError, 18456);
        QCOMPARE(Error.Records[0].Kind, TDbErrorKind::UserPwdInvalid);
        QCOMPARE(Error.Records[0].DisplayText, "SQL state: " + Error.Records[0].SqlState +
                                                   ". Native error: 18456. Error message: \r\n" +
                                                   Error.Records[0].MessageText);
    }
    QVERIFY_THROWS_EXCEPTION(EDbError, Client.Prepare("select 1"));
}

void tst_OdbcStandIn::narrowAndWideText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("narrowStored");
    QTest::newRow("Portuguese") << "Ação São João"
                                << "Ação São João";
    QTest::newRow("code page punctuation") << "€ “aspas” – …"
                                           << "€ “aspas” – …";
    QTest::newRow("outside the code page")
        << "Ωmega 中" << PerPlatform(QStringLiteral("?mega ?"), QStringLiteral("Omega ?"));
    QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
    QTest::newRow("null text is stored empty") << QString() << QStringLiteral("");
}

void tst_OdbcStandIn::narrowAndWideText() {
    QFETCH(QString, text);
    QFETCH(QString, narrowStored);
    auto Insert = Backend->Prepare("insert into TX (ID, NARROW, WIDE) values (?, ?, ?)");
    Insert->Execute({{TDbFieldType::ftString, "1"}, {TDbFieldType::ftString, text}, {TDbFieldType::ftWideMemo, text}});
    QCOMPARE(Insert->RowsAffected(), 1);
    // What the server stored, read over the stand-in's own channel...
    const QList<QVariantList> Stored = Server->query("select NARROW, WIDE from TX where ID = 1");
    QCOMPARE(Stored.size(), 1);
    // A NULL reads as a null QString, equal to ""; only isNull() tells them apart.
    QVERIFY(!Stored[0][0].isNull() && !Stored[0][1].isNull());
    QCOMPARE(Stored[0][0].toString(), narrowStored);
    QCOMPARE(Stored[0][1].toString(), text);
    QCOMPARE(Server->scalar("select count(*) from TX where NARROW is null or WIDE is null"), QVariant(0LL));
    // ...and what the back end reads back.
    auto Select = Backend->Prepare("select NARROW, WIDE from TX where ID = ?");
    Select->Execute({{TDbFieldType::ftString, "1"}});
    const QList<QVariantList> Read = ReadAll(*Select);
    QCOMPARE(Read.size(), 1);
    QVERIFY(!Read[0][0].isNull() && !Read[0][1].isNull());
    QCOMPARE(Read[0][0].toString(), narrowStored);
    QCOMPARE(Read[0][1].toString(), text);
}

void tst_OdbcStandIn::longTextArrivesWhole_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("4,000: the longest nvarchar(n)") << 4000;
    QTest::newRow("4,001") << 4001;
    QTest::newRow("8,000: the longest varchar(n)") << 8000;
    QTest::newRow("8,001") << 8001;
    QTest::newRow("9,072, a Z reduction's XML") << 9072;
    QTest::newRow("100,000") << 100000;
}

void tst_OdbcStandIn::longTextArrivesWhole() {
    QFETCH(int, length);
    // Code-page letters, so that characters and bytes count alike; a marker at the end shows any cut.
    QString Text;
    while (Text.size() < length)
        Text += QStringLiteral("<nNF>ação %1</nNF>").arg(Text.size());
    Text.truncate(length - 3);
    Text += QStringLiteral("FIM");
    auto Insert = Backend->Prepare("insert into TLONG (ID, NARROW, WIDE) values (?, ?, ?)");
    // A short value first: the declared length grows with the values bound to the prepared statement.
    Insert->Execute(
        {{TDbFieldType::ftString, "1"}, {TDbFieldType::ftString, "curto"}, {TDbFieldType::ftWideMemo, "c"}});
    Insert->Execute({{TDbFieldType::ftString, "2"}, {TDbFieldType::ftString, Text}, {TDbFieldType::ftWideMemo, Text}});
    QCOMPARE(Insert->RowsAffected(), 1);
    const QList<QVariantList> Stored =
        Server->query("select len(NARROW), len(WIDE), NARROW, WIDE from TLONG where ID = 2");
    QCOMPARE(Stored.size(), 1);
    QCOMPARE(Stored[0][0].toLongLong(), qint64(length));
    QCOMPARE(Stored[0][1].toLongLong(), qint64(length));
    QVERIFY(Stored[0][2].toString() == Text);
    QVERIFY(Stored[0][3].toString() == Text);
    // The same statement still takes short values afterwards.
    Insert->Execute(
        {{TDbFieldType::ftString, "3"}, {TDbFieldType::ftString, "curto"}, {TDbFieldType::ftWideMemo, "c"}});
    QCOMPARE(Server->scalar("select NARROW from TLONG where ID = 3"), QVariant("curto"));
}

void tst_OdbcStandIn::columnKindsAndValues() {
    Server->exec("insert into TX (ID, NARROW, WIDE) values (7, 'sete', null)");
    auto Select = Backend->Prepare(
        "select ET_ETABLISSEMENT, NARROW, WIDE, ID from ETABLISS, TX where TX.ID = 7 order by ET_ETABLISSEMENT");
    Server->exec("insert into ETABLISS (ET_ETABLISSEMENT, ET_LIBELLE) values ('LJ01', 'Loja Um')");
    Select->Execute({});
    const QList<TDbColumnInfo>& Columns = Select->Result().Columns();
    QCOMPARE(Columns.size(), 4);
    QCOMPARE(Columns[0].Name, QString("ET_ETABLISSEMENT"));
    QCOMPARE(Columns[0].KindName, QString("WideString"));
    QCOMPARE(Columns[0].Length, 6);
    QCOMPARE(Columns[1].KindName, QString("String"));
    QCOMPARE(Columns[1].Length, 50);
    QCOMPARE(Columns[2].KindName, QString("WideMemo"));
    QCOMPARE(Columns[3].KindName, QString("Integer"));
    const QList<QVariantList> Rows = ReadAll(*Select);
    QCOMPARE(Rows.size(), 1);
    QCOMPARE(Rows[0][0], QVariant("LJ01"));
    QCOMPARE(Rows[0][1], QVariant("sete"));
    QVERIFY(Rows[0][2].isNull());
    QCOMPARE(Rows[0][3], QVariant(7));
    Server->exec("delete from ETABLISS");
}

void tst_OdbcStandIn::serverErrorKinds_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("native");
    QTest::addColumn<TDbErrorKind>("kind");
    QTest::addColumn<QString>("objName");
    QTest::newRow("208 missing table") << "select * from NOT_THERE" << 208 << TDbErrorKind::ObjNotExists << "NOT_THERE";
    QTest::newRow("2627 duplicate key") << "insert into TPARENT (ID) values (1)" << 2627 << TDbErrorKind::UKViolated
                                        << "PK_TPARENT";
    QTest::newRow("547 delete of a referenced row")
        << "delete from TPARENT where ID = 1" << 547 << TDbErrorKind::FKViolated << "";
    QTest::newRow("547 insert without parent")
        << "insert into TCHILD (ID, PARENT_ID) values (2, 99)" << 547 << TDbErrorKind::Other << "ID";
}

void tst_OdbcStandIn::serverErrorKinds() {
    QFETCH(QString, sql);
    QFETCH(int, native);
    QFETCH(TDbErrorKind, kind);
    QFETCH(QString, objName);
    try {
        Backend->Prepare(sql)->Execute({});
        QFAIL("no error raised");
    } catch (const EDbEngineError& Error) {
        QVERIFY(!Error.Records.isEmpty());
        const TDbDiagRecord& First = Error.Records.front();
        QCOMPARE(Error.message(), "[Strata][Phys][ODBC]" + First.MessageText);
        QVERIFY2(First.MessageText.startsWith("[FreeTDS][SQL Server]"), qPrintable(First.MessageText));
        QCOMPARE(First.NativeError, native);
        QCOMPARE(First.Kind, kind);
        QCOMPARE(First.ObjName, objName);
        QCOMPARE(Error.LayerCode, 1200);
        QCOMPARE(Error.TypeName, QString("EODBCNativeException"));
    }
    // The connection stays usable after a failed statement.
    auto Statement = Backend->Prepare("select 1");
    Statement->Execute({});
    QCOMPARE(ReadAll(*Statement).size(), 1);
}

void tst_OdbcStandIn::droppedConnectionFailsTheStatement() {
    Server->setFault("drop_on", {"select 4242"});
    auto Statement = Backend->Prepare("select 4242");
    try {
        Statement->Execute({});
        ReadAll(*Statement);
        QFAIL("no error raised");
    } catch (const EDbEngineError& Error) {
        // FreeTDS reports a lost link with a record of its own (state 01000), not with an 08 state.
        QVERIFY(!Error.Records.isEmpty());
        QVERIFY2(Error.message().startsWith("[Strata][Phys][ODBC][FreeTDS]"), qPrintable(Error.message()));
        QCOMPARE(Error.message(), "[Strata][Phys][ODBC]" + Error.Records.front().MessageText);
    }
}

void tst_OdbcStandIn::connectionBindsByPosition() {
    TDbConnection Conn;
    Conn.Params = ParamsFor(*Server, Server->login());
    Conn.Open();
    TDbParams Params;
    Params.AddParam(TDbFieldType::ftString, "NARROW").Value = "PRR";
    Params.AddParam(TDbFieldType::ftWideMemo, "WIDE").Value = "<xml>Ação Ω 中</xml>";
    Params.AddParam(TDbFieldType::ftString, "ID").Value = "3";
    QCOMPARE(Conn.ExecSQL("insert into TX (NARROW, WIDE, ID) select :NARROW, :WIDE, :ID", Params), 1);
    const QList<QVariantList> Stored = Server->query("select NARROW, WIDE from TX where ID = 3");
    QCOMPARE(Stored.size(), 1);
    QCOMPARE(Stored[0][0].toString(), QString("PRR"));
    QCOMPARE(Stored[0][1].toString(), QString("<xml>Ação Ω 中</xml>"));
}

void tst_OdbcStandIn::statementsFollowOneAnother() {
    for (int Id = 1; Id <= 3; ++Id)
        Server->exec("insert into TX (ID, NARROW) values (@P1, 'n')", {Id});
    TDbConnection Conn;
    Conn.Params = ParamsFor(*Server, Server->login());
    Conn.Open();
    // A scalar query leaves rows unread; the statements after it must still run on the same connection.
    QCOMPARE(Conn.ExecSQLScalar("select ID from TX order by ID", {}, {}).toInt(), 1);
    QCOMPARE(Conn.ExecSQL("update TX set NARROW = :N where ID = :ID", {"m", "2"},
                          {TDbFieldType::ftString, TDbFieldType::ftString}),
             1);
    QCOMPARE(Conn.ExecSQLScalar("select ID from TX order by ID", {}, {}).toInt(), 1);
    std::unique_ptr<TDbQuery> Query;
    QCOMPARE(Conn.ExecSQL("select ID, NARROW from TX order by ID", Query), 3);
    QStringList Seen;
    for (Query->First(); !Query->Eof(); Query->Next())
        Seen << Query->FieldByName("NARROW").AsString();
    QCOMPARE(Seen, (QStringList{"n", "m", "n"}));
    QCOMPARE(Conn.ExecSQLScalar("select count(*) from TX where NARROW = :N", {"n"}, {TDbFieldType::ftString}).toInt(),
             2);
}

void tst_OdbcStandIn::openResultSurvivesOtherStatement() {
    for (int Id = 1; Id <= 3; ++Id)
        Server->exec("insert into TX (ID, NARROW) values (@P1, 'n')", {Id});
    auto Walk = Backend->Prepare("select ID from TX order by ID");
    Walk->Execute({});
    const QList<TDbBoundField> Fields{TDbBoundField{0, TDbFieldDef{"ID", TDbFieldKind::Integer, 0, 0, 0}}};
    QVariantList Row;
    QVERIFY(Walk->Result().Fetch(Fields, Row));
    QCOMPARE(Row, QVariantList{1});
    // FreeTDS serves one unread result per connection: the walk's rows move to memory first.
    auto Other = Backend->Prepare("update TX set NARROW = 'x' where ID = ?");
    Other->Execute({{TDbFieldType::ftString, "3"}});
    QCOMPARE(Other->RowsAffected(), 1);
    QVERIFY(Walk->Result().Fetch(Fields, Row));
    QCOMPARE(Row, QVariantList{2});
    QVERIFY(Walk->Result().Fetch(Fields, Row));
    QCOMPARE(Row, QVariantList{3});
    QVERIFY(!Walk->Result().Fetch(Fields, Row));
}

QTEST_GUILESS_MAIN(tst_OdbcStandIn)
#include "tst_odbcstandin.moc"
