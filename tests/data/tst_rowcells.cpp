#include "data/RowBuffer.h"
#include "data/RowCell.h"
#include "data/TDbConnection.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"
#include "data/sqlite/SQLiteValueReader.h"

#include "SqliteTestFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

/// Cached rows keep each value as read and make it a QVariant only when asked: what they give must be what the value
/// read at once gives, type, nullness and all.
class TestRowCells : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void keptValuesComeBackAlike_data();
    void keptValuesComeBackAlike();
    void cachedRowsReadAsValuesReadAtOnce_data();
    void cachedRowsReadAsValuesReadAtOnce();
};

namespace {

void CompareAlike(const QVariant& AActual, const QVariant& AExpected) {
    QCOMPARE(AActual.typeId(), AExpected.typeId());
    QCOMPARE(AActual.isNull(), AExpected.isNull());
    if (AExpected.typeId() == QMetaType::QString) {
        QCOMPARE(AActual.toString().isNull(), AExpected.toString().isNull());
    }
    if (AExpected.typeId() == QMetaType::QByteArray) {
        QCOMPARE(AActual.toByteArray().isNull(), AExpected.toByteArray().isNull());
    }
    if (AExpected.metaType() == QMetaType::fromType<TDbDeferred>()) {
        QCOMPARE(AActual.value<TDbDeferred>().RowKey, AExpected.value<TDbDeferred>().RowKey);
    } else {
        QCOMPARE(AActual, AExpected);
    }
}

} // namespace

void TestRowCells::keptValuesComeBackAlike_data() {
    QTest::addColumn<QVariant>("value");
    QTest::newRow("null") << QVariant();
    QTest::newRow("int") << QVariant(-2147483647 - 1);
    QTest::newRow("int64") << QVariant(qint64(-9007199254740993));
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("double") << QVariant(498.34);
    QTest::newRow("ascii") << QVariant(QStringLiteral("Autorizado o uso da NF-e"));
    QTest::newRow("accented") << QVariant(QStringLiteral("Operação não autorizada: \U0001F600"));
    QTest::newRow("empty text") << QVariant(QStringLiteral(""));
    QTest::newRow("null text") << QVariant(QString());
    QTest::newRow("bytes") << QVariant(QByteArray("\x00<xml/>\xFF", 8));
    QTest::newRow("empty bytes") << QVariant(QByteArray(""));
    QTest::newRow("null bytes") << QVariant(QByteArray());
    QTest::newRow("timestamp") << QVariant(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999), Qt::UTC));
    QTest::newRow("timestamp before year 1") << QVariant(QDateTime(QDate(-44, 3, 15), QTime(10, 0), Qt::UTC));
    QTest::newRow("local timestamp") << QVariant(QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::LocalTime));
    QTest::newRow("invalid timestamp") << QVariant(QDateTime());
    QTest::newRow("deferred") << QVariant::fromValue(TDbDeferred{1234567890123});
}

// A kept value no longer depends on the one it was kept from.
void TestRowCells::keptValuesComeBackAlike() {
    QFETCH(QVariant, value);
    RowBuffer buffer(1);
    QVariant source = value;
    const RowCell kept = buffer.Keep(source);
    source = QVariant(QStringLiteral("something else entirely"));
    CompareAlike(kept.Value(), value);
}

void TestRowCells::cachedRowsReadAsValuesReadAtOnce_data() {
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("valueSql");
    QTest::addColumn<bool>("nulo");
    QTest::newRow("text") << "VARCHAR(50)"
                          << "'Autorizado  '" << false;
    QTest::newRow("accented text") << "VARCHAR(50)"
                                   << "'São Paulo'" << false;
    QTest::newRow("accented wide text") << "NVARCHAR(50)"
                                        << "'łódź'" << false;
    QTest::newRow("empty text") << "VARCHAR(50)"
                                << "''" << false;
    QTest::newRow("blanks only") << "VARCHAR(50)"
                                 << "'   '" << false;
    QTest::newRow("empty blob as text") << "VARCHAR(50)"
                                        << "x''" << false;
    QTest::newRow("null text") << "VARCHAR(50)"
                               << "null" << true;
    QTest::newRow("memo") << "MEMO"
                          << "'<a>ç</a>  '" << false;
    QTest::newRow("integer") << "INTEGER"
                             << "42" << false;
    QTest::newRow("null integer") << "INTEGER"
                                  << "null" << true;
    QTest::newRow("large integer") << "BIGINT"
                                   << "9007199254740993" << false;
    QTest::newRow("boolean") << "BOOLEAN"
                             << "2" << false;
    QTest::newRow("decimal") << "NUMERIC(10,2)"
                             << "498.34" << false;
    QTest::newRow("timestamp text") << "TIMESTAMP"
                                    << "'2024-03-01 08:24:22.5'" << false;
    QTest::newRow("timestamp julian") << "TIMESTAMP"
                                      << "2460371.5" << false;
    QTest::newRow("timestamp before year 1") << "TIMESTAMP"
                                             << "1000" << false;
    QTest::newRow("unreadable timestamp") << "TIMESTAMP"
                                          << "'2024-02-30 10:00'" << true;
    QTest::newRow("29 February of a common year") << "TIMESTAMP"
                                                  << "'2023-02-29'" << true;
    QTest::newRow("month 13") << "TIMESTAMP"
                              << "'2024-13-01 10:00'" << true;
    QTest::newRow("blob") << "BLOB"
                          << "x'00FF3C'" << false;
    QTest::newRow("empty blob") << "BLOB"
                                << "x''" << false;
}

void TestRowCells::cachedRowsReadAsValuesReadAtOnce() {
    QFETCH(QString, declared);
    QFETCH(QString, valueSql);
    QFETCH(bool, nulo);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dfe.db"));
    {
        SqliteTestFile file(path);
        file.Exec(QStringLiteral("create table t (v %1)").arg(declared));
        file.Exec(QStringLiteral("insert into t values (%1)").arg(valueSql));
    }
    TDbConnection connection;
    connection.Params = QStringList{QStringLiteral("DriverID=SQLite"), QStringLiteral("Database=") + path};
    connection.Open();
    TDbQuery query(&connection);
    query.Open(QStringLiteral("select v from t"));

    SqliteTestFile file(path);
    sqlite3_stmt* raw = nullptr;
    QCOMPARE(sqlite3_prepare_v2(file.Handle(), "select v from t", -1, &raw, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    QCOMPARE(sqlite3_step(raw), SQLITE_ROW);
    const QVariant atOnce = SQLiteValueReader::Read(raw, 0, query.Fields().at(0));
    CompareAlike(query.ValueAt(0, 0), atOnce);
    CompareAlike(query.FieldByIndex(0).AsVariant(), atOnce);
    // A timestamp that names no real moment reads as null, as a null does.
    QCOMPARE(query.FieldByIndex(0).IsNull(), nulo);
}

QTEST_GUILESS_MAIN(TestRowCells)
#include "tst_rowcells.moc"
