#include "SqliteTestFile.h"

#include "data/TDbConnection.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"

#include <QTemporaryDir>
#include <QTest>

/// The engine's memory while the SQLite back end reads a file far larger than its page cache may grow.
class TestSqliteMemory : public QObject {
    Q_OBJECT

private slots:
    void scanOfLargeFileStaysWithinHeapLimit();
};

// The connection asks for a 10,000-page cache (about 40 MiB); a scan that passes over 30 MiB of rows before its
// first match must not keep them all.
void TestSqliteMemory::scanOfLargeFileStaysWithinHeapLimit() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("large.sqlite"));
    {
        SqliteTestFile file(path);
        file.Exec(QStringLiteral("create table t (k integer, d text);"
                                 "with recursive n(k) as (select 1 union all select k + 1 from n where k < 10000) "
                                 "insert into t select k, hex(randomblob(1500)) from n"));
    }
    RegisterSQLiteBackend();
    TDbConnection connection;
    connection.Params = QStringList{QStringLiteral("DriverID=SQLite"), QStringLiteral("Database=") + path};
    connection.Open();
    QCOMPARE(connection.ExecSQLScalar(QStringLiteral("pragma cache_size"), {}, {}).toInt(), 10000);
    TDbQuery query(&connection);
    sqlite3_int64 used = 0;
    sqlite3_int64 peak = 0;
    QCOMPARE(sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &used, &peak, 1), SQLITE_OK);
    query.Open(QStringLiteral("select k from t where k > 9990"));
    QCOMPARE(query.FieldByIndex(0).AsInteger(), 9991);
    QCOMPARE(sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &used, &peak, 0), SQLITE_OK);
    QVERIFY2(peak < (sqlite3_int64(12) << 20), qPrintable(QStringLiteral("peak of %1 bytes").arg(peak)));
}

QTEST_GUILESS_MAIN(TestSqliteMemory)
#include "tst_sqlitememory.moc"
