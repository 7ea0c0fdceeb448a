// Faults that end a client's connection behind its back: a statement that runs and loses its reply, and a server
// killed and started again on its port. Seen through the real unixODBC driver manager and FreeTDS driver.
#include "OdbcClient.h"
#include "StandIn.h"

#include <QtTest>

#include <memory>

class TstStandInFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void dropAfterRunKeepsWhatRan_data();
    void dropAfterRunKeepsWhatRan();
    void dropAfterRunOnlyTheNextOnes();
    void restartKeepsPortAndData();

private:
    qint64 count(const QString& ATable) {
        return Server->scalar(QStringLiteral("select count(*) from ") + ATable).toLongLong();
    }

    std::unique_ptr<StandIn> Server;
};

void TstStandInFaults::initTestCase() {
    Server = std::make_unique<StandIn>();
}

void TstStandInFaults::init() {
    Server->clearFaults();
    Server->exec(QStringLiteral("delete from ETABLISS"));
}

void TstStandInFaults::dropAfterRunKeepsWhatRan_data() {
    QTest::addColumn<bool>("prepared");
    QTest::newRow("direct") << false;
    QTest::newRow("prepared") << true;
}

void TstStandInFaults::dropAfterRunKeepsWhatRan() {
    QFETCH(bool, prepared);
    OdbcClient client;
    client.connect(Server->connectionString());
    Server->setFault(QStringLiteral("drop_after_run"), {QStringLiteral("insert\\s+into\\s+ETABLISS")});
    QCOMPARE(client.execute(QStringLiteral("select 1")).rows, QList<QVariantList>{{1}});
    try {
        client.execute(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT, ET_LIBELLE) values (?, ?)"),
                       {{QStringLiteral("001")}, {QStringLiteral("Loja")}}, prepared);
        QFAIL("the insert was answered");
    } catch (const OdbcError& e) {
        // The client cannot tell this from a statement that never ran.
        QCOMPARE(e.first().native, 20017);
        QCOMPARE(e.first().message, QStringLiteral("[FreeTDS][SQL Server]Unexpected EOF from the server"));
    }
    QCOMPARE(count(QStringLiteral("ETABLISS")), 1);
    // Only matching statements: the next connection reads and writes as ever.
    client.connect(Server->connectionString());
    QCOMPARE(client.execute(QStringLiteral("select count(*) from ETABLISS")).rows, QList<QVariantList>{{1}});
}

void TstStandInFaults::dropAfterRunOnlyTheNextOnes() {
    Server->setFault(QStringLiteral("drop_after_run"), {QStringLiteral("insert into ETABLISS"), 2});
    OdbcClient client;
    QStringList answered;
    for (const QString store : {"001", "002", "003", "004"}) {
        client.connect(Server->connectionString());
        try {
            client.execute(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT) values ('%1')").arg(store));
            answered << store;
        } catch (const OdbcError&) {
        }
    }
    QCOMPARE(answered, QStringList({"003", "004"}));
    QCOMPARE(count(QStringLiteral("ETABLISS")), 4);
}

void TstStandInFaults::restartKeepsPortAndData() {
    OdbcClient before;
    before.connect(Server->connectionString());
    before.execute(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT, ET_LIBELLE) values ('002', 'Loja')"));
    Server->setFault(QStringLiteral("error"), {208});
    const quint16 port = Server->port();

    Server->restart();

    QCOMPARE(Server->port(), port);
    QVERIFY_THROWS_EXCEPTION(OdbcError, before.execute(QStringLiteral("select 1")));
    OdbcClient after;
    after.connect(Server->connectionString());
    QCOMPARE(after.execute(QStringLiteral("select ET_ETABLISSEMENT from ETABLISS")).rows,
             QList<QVariantList>{{QStringLiteral("002")}});
}

QTEST_GUILESS_MAIN(TstStandInFaults)
#include "tst_standinfaults.moc"
