// Connections with DriverID=MSSQL through the layer, over unixODBC with the SQLite3 ODBC driver.
#include "HostPath.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/TDbQuery.h"
#include "data/odbc/MSSQLBackend.h"

#include <QTemporaryDir>
#include <QTest>

class tst_OdbcConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void bindsByDistinctName();
    void nameTwiceTakesOneValue();
    void namesDifferingInCaseAreOne();
    void bindsByPositionWhateverTheNames();
    void collectionNeedsRepeatedName();
    void scalarCounts_data();
    void scalarCounts();
    void scalarWithoutRowIsEmpty();
    void rowSetWalk();
    void emptyRowSet();
    void closeClosesHandedOutRowSet();
    void failingStatementCarriesContext();
    void failedOpenLeavesClosed();

private:
    QTemporaryDir Dir;
    std::unique_ptr<TDbConnection> Conn;
};

void tst_OdbcConnection::initTestCase() {
    RegisterMSSQLBackend();
    RegisterMSSQLBackend(); // a second registration changes nothing
}

void tst_OdbcConnection::init() {
    QVERIFY(Dir.isValid());
    QFile::remove(Dir.filePath("conn.db"));
    Conn = std::make_unique<TDbConnection>();
    Conn->setObjectName("sqlConexao");
    // The driver is one of the build machine's under Wine: it opens the file by the name the build machine knows.
    Conn->Params = QStringList{"DriverID=MSSQL", "ODBCDriver=SQLite3", "Database=" + HostPath(Dir.filePath("conn.db"))};
    Conn->Open();
    QVERIFY(Conn->Connected());
    Conn->ExecSQL("create table LOJA (ID varchar(6), NOME varchar(30), OBS varchar(30))", QStringList{}, {});
    Conn->ExecSQL("insert into LOJA values ('L1', 'Um', 'a'), ('L2', 'Dois', 'b'), ('L3', 'Tres', 'c')", QStringList{},
                  {});
}

void tst_OdbcConnection::cleanup() {
    Conn.reset();
}

void tst_OdbcConnection::bindsByDistinctName() {
    const qint64 Count = Conn->ExecSQL("update LOJA set NOME = :NOME, OBS = :OBS where ID = :ID", {"Novo", "x", "L2"},
                                       {TDbFieldType::ftString, TDbFieldType::ftWideMemo, TDbFieldType::ftString});
    QCOMPARE(Count, 1);
    QCOMPARE(
        Conn->ExecSQLScalar("select NOME || OBS from LOJA where ID = :ID", {"L2"}, {TDbFieldType::ftString}).toString(),
        QString("Novox"));
}

void tst_OdbcConnection::nameTwiceTakesOneValue() {
    // :IDLOJA twice and two other names once: three values, both occurrences receive the first.
    const qint64 Count =
        Conn->ExecSQL("insert into LOJA (ID, NOME, OBS) select :IDLOJA, :NOME || :IDLOJA, :OBS", {"L9", "Nove-", "z"},
                      {TDbFieldType::ftString, TDbFieldType::ftString, TDbFieldType::ftString});
    QCOMPARE(Count, 1);
    QCOMPARE(Conn->ExecSQLScalar("select NOME from LOJA where ID = 'L9'", {}, {}).toString(), QString("Nove-L9"));
}

void tst_OdbcConnection::namesDifferingInCaseAreOne() {
    const QVariant Count = Conn->ExecSQLScalar("select count(*) from LOJA where ID = :idLoja or NOME = :IDLOJA", {"L1"},
                                               {TDbFieldType::ftString});
    QCOMPARE(Count.toInt(), 1);
}

void tst_OdbcConnection::bindsByPositionWhateverTheNames() {
    TDbParams Params;
    Params.AddParam(TDbFieldType::ftString, "QUALQUER").Value = "Outro";
    Params.AddParam(TDbFieldType::ftWideMemo, "NOME_ERRADO").Value = "Ação Ω";
    Params.AddParam(TDbFieldType::ftString, "X").Value = "L3";
    QCOMPARE(Conn->ExecSQL("update LOJA set NOME = :NOME, OBS = :OBS where ID = :ID", Params), 1);
    QCOMPARE(Conn->ExecSQLScalar("select NOME from LOJA where ID = 'L3'", {}, {}).toString(), QString("Outro"));
    std::unique_ptr<TDbQuery> Query;
    QCOMPARE(Conn->ExecSQL("select ID, length(OBS) as N from LOJA where ID = 'L3'", Query), 1);
    QCOMPARE(Query->FieldByName("N").AsInteger(), 6);
}

void tst_OdbcConnection::collectionNeedsRepeatedName() {
    TDbParams Params;
    Params.AddParam(TDbFieldType::ftString, "ID").Value = "L1";
    Params.AddParam(TDbFieldType::ftString, "ID").Value = "L2";
    QCOMPARE(Conn->ExecSQL("delete from LOJA where ID = :ID or ID = :ID", Params), 2);
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from LOJA", {}, {}).toInt(), 1);
}

void tst_OdbcConnection::scalarCounts_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("count");
    QTest::newRow("match") << "L1" << 1;
    QTest::newRow("no match") << "ZZ" << 0;
}

void tst_OdbcConnection::scalarCounts() {
    QFETCH(QString, id);
    QFETCH(int, count);
    const QVariant Value =
        Conn->ExecSQLScalar("select count(*) from LOJA where ID = :ID", {id}, {TDbFieldType::ftString});
    QCOMPARE(Value.toInt(), count);
    // The same text again reuses the prepared statement with the new value.
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from LOJA where ID = :ID", {"L2"}, {TDbFieldType::ftString}).toInt(),
             1);
}

void tst_OdbcConnection::scalarWithoutRowIsEmpty() {
    QVERIFY(Conn->ExecSQLScalar("select NOME from LOJA where ID = 'none'", {}, {}).isNull());
}

void tst_OdbcConnection::rowSetWalk() {
    std::unique_ptr<TDbQuery> Query;
    QVERIFY(Conn->ExecSQL("select ID, NOME from LOJA order by ID", Query) > 0);
    QStringList Seen;
    for (Query->First(); !Query->Eof(); Query->Next())
        Seen << Query->FieldByIndex(0).AsString() + "=" + Query->FieldByName("nome").AsString();
    QCOMPARE(Seen, (QStringList{"L1=Um", "L2=Dois", "L3=Tres"}));
}

void tst_OdbcConnection::emptyRowSet() {
    std::unique_ptr<TDbQuery> Query;
    QCOMPARE(Conn->ExecSQL("select ID from LOJA where 1 = 0", Query), 0);
    QVERIFY(Query->Active());
    QVERIFY(Query->Eof());
    QVERIFY(Query->IsEmpty());
}

void tst_OdbcConnection::closeClosesHandedOutRowSet() {
    std::unique_ptr<TDbQuery> Query;
    QVERIFY(Conn->ExecSQL("select ID from LOJA", Query) > 0);
    Conn->Close();
    QVERIFY(!Conn->Connected());
    QVERIFY(!Query->Active());
    Conn->Open();
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from LOJA", {}, {}).toInt(), 3);
}

void tst_OdbcConnection::failingStatementCarriesContext() {
    try {
        Conn->ExecSQL("insert into NADA (A) values (:A)", {"v"}, {TDbFieldType::ftString});
        QFAIL("no error raised");
    } catch (const EDbEngineError& Error) {
        QCOMPARE(Error.TypeName, QString("EODBCNativeException"));
        QCOMPARE(Error.LayerCode, 1200);
        QVERIFY(!Error.Records.isEmpty());
        QCOMPARE(Error.message(), "[Strata][Phys][ODBC]" + Error.Records.front().MessageText);
        QVERIFY2(Error.message().contains("no such table"), qPrintable(Error.message()));
        QCOMPARE(Error.ObjectName, QString("sqlConexao"));
        QCOMPARE(Error.CommandText, QString("insert into NADA (A) values (:A)"));
        QCOMPARE(Error.Params.size(), 1);
        QCOMPARE(Error.Params[0].second, QString("v"));
    }
    QVERIFY(Conn->Connected());
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from LOJA", {}, {}).toInt(), 3);
}

void tst_OdbcConnection::failedOpenLeavesClosed() {
    TDbConnection Other;
    Other.Params = QStringList{"DriverID=MSSQL", "ODBCDriver=No Such Driver", "Database=x"};
    QVERIFY_THROWS_EXCEPTION(EDbEngineError, Other.Open());
    QVERIFY(!Other.Connected());
}

QTEST_GUILESS_MAIN(tst_OdbcConnection)
#include "tst_odbcconnection.moc"
