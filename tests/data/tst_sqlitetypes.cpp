#include "data/IDbBackend.h"
#include "data/TDbConnection.h"
#include "data/sqlite/SQLiteBackend.h"
#include "data/sqlite/SQLiteTypeClassifier.h"

#include <QTest>

/// Classification of result columns by their declared SQLite types, through the engine's own reports.
class TestSqliteTypes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void init();
    void cleanup();
    void declaredType_data();
    void declaredType();
    void rowidColumns_data();
    void rowidColumns();
    void autoIncrement();
    void withoutDeclaredType_data();
    void withoutDeclaredType();

private:
    TDbColumnInfo ColumnOf(const QString& ASelect);
    std::unique_ptr<TDbConnection> Conn;
};

void TestSqliteTypes::init() {
    Conn = std::make_unique<TDbConnection>();
    Conn->Params = QStringList{"DriverID=SQLite", "Database="};
    Conn->Open();
}

void TestSqliteTypes::cleanup() {
    Conn.reset();
}

TDbColumnInfo TestSqliteTypes::ColumnOf(const QString& ASelect) {
    std::unique_ptr<IDbStatement> statement = Conn->Backend().Prepare(ASelect);
    statement->Execute({});
    const QList<TDbColumnInfo> columns = statement->Result().Columns();
    if (columns.size() != 1) {
        qFatal("expected one column");
    }
    return columns.first();
}

void TestSqliteTypes::declaredType_data() {
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("scale");

    const auto row = [](const char* ADeclared, const char* AKind, int ALength = 0, int APrecision = 0, int AScale = 0) {
        QTest::newRow(ADeclared) << QString::fromUtf8(ADeclared) << QString::fromUtf8(AKind) << ALength << APrecision
                                 << AScale;
    };
    for (const char* name : {"BIT", "BOOL", "BOOLEAN", "LOGICAL", "YESNO", "bool"}) {
        row(name, "Boolean");
    }
    for (const char* name : {"TINYINT", "SHORTINT", "INT8"}) {
        row(name, "ShortInt");
    }
    row("TINYINT UNSIGNED", "Byte");
    row("UNSIGNED TINYINT", "Byte");
    row("BYTE", "Byte");
    row("UINT8", "Byte");
    row("SMALLINT", "SmallInt");
    row("INT16", "SmallInt");
    row("SMALLINT UNSIGNED", "Word");
    for (const char* name : {"WORD", "UINT16", "YEAR"}) {
        row(name, "Word");
    }
    for (const char* name : {"MEDIUMINT", "INTEGER", "INT", "INT32", "integer"}) {
        row(name, "Integer");
    }
    row("INTEGER UNSIGNED", "LongWord");
    row("UNSIGNED INTEGER", "LongWord");
    row("LONGWORD", "LongWord");
    row("UINT32", "LongWord");
    // AUTOINCREMENT is a keyword SQLite's table definitions do not take as a type name: classified directly.
    for (const char* name : {"BIGINT", "INT64", "COUNTER", "AUTOINCREMENT", "IDENTITY", "LONGLONGWORD", "UINT64"}) {
        row(name, "LargeInt");
    }
    row("FLOAT", "Float");
    row("REAL", "Float");
    row("DOUBLE", "Float");
    row("DOUBLE PRECISION", "Float");
    row("SINGLE", "Single");
    row("FLOAT(16)", "Float", 0, 16);
    row("FLOAT(17)", "BCD", 0, 17);
    row("FLOAT(18,4)", "BCD", 0, 18, 4);
    row("FLOAT(18,5)", "FMTBcdField", 0, 18, 5);
    row("DOUBLE(19)", "FMTBcdField", 0, 19);
    row("DECIMAL", "LargeInt", 0, 10, 0);
    row("NUMERIC(2)", "ShortInt", 0, 2, 0);
    row("NUMERIC(4,0)", "SmallInt", 0, 4, 0);
    row("DEC(9)", "Integer", 0, 9, 0);
    row("NUMBER(20)", "LargeInt", 0, 20, 0);
    row("NUMERIC(21)", "FMTBcdField", 0, 21, 0);
    row("UNSIGNED NUMERIC(3)", "Byte", 0, 3, 0);
    row("UNSIGNED NUMERIC(5,0)", "Word", 0, 5, 0);
    row("UNSIGNED DECIMAL(10)", "LongWord", 0, 10, 0);
    row("UNSIGNED DECIMAL(21)", "LargeInt", 0, 21, 0);
    row("NUMERIC(10,2)", "BCD", 0, 10, 2);
    row("DECIMAL(12,2)", "BCD", 0, 12, 2);
    row("NUMERIC(18,4)", "BCD", 0, 18, 4);
    row("NUMERIC(19,2)", "FMTBcdField", 0, 19, 2);
    row("NUMERIC(10,5)", "FMTBcdField", 0, 10, 5);
    for (const char* name : {"MONEY", "SMALLMONEY", "CURRENCY", "FINANCIAL"}) {
        row(name, "Currency");
    }
    row("DATE", "Date");
    row("SMALLDATE", "Date");
    row("DATETIME", "DateTime");
    row("SMALLDATETIME", "DateTime");
    row("TIMESTAMP", "SQLTimeStamp");
    row("TIME", "Time");
    row("CHAR(1)", "FixedChar", 1);
    row("CHARACTER", "FixedChar", 32767);
    row("VARCHAR(50)", "String", 50);
    row("varchar ( 15 )", "String", 15);
    row("VARCHAR", "String", 32767);
    row("VARCHAR2(10)", "String", 10);
    row("TYNITEXT", "String", 32767);
    row("CHAR VARYING(20)", "String", 20);
    row("CHARACTER VARYING", "String", 32767);
    row("NCHAR(5)", "FixedWideChar", 5);
    row("NATIONAL CHAR", "FixedWideChar");
    row("NATIONAL CHARACTER(3)", "FixedWideChar", 3);
    row("NVARCHAR(50)", "WideString", 50);
    row("NVARCHAR2(8)", "WideString", 8);
    row("STRING", "WideString");
    row("NATIONAL CHAR VARYING(7)", "WideString", 7);
    row("NATIONAL CHARACTER VARYING", "WideString");
    row("NATIONAL VARYING CHAR", "WideString");
    row("NATIONAL VARYING CHARACTER", "WideString");
    row("RAW(10)", "VarBytes", 10);
    row("TYNIBLOB", "VarBytes");
    row("VARBINARY(100)", "VarBytes", 100);
    row("BINARY(16)", "Bytes", 16);
    row("BINARY VARYING(8)", "VarBytes", 8);
    row("VARBINARY(40000)", "Blob", 40000);
    for (const char* name : {"BLOB", "MEDIUMBLOB", "LONGBLOB", "TINYBLOB", "GENERAL", "LONG BINARY", "LONG RAW",
                             "LONGVARBINARY", "OLEOBJECT", "IMAGE", "GRAPHIC", "PICTURE", "PHOTO"}) {
        row(name, "Blob");
    }
    row("BLOB(100)", "VarBytes", 100);
    row("BLOB(32767)", "Blob", 32767);
    for (const char* name : {"MEDIUMTEXT", "LONGTEXT", "CLOB", "MEMO", "NOTE", "LONG", "LONG TEXT", "LONGCHAR",
                             "LONGVARCHAR", "TINYTEXT"}) {
        row(name, "Memo");
    }
    row("CLOB(200)", "String", 200);
    for (const char* name : {"TEXT", "NTEXT", "WTEXT", "NCLOB", "NMEMO", "LONG NTEXT", "LONG WTEXT", "NATIONAL TEXT",
                             "LONGWCHAR", "LONGWVARCHAR", "HTML", "text"}) {
        row(name, "WideMemo");
    }
    row("TEXT(100)", "WideString", 100);
    row("TEXT(32767)", "WideString", 32767);
    row("TEXT(32768)", "WideMemo", 32768);
    for (const char* name : {"XMLDATA", "XMLTYPE", "XML"}) {
        row(name, "dBaseOle");
    }
    row("GUID", "Guid");
    row("UNIQUEIDENTIFIER", "Guid");
    row("INTERVAL", "String");
    row("FOOBAR", "WideString");
    row("CHAR UNSIGNED", "WideString");
}

void TestSqliteTypes::declaredType() {
    QFETCH(QString, declared);
    QFETCH(QString, kind);
    QFETCH(int, length);
    QFETCH(int, precision);
    QFETCH(int, scale);

    if (declared != u"AUTOINCREMENT") {
        Conn->ExecSQL(QStringLiteral("create table t (c %1)").arg(declared), QStringList(), {});
        Conn->ExecSQL(QStringLiteral("insert into t values (null)"), QStringList(), {});
    }
    const TDbColumnInfo info = declared == u"AUTOINCREMENT" ? SQLiteTypeClassifier::Classify("c", declared)
                                                            : ColumnOf(QStringLiteral("select c from t"));
    QCOMPARE(info.Name, QStringLiteral("c"));
    QCOMPARE(info.KindName, kind);
    QCOMPARE(info.Length, length);
    QCOMPARE(info.Precision, precision);
    QCOMPARE(info.Scale, scale);
    QCOMPARE(info.IsInterval, declared == u"INTERVAL");
}

void TestSqliteTypes::rowidColumns_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("kind");
    QTest::newRow("ROWID") << "ROWID"
                           << "LargeInt";
    QTest::newRow("_rowid_") << "_rowid_"
                             << "LargeInt";
    QTest::newRow("oid") << "oid"
                         << "LargeInt";
    QTest::newRow("other name") << "rowids"
                                << "Integer";
}

void TestSqliteTypes::rowidColumns() {
    QFETCH(QString, column);
    QFETCH(QString, kind);
    Conn->ExecSQL(QStringLiteral("create table t (%1 INTEGER, v TEXT)").arg(column), QStringList(), {});
    Conn->ExecSQL(QStringLiteral("insert into t values (1, 'x')"), QStringList(), {});
    QCOMPARE(ColumnOf(QStringLiteral("select %1 from t").arg(column)).KindName, kind);
}

void TestSqliteTypes::autoIncrement() {
    Conn->ExecSQL("create table a (id INTEGER PRIMARY KEY AUTOINCREMENT, n INTEGER)", QStringList(), {});
    Conn->ExecSQL("insert into a (n) values (1)", QStringList(), {});
    QCOMPARE(ColumnOf("select id from a").KindName, QStringLiteral("AutoInc"));
    QCOMPARE(ColumnOf("select n from a").KindName, QStringLiteral("Integer"));
    QCOMPARE(ColumnOf("select id as renamed from a").KindName, QStringLiteral("AutoInc"));
}

void TestSqliteTypes::withoutDeclaredType_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("fieldKind");
    QTest::newRow("integer") << "42"
                             << "LargeInt" << 0 << int(TDbFieldKind::LargeInt);
    QTest::newRow("real") << "1.5"
                          << "Float" << 0 << int(TDbFieldKind::Float);
    QTest::newRow("text") << "'abc'"
                          << "WideString" << 32767 << int(TDbFieldKind::WideString);
    QTest::newRow("blob") << "x'00ff'"
                          << "Blob" << 0 << int(TDbFieldKind::Blob);
    QTest::newRow("null") << "null"
                          << "WideString" << 0 << int(TDbFieldKind::WideString);
    QTest::newRow("count") << "(select count(*) from sqlite_master)"
                           << "LargeInt" << 0 << int(TDbFieldKind::LargeInt);
}

void TestSqliteTypes::withoutDeclaredType() {
    QFETCH(QString, expression);
    QFETCH(QString, kind);
    QFETCH(int, length);
    QFETCH(int, fieldKind);
    const TDbColumnInfo info = ColumnOf(QStringLiteral("select %1 as v").arg(expression));
    QCOMPARE(info.KindName, kind);
    QCOMPARE(info.Length, length);
    QCOMPARE(int(info.FieldKind), fieldKind);
}

QTEST_GUILESS_MAIN(TestSqliteTypes)
#include "tst_sqlitetypes.moc"
