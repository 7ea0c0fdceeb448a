#include "SqliteTestFile.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

struct Column {
    const char* Name;
    const char* Declared;
    TDbFieldKind Kind;
    int Size;
};

// The document row: a field per column, declared as a well-formed file declares its columns.
const Column DocumentColumns[] = {
    {"ID_ZEVRIK", "VARCHAR(50)", TDbFieldKind::String, 50},
    {"ENVIO_MANUAL", "CHAR(1)", TDbFieldKind::FixedChar, 1},
    {"CANCELADO", "CHAR(1)", TDbFieldKind::FixedChar, 1},
    {"SERIE", "INTEGER", TDbFieldKind::Integer, 0},
    {"NUMERO", "INTEGER", TDbFieldKind::Integer, 0},
    {"DTHR_EMISSAO", "TIMESTAMP", TDbFieldKind::SQLTimeStamp, 0},
    {"CHAVE_NFE", "VARCHAR(50)", TDbFieldKind::String, 50},
    {"CSTAT", "INTEGER", TDbFieldKind::Integer, 0},
    {"XMOTIVO", "VARCHAR(255)", TDbFieldKind::String, 255},
    {"CMSG", "INTEGER", TDbFieldKind::Integer, 0},
    {"XMSG", "VARCHAR(255)", TDbFieldKind::String, 255},
    {"NPROT", "VARCHAR(15)", TDbFieldKind::String, 15},
    {"DHRECBTO", "TIMESTAMP", TDbFieldKind::SQLTimeStamp, 0},
    {"XML_ZEVRIK", "BLOB", TDbFieldKind::Blob, 0},
    {"XML_NFCE", "BLOB", TDbFieldKind::Blob, 0},
    {"XML_CANCELAMENTO", "BLOB", TDbFieldKind::Blob, 0},
    {"VALOR_DOCUMENTO", "NUMERIC(10,2)", TDbFieldKind::BCD, 0},
};

using Overrides = QMap<QString, QString>; // column -> declared type; "-" drops the column, "+T" adds a column

QString CreateTable(const Overrides& AOverrides) {
    QStringList columns;
    for (const Column& column : DocumentColumns) {
        const QString declared = AOverrides.value(column.Name, column.Declared);
        if (declared != u"-") {
            columns.append(QStringLiteral("%1 %2").arg(QString::fromLatin1(column.Name), declared));
        }
    }
    for (auto it = AOverrides.cbegin(); it != AOverrides.cend(); ++it) {
        if (it.value().startsWith(u'+')) {
            columns.append(it.key() + u' ' + it.value().mid(1));
        }
    }
    return QStringLiteral("create table tb_nfce (%1)").arg(columns.join(", "));
}

} // namespace

/// Binding the declared fields of a row set to the columns of its result.
class TestFieldBinding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void init();
    void cleanup();
    void binding_data();
    void binding();
    void narrowerTextLength_data();
    void narrowerTextLength();
    void fieldByNameWhenClosed();
    void declarationsOnlyWhileClosed();

private:
    void Declare(TDbQuery& AQuery);
    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TDbConnection> Conn;
};

void TestFieldBinding::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Conn = std::make_unique<TDbConnection>();
    Conn->Params = QStringList{"DriverID=SQLite", "Database=" + Dir->filePath("dfe.db")};
}

void TestFieldBinding::cleanup() {
    Conn.reset();
    Dir.reset();
}

void TestFieldBinding::Declare(TDbQuery& AQuery) {
    for (const Column& column : DocumentColumns) {
        TDbFieldDef def;
        def.Name = QString::fromLatin1(column.Name);
        def.Kind = column.Kind;
        def.Size = column.Size;
        if (column.Kind == TDbFieldKind::BCD) {
            def.Precision = 10;
            def.Scale = 2;
        }
        AQuery.AddFieldDef(def);
    }
}

void TestFieldBinding::binding_data() {
    QTest::addColumn<Overrides>("overrides");
    QTest::addColumn<QString>("error");

    const QString prefix = "qryDocumentosEmitidos: ";
    QTest::newRow("well-formed") << Overrides() << QString();
    QTest::newRow("missing NPROT") << Overrides{{"NPROT", "-"}} << prefix + "Field 'NPROT' not found";
    QTest::newRow("DATETIME") << Overrides{{"DTHR_EMISSAO", "DATETIME"}}
                              << prefix + "Type mismatch for field 'DTHR_EMISSAO', expecting: SQLTimeStamp actual: "
                                          "DateTime";
    QTest::newRow("TEXT key") << Overrides{{"ID_ZEVRIK", "TEXT"}}
                              << prefix + "Type mismatch for field 'ID_ZEVRIK', expecting: String actual: WideMemo";
    QTest::newRow("NVARCHAR key") << Overrides{{"ID_ZEVRIK", "NVARCHAR(50)"}}
                                  << prefix + "Type mismatch for field 'ID_ZEVRIK', expecting: String actual: "
                                              "WideString";
    QTest::newRow("BIGINT") << Overrides{{"SERIE", "BIGINT"}}
                            << prefix + "Type mismatch for field 'SERIE', expecting: Integer actual: LargeInt";
    QTest::newRow("scale 3") << Overrides{{"VALOR_DOCUMENTO", "NUMERIC(10,3)"}}
                             << prefix + "Size mismatch for field 'VALOR_DOCUMENTO', expecting: 2 actual: 3";
    QTest::newRow("REAL value") << Overrides{{"VALOR_DOCUMENTO", "REAL"}}
                                << prefix + "Type mismatch for field 'VALOR_DOCUMENTO', expecting: BCD actual: Float";
    QTest::newRow("precision 12") << Overrides{{"VALOR_DOCUMENTO", "NUMERIC(12,2)"}} << QString();
    QTest::newRow("DECIMAL") << Overrides{{"VALOR_DOCUMENTO", "DECIMAL(10,2)"}} << QString();
    QTest::newRow("two failures, first reported")
        << Overrides{{"SERIE", "BIGINT"}, {"XMSG", "-"}}
        << prefix + "Type mismatch for field 'SERIE', expecting: Integer actual: LargeInt";
    QTest::newRow("two failures, missing first")
        << Overrides{{"CANCELADO", "-"}, {"SERIE", "BIGINT"}} << prefix + "Field 'CANCELADO' not found";
    QTest::newRow("extra columns") << Overrides{{"EXTRA", "+TEXT"}, {"OUTRA", "+DATETIME"}} << QString();
    QTest::newRow("text XML") << Overrides{{"XML_ZEVRIK", "TEXT"}, {"XML_NFCE", "CLOB"}} << QString();
    QTest::newRow("XML type") << Overrides{{"XML_CANCELAMENTO", "XML"}} << QString();
    QTest::newRow("VARCHAR XML") << Overrides{{"XML_ZEVRIK", "VARCHAR(100)"}}
                                 << prefix + "Type mismatch for field 'XML_ZEVRIK', expecting: Blob actual: String";
    QTest::newRow("GUID key") << Overrides{{"ID_ZEVRIK", "GUID"}} << QString();
    QTest::newRow("interval") << Overrides{{"NPROT", "INTERVAL"}}
                              << prefix + "Type mismatch for field 'NPROT', expecting: String actual: String";
    QTest::newRow("small integer kinds") << Overrides{{"SERIE", "SMALLINT"},
                                                      {"CSTAT", "TINYINT UNSIGNED"},
                                                      {"CMSG", "NUMERIC(9)"}}
                                         << QString();
    QTest::newRow("autoinc") << Overrides{{"NUMERO", "INTEGER PRIMARY KEY AUTOINCREMENT"}} << QString();
    QTest::newRow("fixed char as text") << Overrides{{"ENVIO_MANUAL", "VARCHAR(1)"}, {"CHAVE_NFE", "CHAR(44)"}}
                                        << QString();
    QTest::newRow("DATE") << Overrides{{"DHRECBTO", "DATE"}}
                          << prefix + "Type mismatch for field 'DHRECBTO', expecting: SQLTimeStamp actual: Date";
}

void TestFieldBinding::binding() {
    QFETCH(Overrides, overrides);
    QFETCH(QString, error);
    SqliteTestFile(Dir->filePath("dfe.db")).Exec(CreateTable(overrides));

    Conn->Open();
    TDbQuery query(Conn.get());
    query.setObjectName("qryDocumentosEmitidos");
    Declare(query);
    query.SetSQLText("select * from tb_nfce");
    if (error.isEmpty()) {
        query.Open();
        QVERIFY(query.Active());
        QCOMPARE(query.FieldCount(), 17);
        QCOMPARE(query.Fields().last().Name, QStringLiteral("VALOR_DOCUMENTO"));
        return;
    }
    try {
        query.Open();
        QFAIL("the open bound");
    } catch (const EDbEngineError&) {
        QFAIL("a binding failure is no engine error");
    } catch (const EDbError& failure) {
        QCOMPARE(failure.message(), error);
    }
    QVERIFY(!query.Active());
    QVERIFY(Conn->Connected());
    QCOMPARE(query.FieldCount(), 17);
}

void TestFieldBinding::narrowerTextLength_data() {
    QTest::addColumn<QString>("declared");
    QTest::addColumn<int>("size");
    QTest::newRow("shorter") << "VARCHAR(20)" << 20;
    QTest::newRow("equal") << "VARCHAR(50)" << 50;
    QTest::newRow("longer") << "VARCHAR(80)" << 50;
    QTest::newRow("no length") << "VARCHAR" << 50;
    QTest::newRow("fixed shorter") << "CHAR(10)" << 10;
}

void TestFieldBinding::narrowerTextLength() {
    QFETCH(QString, declared);
    QFETCH(int, size);
    SqliteTestFile(Dir->filePath("dfe.db")).Exec(CreateTable({{"ID_ZEVRIK", declared}}));
    Conn->Open();
    TDbQuery query(Conn.get());
    Declare(query);
    query.Open("select * from tb_nfce");
    QCOMPARE(query.Fields().first().Size, size);
    // The declarations themselves stay as declared for the next open.
    QCOMPARE(query.FieldDefs().first().Size, 50);
}

void TestFieldBinding::fieldByNameWhenClosed() {
    TDbQuery query(Conn.get());
    query.setObjectName("qryDocumentosEmitidos");
    Declare(query);
    QVERIFY(query.FieldByName("xml_zevrik").IsNull());
    QCOMPARE(query.FieldByName("xml_zevrik").AsString(), QString());
    try {
        query.FieldByName("NAO_HA");
        QFAIL("found");
    } catch (const EDbError& error) {
        QCOMPARE(error.message(), QStringLiteral("qryDocumentosEmitidos: Field 'NAO_HA' not found"));
    }
}

void TestFieldBinding::declarationsOnlyWhileClosed() {
    Conn->Open();
    TDbQuery query(Conn.get());
    query.Open("select 1 as ID_ZEVRIK");
    QVERIFY_THROWS_EXCEPTION(EDbError, query.AddFieldDef({"NUMERO", TDbFieldKind::Integer}));
    QCOMPARE(query.FieldCount(), 1);
}

QTEST_GUILESS_MAIN(TestFieldBinding)
#include "tst_fieldbinding.moc"
