#include "data/TDbField.h"
#include "data/sqlite/SQLiteTimeStamp.h"

#include <QTest>

/// Field values as text and numbers, and the timestamp forms the SQLite back end reads.
class TestDbField : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blobAsString_data();
    void blobAsString();
    void valuesAsStringAndInteger_data();
    void valuesAsStringAndInteger();
    void timestampText_data();
    void timestampText();
    void timestampJulianDay_data();
    void timestampJulianDay();
};

void TestDbField::blobAsString_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray("") << QStringLiteral("");
    QTest::newRow("ascii xml") << QByteArray("<?xml version=\"1.0\"?><a>1</a>") << "<?xml version=\"1.0\"?><a>1</a>";
    QTest::newRow("utf-8 cedilla") << QByteArray("a\xC3\xA7\xC3\xA3o") << QStringLiteral("ação");
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF<a>\xC3\xA7</a>") << QStringLiteral("<a>ç</a>");
    QTest::newRow("windows-1252") << QByteArray("a\xE7\xE3o \x80") << QStringLiteral("ação €");
    QTest::newRow("undefined 1252 bytes")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
    QTest::newRow("truncated utf-8") << QByteArray("ab\xC3") << QStringLiteral("abÃ");
    QTest::newRow("overlong utf-8") << QByteArray("\xC0\xAF") << QStringLiteral("À¯");
}

void TestDbField::blobAsString() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const TDbField field({"XML_ZEVRIK", TDbFieldKind::Blob}, bytes);
    QVERIFY(!field.IsNull());
    QCOMPARE(field.AsString(), text);
    QVERIFY2(!field.AsString().isNull(), "a null text is not the empty text");
    QCOMPARE(field.AsBytes(), bytes);
}

void TestDbField::valuesAsStringAndInteger_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("integer");
    QTest::newRow("null") << int(TDbFieldKind::Integer) << QVariant() << QStringLiteral("") << 0;
    QTest::newRow("null blob") << int(TDbFieldKind::Blob) << QVariant() << QStringLiteral("") << 0;
    QTest::newRow("null text") << int(TDbFieldKind::String) << QVariant(QString()) << QStringLiteral("") << 0;
    QTest::newRow("integer") << int(TDbFieldKind::Integer) << QVariant(-42) << "-42" << -42;
    QTest::newRow("large") << int(TDbFieldKind::LargeInt) << QVariant(qint64(7)) << "7" << 7;
    QTest::newRow("text number") << int(TDbFieldKind::String) << QVariant(" 15") << " 15" << 15;
    QTest::newRow("decimal") << int(TDbFieldKind::BCD) << QVariant(12.5) << "12.5" << 13;
    QTest::newRow("timestamp") << int(TDbFieldKind::SQLTimeStamp)
                               << QVariant(QDateTime(QDate(2016, 4, 30), QTime(23, 59, 59), Qt::UTC))
                               << "30/04/2016 23:59:59" << 0;
}

void TestDbField::valuesAsStringAndInteger() {
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QFETCH(int, integer);
    const TDbField field({"F", TDbFieldKind(kind)}, value);
    QCOMPARE(field.IsNull(), !value.isValid());
    QCOMPARE(field.AsString(), text);
    QVERIFY2(!field.AsString().isNull(), "a null text is not the empty text");
    QCOMPARE(field.AsInteger(), integer);
}

void TestDbField::timestampText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDateTime>("expected");
    const auto at = [](int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
    };
    QTest::newRow("date and time") << QByteArray("2016-04-30 23:59:59") << at(2016, 4, 30, 23, 59, 59);
    QTest::newRow("T, no seconds") << QByteArray("2016-04-30T10:00") << at(2016, 4, 30, 10);
    QTest::newRow("lower t") << QByteArray("2016-04-30t10:00:01") << at(2016, 4, 30, 10, 0, 1);
    QTest::newRow("date only") << QByteArray("2016-04-30") << at(2016, 4, 30);
    QTest::newRow("milliseconds") << QByteArray("2016-04-30 10:20:30.123") << at(2016, 4, 30, 10, 20, 30, 123);
    QTest::newRow("one ms digit") << QByteArray("2016-04-30 10:20:30.5") << at(2016, 4, 30, 10, 20, 30, 500);
    QTest::newRow("more digits ignored") << QByteArray("2016-04-30 10:20:30.12345") << at(2016, 4, 30, 10, 20, 30, 123);
    QTest::newRow("zone ignored") << QByteArray("2016-04-30T23:30:00-03:00") << at(2016, 4, 30, 23, 30);
    QTest::newRow("many blanks") << QByteArray("2016-04-30   T 08:09") << at(2016, 4, 30, 8, 9);
    QTest::newRow("day.month.year") << QByteArray("30.04.2016 10:00:00") << at(2016, 4, 30, 10);
    QTest::newRow("day.month.year only") << QByteArray("01.02.2003") << at(2003, 2, 1);
    QTest::newRow("julian text") << QByteArray("2457508.5") << at(2016, 4, 30);
    QTest::newRow("zero date") << QByteArray("0000-00-00 00:00:00") << QDateTime();
    QTest::newRow("zero day") << QByteArray("2016-04-00") << QDateTime();
    QTest::newRow("no date") << QByteArray("ontem") << QDateTime();
    QTest::newRow("empty") << QByteArray("") << QDateTime();
    QTest::newRow("impossible day") << QByteArray("2016-02-30") << QDateTime();
    QTest::newRow("bad hour") << QByteArray("2016-04-30 25:00") << QDateTime();
    QTest::newRow("letters in date") << QByteArray("2016-0a-30") << QDateTime();
}

void TestDbField::timestampText() {
    QFETCH(QByteArray, text);
    QFETCH(QDateTime, expected);
    QCOMPARE(SQLiteTimeStamp::FromText(text), expected);
}

void TestDbField::timestampJulianDay_data() {
    QTest::addColumn<double>("julian");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("midnight") << 2457508.5 << QDateTime(QDate(2016, 4, 30), QTime(0, 0), Qt::UTC);
    QTest::newRow("noon") << 2457509.0 << QDateTime(QDate(2016, 4, 30), QTime(12, 0), Qt::UTC);
    QTest::newRow("unix epoch") << 2440587.5 << QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("rounded to ms") << 2457508.5 + 1.0 / 86400000.0 * 0.6
                                   << QDateTime(QDate(2016, 4, 30), QTime(0, 0, 0, 1), Qt::UTC);
    QTest::newRow("negative") << -1.0 << QDateTime();
    QTest::newRow("beyond year 9999") << 6000000.0 << QDateTime();
}

void TestDbField::timestampJulianDay() {
    QFETCH(double, julian);
    QFETCH(QDateTime, expected);
    QCOMPARE(SQLiteTimeStamp::FromJulianDay(julian), expected);
}

QTEST_GUILESS_MAIN(TestDbField)
#include "tst_dbfield.moc"
