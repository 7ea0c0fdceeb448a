// Logins of the MSSQL back end through unixODBC and FreeTDS: the stated protocol version, the login timeout.
#include "MuteServer.h"
#include "StandIn.h"
#include "StatementRows.h"

#include "data/TDbErrors.h"
#include "data/odbc/TOdbcBackend.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>

namespace {

QStringList ParamsFor(const QString& AServer, const StandIn::Login& ALogin) {
    return {"DriverID=MSSQL", "Server=" + AServer, "Database=" + ALogin.database, "User_Name=" + ALogin.user,
            "Password=" + ALogin.password};
}

} // namespace

class tst_OdbcLogin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void muteServerEndsLoginWithTimeout();
    void statementsHaveNoTimeLimit();
    void olderServerVersionsLogIn_data();
    void olderServerVersionsLogIn();

private:
    std::unique_ptr<StandIn> Server;
};

void tst_OdbcLogin::initTestCase() {
    Server = std::make_unique<StandIn>();
}

void tst_OdbcLogin::muteServerEndsLoginWithTimeout() {
    QCOMPARE(TOdbcBackend::LoginTimeout(), 15);
    TOdbcBackend::SetLoginTimeout(2);
    const auto Restore = qScopeGuard([] { TOdbcBackend::SetLoginTimeout(15); });
    MuteServer Mute;
    TOdbcBackend Client;
    QElapsedTimer Clock;
    Clock.start();
    try {
        Client.Open(ParamsFor(Mute.server(), Server->login()));
        QFAIL("login succeeded");
    } catch (const EDbEngineError& Error) {
        QCOMPARE(Error.message(), QString("Timeout expired"));
        QCOMPARE(Error.LayerCode, 700);
        QVERIFY(!Error.Records.isEmpty());
        QCOMPARE(Error.Records[0].SqlState, QString("HYT00"));
        QCOMPARE(Error.Records[0].Kind, TDbErrorKind::CmdAborted);
    }
    QVERIFY2(Clock.elapsed() >= 1500 && Clock.elapsed() < 10000, qPrintable(QString::number(Clock.elapsed())));
}

void tst_OdbcLogin::statementsHaveNoTimeLimit() {
    // The login timeout is no statement timeout: a reply slower than it still arrives.
    TOdbcBackend::SetLoginTimeout(1);
    const auto Restore = qScopeGuard([] { TOdbcBackend::SetLoginTimeout(15); });
    TOdbcBackend Client;
    Client.Open(ParamsFor(Server->server(), Server->login()));
    Server->setFault("delay", {3, "(?i)select 42"});
    auto Statement = Client.Prepare("select 42");
    Statement->Execute({});
    QCOMPARE(ReadAll(*Statement), QList<QVariantList>({{42}}));
}

void tst_OdbcLogin::olderServerVersionsLogIn_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("product"); // the SQL Server major version such a server announces
    QTest::newRow("7.1") << "7.1" << 8;
    QTest::newRow("7.2") << "7.2" << 9;
    QTest::newRow("7.3") << "7.3" << 10;
    QTest::newRow("7.4") << "7.4" << 13;
}

void tst_OdbcLogin::olderServerVersionsLogIn() {
    QFETCH(QString, version);
    QFETCH(int, product);
    // The client states 7.4; a server of an older version answers with its own, and the login goes on in it.
    StandIn Older(StandIn::Login{}, {"--tds-version", version});
    Older.exec("create table TLONG (ID int primary key, NARROW varchar(max), WIDE nvarchar(max))");
    TOdbcBackend Client;
    Client.Open(ParamsFor(Older.server(), Older.login()));
    QCOMPARE(Client.ServerVersion().section('.', 0, 0).toInt(), product);
    QString Text;
    while (Text.size() < 9072)
        Text += QStringLiteral("<xNome>Ação %1</xNome>").arg(Text.size());
    Text.truncate(9072);
    auto Insert = Client.Prepare("insert into TLONG (ID, NARROW, WIDE) values (?, ?, ?)");
    Insert->Execute({{TDbFieldType::ftString, "1"}, {TDbFieldType::ftString, Text}, {TDbFieldType::ftWideMemo, Text}});
    QCOMPARE(Insert->RowsAffected(), 1);
    QCOMPARE(Older.query("select len(NARROW), len(WIDE) from TLONG"), QList<QVariantList>({{9072LL, 9072LL}}));
    QVERIFY(Older.scalar("select NARROW from TLONG").toString() == Text);
    QVERIFY(Older.scalar("select WIDE from TLONG").toString() == Text);
}

QTEST_GUILESS_MAIN(tst_OdbcLogin)
#include "tst_odbclogin.moc"
