// The MSSQL back end's ODBC mechanics against the real driver manager with the SQLite3 ODBC driver.
#include "HostPath.h"
#include "PerPlatform.h"

#include "data/TDbErrors.h"
#include "data/odbc/TOdbcBackend.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

/// One field per column. The SQLite3 driver calls every text column 8-bit (varchar of 255 or long varchar), so text is
/// read as long Unicode text: what was stored, unreduced and uncut.
QList<TDbBoundField> FieldsFor(const QList<TDbColumnInfo>& AColumns) {
    QList<TDbBoundField> Fields;
    for (int I = 0; I < AColumns.size(); ++I) {
        const bool Text = AColumns[I].KindName == "String" || AColumns[I].KindName == "Memo";
        Fields << TDbBoundField{I, TDbFieldDef{AColumns[I].Name, Text ? TDbFieldKind::WideMemo : AColumns[I].FieldKind,
                                               Text ? 0 : AColumns[I].Length, 0, 0}};
    }
    return Fields;
}

} // namespace

class tst_OdbcBackend : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensWithNamedDriver();
    void roundTrip_data();
    void roundTrip();
    void narrowTextKeepsOnlyCodePage_data();
    void narrowTextKeepsOnlyCodePage();
    void longValueReadInPieces();
    void reusedStatementRebinds();
    void rowsAffectedAndEmptyResult();
    void columnsOutOfOrder();
    void failingStatementCarriesRecords();
    void unknownDriverFailsWithDriverManagerRecord();
    void closedBackendRefusesStatements();

private:
    QList<QVariantList> Rows(IDbStatement& AStatement, const QList<TDbBindValue>& AValues = {});
    QTemporaryDir Dir;
    std::unique_ptr<TOdbcBackend> Backend;
};

void tst_OdbcBackend::init() {
    QVERIFY(Dir.isValid());
    Backend = std::make_unique<TOdbcBackend>();
    // The driver is one of the build machine's under Wine: it opens the file by the name the build machine knows.
    Backend->Open({"DriverID=MSSQL", "ODBCDriver=SQLite3", "Database=" + HostPath(Dir.filePath("odbc.db"))});
    Backend->Prepare("create table if not exists T (ID integer, NAME varchar(20), NOTE text)")->Execute({});
    Backend->Prepare("delete from T")->Execute({});
}

void tst_OdbcBackend::cleanup() {
    Backend.reset();
}

QList<QVariantList> tst_OdbcBackend::Rows(IDbStatement& AStatement, const QList<TDbBindValue>& AValues) {
    AStatement.Execute(AValues);
    const QList<TDbBoundField> Fields = FieldsFor(AStatement.Result().Columns());
    QList<QVariantList> Result;
    QVariantList Row;
    while (AStatement.Result().Fetch(Fields, Row))
        Result << Row;
    return Result;
}

void tst_OdbcBackend::opensWithNamedDriver() {
    QCOMPARE(Backend->DriverName(), QString("SQLite3"));
    QVERIFY(!Backend->WideMemoAsMax());
    auto Statement = Backend->Prepare("select 1 + 1");
    const QList<QVariantList> Result = Rows(*Statement);
    QCOMPARE(Result.size(), 1);
    QCOMPARE(Result[0][0].toInt(), 2);
}

void tst_OdbcBackend::roundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("note");
    QTest::newRow("ASCII") << "Loja 1"
                           << "<xml/>";
    QTest::newRow("empty texts") << ""
                                 << "";
    QTest::newRow("Portuguese wide text") << "Acao"
                                          << "<nfe>Ação São João</nfe>";
    QTest::newRow("wide beyond code page") << "abc"
                                           << "Ωmega 😀 中文";
    QTest::newRow("quotes and markers") << "O'Brien ?"
                                        << ":NAME ? '";
}

void tst_OdbcBackend::roundTrip() {
    QFETCH(QString, name);
    QFETCH(QString, note);
    auto Insert = Backend->Prepare("insert into T (ID, NAME, NOTE) values (?, ?, ?)");
    Insert->Execute({{TDbFieldType::ftString, "7"}, {TDbFieldType::ftString, name}, {TDbFieldType::ftWideMemo, note}});
    QCOMPARE(Insert->RowsAffected(), 1);
    auto Select = Backend->Prepare("select ID, NAME, NOTE from T where ID = ?");
    const QList<QVariantList> Result = Rows(*Select, {{TDbFieldType::ftString, "7"}});
    QCOMPARE(Result.size(), 1);
    QCOMPARE(Result[0][0], QVariant(7));
    QCOMPARE(Result[0][1].toString(), name);
    QCOMPARE(Result[0][2].toString(), note);
}

void tst_OdbcBackend::narrowTextKeepsOnlyCodePage_data() {
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Portuguese") << "Ação São João"
                                << "Ação São João";
    QTest::newRow("code page punctuation") << "€ “x” – …"
                                           << "€ “x” – …";
    QTest::newRow("Greek letter") << "Ωmega" << PerPlatform(QStringLiteral("?mega"), QStringLiteral("Omega"));
    QTest::newRow("outside the BMP") << "a😀b" << PerPlatform(QStringLiteral("a?b"), QStringLiteral("a??b"));
}

void tst_OdbcBackend::narrowTextKeepsOnlyCodePage() {
    QFETCH(QString, sent);
    QFETCH(QString, stored);
    auto Insert = Backend->Prepare("insert into T (ID, NAME, NOTE) values (1, ?, ?)");
    Insert->Execute({{TDbFieldType::ftString, sent}, {TDbFieldType::ftWideMemo, sent}});
    const QList<QVariantList> Result = Rows(*Backend->Prepare("select NAME, NOTE from T"));
    QCOMPARE(Result.size(), 1);
    QCOMPARE(Result[0][0].toString(), stored);
    QCOMPARE(Result[0][1].toString(), sent);
}

void tst_OdbcBackend::longValueReadInPieces() {
    QString Long;
    for (int I = 0; Long.size() < 100000; ++I)
        Long += QString("<linha n=\"%1\">Ação €</linha>").arg(I);
    auto Insert = Backend->Prepare("insert into T (ID, NOTE) values (1, ?)");
    Insert->Execute({{TDbFieldType::ftWideMemo, Long}});
    auto Select = Backend->Prepare("select NOTE, length(NOTE) from T");
    const QList<QVariantList> Result = Rows(*Select);
    QCOMPARE(Result.size(), 1);
    QCOMPARE(Result[0][1].toInt(), Long.size());
    QCOMPARE(Result[0][0].toString().size(), Long.size());
    QCOMPARE(Result[0][0].toString(), Long);
}

void tst_OdbcBackend::reusedStatementRebinds() {
    auto Insert = Backend->Prepare("insert into T (ID, NAME) values (?, ?)");
    Insert->Execute({{TDbFieldType::ftString, "1"}, {TDbFieldType::ftString, "a"}});
    Insert->Execute({{TDbFieldType::ftString, "2"}, {TDbFieldType::ftString, "a much longer name"}});
    Insert->Execute({{TDbFieldType::ftString, "3"}, {TDbFieldType::ftString, "b"}});
    auto Select = Backend->Prepare("select NAME from T order by ID");
    const QList<QVariantList> Result = Rows(*Select);
    QCOMPARE(Result.size(), 3);
    QCOMPARE(Result[0][0].toString(), QString("a"));
    QCOMPARE(Result[1][0].toString(), QString("a much longer name"));
    QCOMPARE(Result[2][0].toString(), QString("b"));
}

void tst_OdbcBackend::rowsAffectedAndEmptyResult() {
    auto Insert = Backend->Prepare("insert into T (ID) values (?)");
    for (const char* Id : {"1", "2", "3"})
        Insert->Execute({{TDbFieldType::ftString, Id}});
    auto Update = Backend->Prepare("update T set NAME = 'x' where ID >= ?");
    Update->Execute({{TDbFieldType::ftString, "2"}});
    QCOMPARE(Update->RowsAffected(), 2);
    QVERIFY(Update->Result().Columns().isEmpty());
    QVariantList Row;
    QVERIFY(!Update->Result().Fetch({}, Row));
    Update->Execute({{TDbFieldType::ftString, "9"}});
    QCOMPARE(Update->RowsAffected(), 0);

    auto Select = Backend->Prepare("select ID, NAME from T where ID > 100");
    QVERIFY(Rows(*Select).isEmpty());
    QCOMPARE(Select->Result().Columns().size(), 2);
    QCOMPARE(Select->Result().Columns()[0].Name, QString("ID"));
    QVERIFY(!Select->Result().Fetch(FieldsFor(Select->Result().Columns()), Row));
}

void tst_OdbcBackend::columnsOutOfOrder() {
    Backend->Prepare("insert into T (ID, NAME, NOTE) values (5, 'five', 'cinco')")->Execute({});
    auto Select = Backend->Prepare("select ID, NAME, NOTE from T");
    Select->Execute({});
    const QList<TDbBoundField> All = FieldsFor(Select->Result().Columns());
    // Declared fields may name columns in any order, and one column twice.
    const QList<TDbBoundField> Fields{All[2], All[0], All[2], All[1]};
    QVariantList Row;
    QVERIFY(Select->Result().Fetch(Fields, Row));
    QCOMPARE(Row, (QVariantList{"cinco", 5, "cinco", "five"}));
    QVERIFY(!Select->Result().Fetch(Fields, Row));
}

void tst_OdbcBackend::failingStatementCarriesRecords() {
    try {
        Backend->Prepare("select * from MISSING_TABLE")->Execute({});
        QFAIL("no error raised");
    } catch (const EDbEngineError& Error) {
        QVERIFY2(Error.message().startsWith("[Strata][Phys][ODBC]"), qPrintable(Error.message()));
        QVERIFY2(Error.message().contains("no such table"), qPrintable(Error.message()));
        QCOMPARE(Error.TypeName, QString("EODBCNativeException"));
        QCOMPARE(Error.LayerCode, 1200);
        QVERIFY(!Error.Records.isEmpty());
        const TDbDiagRecord& First = Error.Records.front();
        QCOMPARE(Error.message(), "[Strata][Phys][ODBC]" + First.MessageText);
        QCOMPARE(First.SqlState.size(), 5);
        QCOMPARE(First.DisplayText, QString("SQL state: %1. Native error: %2. Error message: \r\n%3")
                                        .arg(First.SqlState)
                                        .arg(First.NativeError)
                                        .arg(First.MessageText));
    }
}

void tst_OdbcBackend::unknownDriverFailsWithDriverManagerRecord() {
    TOdbcBackend Other;
    try {
        Other.Open({"DriverID=MSSQL", "ODBCDriver=No Such Driver 1.0", "Server=x"});
        QFAIL("no error raised");
    } catch (const EDbEngineError& Error) {
        QVERIFY2(Error.message().startsWith("[Strata][Phys][ODBC][unixODBC][Driver Manager]"),
                 qPrintable(Error.message()));
        QVERIFY(!Error.Records.isEmpty());
        QVERIFY2(Error.Records.front().MessageText.contains("No Such Driver 1.0"), qPrintable(Error.message()));
        QCOMPARE(Error.message(), "[Strata][Phys][ODBC]" + Error.Records.front().MessageText);
    }
    QVERIFY_THROWS_EXCEPTION(EDbError, Other.Prepare("select 1"));
}

void tst_OdbcBackend::closedBackendRefusesStatements() {
    Backend->Close();
    QVERIFY_THROWS_EXCEPTION(EDbError, Backend->Prepare("select 1"));
    Backend->Close();
}

QTEST_GUILESS_MAIN(tst_OdbcBackend)
#include "tst_odbcbackend.moc"
