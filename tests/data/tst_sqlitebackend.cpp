#include "PerPlatform.h"
#include "SqliteTestFile.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"
#include "data/sqlite/SQLiteValueReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

/// The SQLite back end over real files: open settings, engine errors and the reading rules.
class TestSqliteBackend : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void init();
    void cleanup();

    void pragmasOnEveryOpen_data();
    void pragmasOnEveryOpen();
    void emptyPathOpensMemory();
    void missingFileIsCreatedEmpty();
    void openErrors_data();
    void openErrors();
    void noSuchTableIsEngineError();
    void lockedFileFailsAtOnce();
    void readLockKeptUntilClose();

    void textIsTrimmed_data();
    void textIsTrimmed();
    void ansiRoundTrip_data();
    void ansiRoundTrip();
    void overflowAtTheRowThatOverflows();
    void overflowInFirstRowsFailsOpen_data();
    void overflowInFirstRowsFailsOpen();
    void integersTruncatedTo32Bits();
    void timestampsByStorageClass_data();
    void timestampsByStorageClass();
    void blobsAsStoredBytes_data();
    void blobsAsStoredBytes();
    void decimals_data();
    void decimals();
    void decimalFromTextValue();

private:
    QString Path() const { return Dir->filePath("dfe.db"); }
    /// Opens a one-column row set with a declared field of AKind over a table holding AValueSql.
    QVariant ReadAs(const QString& ADeclared, const QString& AValueSql, TDbFieldKind AKind, int ASize = 0);

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TDbConnection> Conn;
};

void TestSqliteBackend::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Conn = std::make_unique<TDbConnection>();
    Conn->setObjectName("sqlConexaoLocal");
    Conn->Params = QStringList{"DriverID=SQLite", "Database=" + Path()};
}

void TestSqliteBackend::cleanup() {
    Conn.reset();
    Dir.reset();
}

QVariant TestSqliteBackend::ReadAs(const QString& ADeclared, const QString& AValueSql, TDbFieldKind AKind, int ASize) {
    {
        SqliteTestFile file(Path());
        file.Exec(QStringLiteral("create table t (v %1)").arg(ADeclared));
        file.Exec(QStringLiteral("insert into t values (%1)").arg(AValueSql));
    }
    Conn->Open();
    TDbQuery query(Conn.get());
    query.AddFieldDef({"V", AKind, ASize, AKind == TDbFieldKind::BCD ? 10 : 0, AKind == TDbFieldKind::BCD ? 2 : 0});
    query.Open("select v from t");
    return query.FieldByIndex(0).AsVariant();
}

void TestSqliteBackend::pragmasOnEveryOpen_data() {
    QTest::addColumn<QString>("pragma");
    QTest::addColumn<QString>("value");
    QTest::newRow("cache_size") << "cache_size"
                                << "10000";
    QTest::newRow("locking_mode") << "locking_mode"
                                  << "exclusive";
    QTest::newRow("synchronous") << "synchronous"
                                 << "0";
    QTest::newRow("journal_mode") << "journal_mode"
                                  << "delete";
    QTest::newRow("foreign_keys") << "foreign_keys"
                                  << "1";
}

void TestSqliteBackend::pragmasOnEveryOpen() {
    QFETCH(QString, pragma);
    QFETCH(QString, value);
    {
        // A file whose own settings differ.
        SqliteTestFile file(Path());
        file.Exec("pragma journal_mode = wal; create table t (a)");
    }
    Conn->Open();
    QCOMPARE(Conn->ExecSQLScalar("pragma " + pragma, {}, {}).toString(), value);
}

void TestSqliteBackend::emptyPathOpensMemory() {
    Conn->Params = QStringList{"DriverID=SQLite", "Database="};
    Conn->Open();
    QVERIFY(Conn->Connected());
    Conn->ExecSQL("create table t (a)", QStringList(), {});
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from sqlite_master", {}, {}).toInt(), 1);
    Conn->Close();
    QVERIFY(QDir(Dir->path()).isEmpty());
    Conn->Open();
    QCOMPARE(Conn->ExecSQLScalar("select count(*) from sqlite_master", {}, {}).toInt(), 0);
}

void TestSqliteBackend::missingFileIsCreatedEmpty() {
    QVERIFY(!QFile::exists(Path()));
    Conn->Open();
    QVERIFY(QFile::exists(Path()));
    QCOMPARE(QFileInfo(Path()).size(), 0);
}

void TestSqliteBackend::openErrors_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("engineMessage");
    QTest::addColumn<int>("nativeError");
    QTest::newRow("missing folder") << "nao/existe/dfe.db"
                                    << "unable to open database file" << SQLITE_CANTOPEN;
    QTest::newRow("a directory") << "pasta"
                                 << "unable to open database file" << SQLITE_CANTOPEN;
    QTest::newRow("not a database") << "lixo.db"
                                    << "file is not a database" << SQLITE_NOTADB;
}

void TestSqliteBackend::openErrors() {
    QFETCH(QString, target);
    QFETCH(QString, engineMessage);
    QFETCH(int, nativeError);
    QVERIFY(QDir(Dir->path()).mkdir("pasta"));
    QFile junk(Dir->filePath("lixo.db"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();

    Conn->Params = QStringList{"DriverID=SQLite", "Database=" + Dir->filePath(target)};
    try {
        Conn->Open();
        QFAIL("opened");
    } catch (const EDbEngineError& error) {
        QCOMPARE(error.message(), "[Strata][Phys][SQLite] ERROR: " + engineMessage);
        QCOMPARE(error.TypeName, QStringLiteral("ESQLiteNativeException"));
        QCOMPARE(error.LayerCode, 1600);
        QCOMPARE(error.ObjectName, QStringLiteral("sqlConexaoLocal"));
        QCOMPARE(error.Records.size(), 1);
        QCOMPARE(error.Records.first().NativeError & 0xFF, nativeError);
        QCOMPARE(error.Records.first().MessageText, engineMessage);
    }
    QVERIFY(!Conn->Connected());
}

void TestSqliteBackend::noSuchTableIsEngineError() {
    Conn->Params = QStringList{"DriverID=SQLite", "Database="};
    Conn->Open();
    TDbQuery query(Conn.get());
    try {
        query.Open("select * from tb_nfce");
        QFAIL("opened");
    } catch (const EDbEngineError& error) {
        QCOMPARE(error.message(), QStringLiteral("[Strata][Phys][SQLite] ERROR: no such table: tb_nfce"));
        QCOMPARE(error.Records.first().Kind, TDbErrorKind::ObjNotExists);
        QCOMPARE(error.Records.first().ObjName, QStringLiteral("tb_nfce"));
    }
    QVERIFY(Conn->Connected());
    QVERIFY(!query.Active());
}

void TestSqliteBackend::lockedFileFailsAtOnce() {
    SqliteTestFile other(Path());
    other.Exec("create table t (a); insert into t values (1)");
    other.Exec("begin exclusive; insert into t values (2)");
    QElapsedTimer timer;
    timer.start();
    try {
        Conn->Open();
        TDbQuery query(Conn.get());
        query.Open("select * from t");
        QFAIL("read a locked file");
    } catch (const EDbEngineError& error) {
        QCOMPARE(error.message(), QStringLiteral("[Strata][Phys][SQLite] ERROR: database is locked"));
        QCOMPARE(error.Records.first().Kind, TDbErrorKind::RecordLocked);
    }
    QVERIFY2(timer.elapsed() < 1000, "the statement waited for the lock");
    other.Exec("rollback");
}

void TestSqliteBackend::readLockKeptUntilClose() {
    {
        SqliteTestFile file(Path());
        file.Exec("create table t (a); insert into t values (1)");
    }
    Conn->Open();
    TDbQuery query(Conn.get());
    query.Open("select * from t");
    query.Close();
    SqliteTestFile other(Path());
    // Reading goes on; the other side's writes wait for this connection to close.
    QCOMPARE(other.Exec("select * from t", false), SQLITE_OK);
    QCOMPARE(other.Exec("insert into t values (2)", false), SQLITE_BUSY);
    Conn->Close();
    QCOMPARE(other.Exec("insert into t values (2)", false), SQLITE_OK);
}

void TestSqliteBackend::textIsTrimmed_data() {
    QTest::addColumn<QString>("valueSql");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks") << "'ABC123   '"
                            << "ABC123";
    QTest::newRow("controls") << "'ABC' || char(9, 13, 10, 0, 31, 32)"
                              << "ABC";
    QTest::newRow("leading kept") << "'  ABC '"
                                  << "  ABC";
    QTest::newRow("only blanks") << "'   '"
                                 << "";
    QTest::newRow("number as text") << "12.5"
                                    << "12.5";
    QTest::newRow("no-break space kept") << "'A' || char(160)" << QString::fromUtf16(u"A\u00A0");
}

void TestSqliteBackend::textIsTrimmed() {
    QFETCH(QString, valueSql);
    QFETCH(QString, expected);
    QCOMPARE(ReadAs("VARCHAR(50)", valueSql, TDbFieldKind::String, 50).toString(), expected);
}

void TestSqliteBackend::ansiRoundTrip_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    const QString latin = QStringLiteral("Ação çé € “x” Ž");
    QTest::newRow("8-bit keeps code page") << int(TDbFieldKind::String) << latin << latin;
    QTest::newRow("8-bit loses the rest") << int(TDbFieldKind::String) << QStringLiteral("中a😀")
                                          << PerPlatform(QStringLiteral("?a?"), QStringLiteral("?a??"));
    QTest::newRow("wide keeps everything")
        << int(TDbFieldKind::WideString) << QStringLiteral("中a😀ç") << QStringLiteral("中a😀ç");
}

void TestSqliteBackend::ansiRoundTrip() {
    QFETCH(int, kind);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    {
        SqliteTestFile file(Path());
        file.Exec("create table t (v VARCHAR(50), w NVARCHAR(50))");
    }
    Conn->Open();
    Conn->ExecSQL("insert into t values (:V, :V)", {stored}, {TDbFieldType::ftWideMemo});
    TDbQuery query(Conn.get());
    query.AddFieldDef({"V", TDbFieldKind(kind), 50});
    query.Open("select v from t");
    QCOMPARE(query.FieldByIndex(0).AsString(), expected);
}

void TestSqliteBackend::overflowAtTheRowThatOverflows() {
    // Rows 1 to BatchSize + 1 fit (row 2 only once its trailing blanks are gone); the next one overflows.
    const int last = TDbQuery::BatchSize + 1;
    {
        SqliteTestFile file(Path());
        file.Exec("create table t (id integer, nome varchar(5))");
        file.Exec(QStringLiteral("with recursive s(n) as (select 1 union all select n + 1 from s where n < %1) "
                                 "insert into t select n, case n when 2 then 'dois  ' else 'um' end from s")
                      .arg(last));
        file.Exec(QStringLiteral("insert into t values (%1, 'quatro'), (%2, 'cinco')").arg(last + 1).arg(last + 2));
    }
    Conn->Open();
    TDbQuery query(Conn.get());
    query.AddFieldDef({"NOME", TDbFieldKind::String, 10});
    query.Open("select nome from t order by id");
    QCOMPARE(query.Fields().first().Size, 5);
    QCOMPARE(query.FetchedRowCount(), TDbQuery::BatchSize);
    QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("um"));
    query.Next();
    QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("dois"));
    query.MoveTo(last - 1);
    QCOMPARE(query.RecNo(), last - 1);
    QCOMPARE(query.FetchedRowCount(), last);
    const QString message = "[Strata][DatS]-32. Variable length column [nome] overflow. Value length - [6], "
                            "column maximum length - [5]";
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            query.Next();
            QFAIL("read past an overflowing value");
        } catch (const EDbEngineError&) {
            QFAIL("an overflow is the layer's own error");
        } catch (const EDbError& error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(query.RecNo(), last - 1);
        QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("um"));
    }
    QVERIFY_THROWS_EXCEPTION(EDbError, query.MoveTo(last + 1));
    QVERIFY_THROWS_EXCEPTION(EDbError, query.FetchMore(10));
    QCOMPARE(query.FetchedRowCount(), last);
    QCOMPARE(query.ValueAt(1, 0).toString(), QStringLiteral("dois"));
    QVERIFY(!query.ValueAt(last, 0).isValid());
    query.First();
    QCOMPARE(query.FieldByIndex(0).AsString(), QStringLiteral("um"));
}

void TestSqliteBackend::overflowInFirstRowsFailsOpen_data() {
    QTest::addColumn<int>("bad");
    QTest::newRow("first row") << 1;
    QTest::newRow("second row") << 2;
    QTest::newRow("last row the open reads") << TDbQuery::BatchSize;
}

void TestSqliteBackend::overflowInFirstRowsFailsOpen() {
    QFETCH(int, bad);
    {
        SqliteTestFile file(Path());
        file.Exec("create table t (id integer, nome varchar(3))");
        file.Exec(QStringLiteral("with recursive s(n) as (select 1 union all select n + 1 from s where n < %1) "
                                 "insert into t select n, case n when %2 then 'longo' else 'ok' end from s")
                      .arg(TDbQuery::BatchSize + 10)
                      .arg(bad));
    }
    Conn->Open();
    TDbQuery query(Conn.get());
    try {
        query.Open("select nome from t order by id");
        QFAIL("the open listed the rows before the overflow");
    } catch (const EDbError& error) {
        QCOMPARE(error.message(), QStringLiteral("[Strata][DatS]-32. Variable length column [nome] overflow. "
                                                 "Value length - [5], column maximum length - [3]"));
    }
    QVERIFY(!query.Active());
    QVERIFY(Conn->Connected());
}

void TestSqliteBackend::integersTruncatedTo32Bits() {
    QCOMPARE(ReadAs("INTEGER", "4294967301", TDbFieldKind::Integer), QVariant(5));
    QCOMPARE(Conn->ExecSQLScalar("select v from t", {}, {}), QVariant(5));
    QCOMPARE(Conn->ExecSQLScalar("select v + 0 from t", {}, {}), QVariant(qint64(4294967301)));
    // Text in an integer column becomes what SQLite's conversion makes of it.
    Conn->ExecSQL("update t set v = '12abc'", QStringList(), {});
    QCOMPARE(Conn->ExecSQLScalar("select v from t", {}, {}), QVariant(12));
    Conn->Close();
    QVERIFY_THROWS_EXCEPTION(EDbError, Conn->ExecSQLScalar("select 1", {}, {}));
}

void TestSqliteBackend::timestampsByStorageClass_data() {
    QTest::addColumn<QString>("valueSql");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime lastSecond(QDate(2016, 4, 30), QTime(23, 59, 59), Qt::UTC);
    QTest::newRow("text") << "'2016-04-30 23:59:59'" << lastSecond;
    QTest::newRow("text with T") << "'2016-04-30T10:00'" << QDateTime(QDate(2016, 4, 30), QTime(10, 0), Qt::UTC);
    QTest::newRow("dotted text") << "'30.04.2016 10:00:00'" << QDateTime(QDate(2016, 4, 30), QTime(10, 0), Qt::UTC);
    QTest::newRow("real julian") << "2457508.5" << QDateTime(QDate(2016, 4, 30), QTime(0, 0), Qt::UTC);
    QTest::newRow("integer julian") << "2457509" << QDateTime(QDate(2016, 4, 30), QTime(12, 0), Qt::UTC);
    QTest::newRow("blob text") << "cast('2016-04-30 23:59:59' as blob)" << lastSecond;
    QTest::newRow("julianday()") << "julianday('2016-04-30 23:59:59')" << lastSecond;
    QTest::newRow("null") << "null" << QDateTime();
    QTest::newRow("unreadable") << "'amanhã'" << QDateTime();
    QTest::newRow("zero date") << "'0000-00-00'" << QDateTime();
}

void TestSqliteBackend::timestampsByStorageClass() {
    QFETCH(QString, valueSql);
    QFETCH(QDateTime, expected);
    const QVariant value = ReadAs("TIMESTAMP", valueSql, TDbFieldKind::SQLTimeStamp);
    QCOMPARE(value.isValid(), expected.isValid());
    QCOMPARE(value.toDateTime(), expected);
}

void TestSqliteBackend::blobsAsStoredBytes_data() {
    QTest::addColumn<QString>("valueSql");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("blob") << "x'00FF3C'" << QByteArray("\x00\xFF\x3C", 3);
    QTest::newRow("utf-8 text") << "'<a>ç</a>'" << QByteArray("<a>\xC3\xA7</a>");
    QTest::newRow("integer") << "42" << QByteArray("42");
    QTest::newRow("real") << "1.5" << QByteArray("1.5");
    QTest::newRow("empty blob") << "x''" << QByteArray();
}

void TestSqliteBackend::blobsAsStoredBytes() {
    QFETCH(QString, valueSql);
    QFETCH(QByteArray, expected);
    const QVariant value = ReadAs("BLOB", valueSql, TDbFieldKind::Blob);
    QVERIFY(value.isValid());
    QCOMPARE(value.toByteArray(), expected);
}

void TestSqliteBackend::decimals_data() {
    QTest::addColumn<QString>("valueSql");
    QTest::addColumn<double>("expected");
    QTest::newRow("real") << "12.5" << 12.5;
    QTest::newRow("integer") << "3" << 3.0;
    QTest::newRow("text") << "'7.25'" << 7.25;
}

void TestSqliteBackend::decimals() {
    QFETCH(QString, valueSql);
    QFETCH(double, expected);
    QCOMPARE(ReadAs("NUMERIC(10,2)", valueSql, TDbFieldKind::BCD).toDouble(), expected);
}

void TestSqliteBackend::decimalFromTextValue() {
    // Numeric affinity turns well-formed text into numbers on insert; an expression keeps it text.
    SqliteTestFile file(Path());
    sqlite3_stmt* raw = nullptr;
    QCOMPARE(sqlite3_prepare_v2(file.Handle(), "select '7.25', '-0.5'", -1, &raw, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    QCOMPARE(sqlite3_step(raw), SQLITE_ROW);
    QCOMPARE(sqlite3_column_type(raw, 0), SQLITE_TEXT);
    QCOMPARE(SQLiteValueReader::Read(raw, 0, {"V", TDbFieldKind::BCD, 0, 10, 2}), QVariant(7.25));
    QCOMPARE(SQLiteValueReader::Read(raw, 1, {"V", TDbFieldKind::BCD, 0, 10, 2}), QVariant(-0.5));
}

QTEST_GUILESS_MAIN(TestSqliteBackend)
#include "tst_sqlitebackend.moc"
