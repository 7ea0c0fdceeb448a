// Result columns of the MSSQL back end: SQL types to field kinds, and column values to field values.
#include "data/TDbErrors.h"
#include "data/odbc/OdbcApi.h"
#include "data/odbc/OdbcColumnKinds.h"
#include "data/odbc/OdbcValueReader.h"

#include "PerPlatform.h"

#include <QDateTime>
#include <QTest>

Q_DECLARE_METATYPE(TDbFieldKind)

class tst_OdbcColumnKinds : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void classify_data();
    void classify();
    void convert_data();
    void convert();
    void textLongerThanFieldIsRefused_data();
    void textLongerThanFieldIsRefused();
};

void tst_OdbcColumnKinds::classify_data() {
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<qlonglong>("size");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("kindName");
    QTest::addColumn<TDbFieldKind>("fieldKind");
    QTest::addColumn<int>("length");
    using K = TDbFieldKind;
    QTest::newRow("varchar(17)") << int(SQL_VARCHAR) << 17LL << 0 << "String" << K::String << 17;
    QTest::newRow("char(3)") << int(SQL_CHAR) << 3LL << 0 << "FixedChar" << K::FixedChar << 3;
    QTest::newRow("varchar(8000)") << int(SQL_VARCHAR) << 8000LL << 0 << "String" << K::String << 8000;
    QTest::newRow("varchar(max) as 0") << int(SQL_VARCHAR) << 0LL << 0 << "Memo" << K::Memo << 0;
    QTest::newRow("varchar(max) as huge") << int(SQL_VARCHAR) << 2147483647LL << 0 << "Memo" << K::Memo << 0;
    QTest::newRow("text") << int(SQL_LONGVARCHAR) << 2147483647LL << 0 << "Memo" << K::Memo << 0;
    QTest::newRow("nvarchar(6)") << int(SQL_WVARCHAR) << 6LL << 0 << "WideString" << K::WideString << 6;
    QTest::newRow("nchar(10)") << int(SQL_WCHAR) << 10LL << 0 << "FixedWideChar" << K::WideString << 10;
    QTest::newRow("nvarchar(4000)") << int(SQL_WVARCHAR) << 4000LL << 0 << "WideString" << K::WideString << 4000;
    QTest::newRow("nvarchar(max) as 0") << int(SQL_WVARCHAR) << 0LL << 0 << "WideMemo" << K::WideMemo << 0;
    QTest::newRow("nvarchar(max) as huge") << int(SQL_WVARCHAR) << 1073741823LL << 0 << "WideMemo" << K::WideMemo << 0;
    QTest::newRow("ntext") << int(SQL_WLONGVARCHAR) << 1073741823LL << 0 << "WideMemo" << K::WideMemo << 0;
    QTest::newRow("xml") << -152 << 0LL << 0 << "WideMemo" << K::WideMemo << 0;
    QTest::newRow("int") << int(SQL_INTEGER) << 10LL << 0 << "Integer" << K::Integer << 0;
    QTest::newRow("smallint") << int(SQL_SMALLINT) << 5LL << 0 << "SmallInt" << K::Integer << 0;
    QTest::newRow("tinyint") << int(SQL_TINYINT) << 3LL << 0 << "Byte" << K::Integer << 0;
    QTest::newRow("bigint") << int(SQL_BIGINT) << 19LL << 0 << "LargeInt" << K::LargeInt << 0;
    QTest::newRow("bit") << int(SQL_BIT) << 1LL << 0 << "Boolean" << K::Boolean << 0;
    QTest::newRow("float") << int(SQL_FLOAT) << 53LL << 0 << "Float" << K::Float << 0;
    QTest::newRow("double") << int(SQL_DOUBLE) << 15LL << 0 << "Float" << K::Float << 0;
    QTest::newRow("real") << int(SQL_REAL) << 24LL << 0 << "Single" << K::Float << 0;
    QTest::newRow("numeric(18,4)") << int(SQL_NUMERIC) << 18LL << 4 << "BCD" << K::BCD << 0;
    QTest::newRow("decimal(15,2)") << int(SQL_DECIMAL) << 15LL << 2 << "BCD" << K::BCD << 0;
    QTest::newRow("numeric(19,4)") << int(SQL_NUMERIC) << 19LL << 4 << "FMTBcdField" << K::BCD << 0;
    QTest::newRow("decimal(18,6)") << int(SQL_DECIMAL) << 18LL << 6 << "FMTBcdField" << K::BCD << 0;
    QTest::newRow("datetime") << int(SQL_TYPE_TIMESTAMP) << 23LL << 3 << "SQLTimeStamp" << K::SQLTimeStamp << 0;
    QTest::newRow("odbc2 timestamp") << int(SQL_TIMESTAMP) << 23LL << 3 << "SQLTimeStamp" << K::SQLTimeStamp << 0;
    QTest::newRow("date") << int(SQL_TYPE_DATE) << 10LL << 0 << "Date" << K::SQLTimeStamp << 0;
    QTest::newRow("image") << int(SQL_LONGVARBINARY) << 2147483647LL << 0 << "Blob" << K::Blob << 0;
    QTest::newRow("varbinary(max)") << int(SQL_VARBINARY) << 0LL << 0 << "Blob" << K::Blob << 0;
    QTest::newRow("varbinary(16)") << int(SQL_VARBINARY) << 16LL << 0 << "VarBytes" << K::Blob << 16;
    QTest::newRow("binary(8)") << int(SQL_BINARY) << 8LL << 0 << "Bytes" << K::Blob << 8;
    QTest::newRow("uniqueidentifier") << int(SQL_GUID) << 36LL << 0 << "Guid" << K::WideString << 38;
    QTest::newRow("unknown type read as text") << 12345 << 0LL << 0 << "WideMemo" << K::WideMemo << 0;
}

void tst_OdbcColumnKinds::classify() {
    QFETCH(int, sqlType);
    QFETCH(qlonglong, size);
    QFETCH(int, digits);
    QFETCH(QString, kindName);
    QFETCH(TDbFieldKind, fieldKind);
    QFETCH(int, length);
    const TDbColumnInfo Info = OdbcColumnKinds::Classify("COL", sqlType, size, digits);
    QCOMPARE(Info.Name, QString("COL"));
    QCOMPARE(Info.KindName, kindName);
    QCOMPARE(Info.FieldKind, fieldKind);
    QCOMPARE(Info.Length, length);
    if (fieldKind == TDbFieldKind::BCD) {
        QCOMPARE(Info.Precision, int(size));
        QCOMPARE(Info.Scale, digits);
    }
}

void tst_OdbcColumnKinds::convert_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<TDbFieldKind>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<QVariant>("expected");
    using K = TDbFieldKind;
    const QDateTime Stamp(QDate(2024, 2, 29), QTime(23, 59, 58, 997), Qt::UTC);
    QTest::newRow("text to WideString") << QVariant("Lojá 1") << K::WideString << 0 << QVariant("Lojá 1");
    QTest::newRow("text to String") << QVariant("abc") << K::String << 0 << QVariant("abc");
    QTest::newRow("integer to text") << QVariant(qint64(42)) << K::WideString << 0 << QVariant("42");
    QTest::newRow("integer to Integer") << QVariant(qint64(-7)) << K::Integer << 0 << QVariant(-7);
    QTest::newRow("text to Integer") << QVariant("123") << K::Integer << 0 << QVariant(123);
    QTest::newRow("integer to LargeInt") << QVariant(qint64(1) << 40) << K::LargeInt << 0 << QVariant(qint64(1) << 40);
    QTest::newRow("decimal text to BCD") << QVariant("12.50") << K::BCD << 0 << QVariant(12.5);
    QTest::newRow("decimal text to text") << QVariant("12.50") << K::String << 0 << QVariant("12.50");
    QTest::newRow("double to Float") << QVariant(0.25) << K::Float << 0 << QVariant(0.25);
    QTest::newRow("timestamp") << QVariant(Stamp) << K::SQLTimeStamp << 0 << QVariant(Stamp);
    QTest::newRow("bytes to Blob") << QVariant(QByteArray("\x00\xff", 2)) << K::Blob << 0
                                   << QVariant(QByteArray("\x00\xff", 2));
    QTest::newRow("text to Blob as UTF-8") << QVariant("é") << K::Blob << 0 << QVariant(QByteArray("\xc3\xa9"));
    QTest::newRow("bit to Boolean") << QVariant(true) << K::Boolean << 0 << QVariant(true);
    QTest::newRow("8-bit kinds keep the code page")
        << QVariant("Ação € Ω") << K::String << 0 << PerPlatform(QVariant("Ação € ?"), QVariant("Ação € O"));
    QTest::newRow("8-bit memo keeps the code page")
        << QVariant("Ω") << K::Memo << 0 << PerPlatform(QVariant("?"), QVariant("O"));
    QTest::newRow("wide kinds keep everything") << QVariant("Ação € Ω") << K::WideString << 0 << QVariant("Ação € Ω");
    QTest::newRow("text of the field's size") << QVariant("LJ0001") << K::WideString << 6 << QVariant("LJ0001");
    QTest::newRow("memo has no limit") << QVariant("abcdefgh") << K::WideMemo << 4 << QVariant("abcdefgh");
    QTest::newRow("null text") << QVariant() << K::WideString << 0 << QVariant();
    QTest::newRow("null integer stays null") << QVariant() << K::Integer << 0 << QVariant();
}

void tst_OdbcColumnKinds::convert() {
    QFETCH(QVariant, value);
    QFETCH(TDbFieldKind, kind);
    QFETCH(int, size);
    QFETCH(QVariant, expected);
    const QVariant Result = OdbcValueReader::Convert(value, TDbFieldDef{"F", kind, size, 0, 0}, "COL");
    QCOMPARE(Result.isNull(), expected.isNull());
    QCOMPARE(Result.typeId(), expected.typeId());
    QCOMPARE(Result, expected);
}

void tst_OdbcColumnKinds::textLongerThanFieldIsRefused_data() {
    QTest::addColumn<TDbFieldKind>("kind");
    QTest::newRow("WideString") << TDbFieldKind::WideString;
    QTest::newRow("String") << TDbFieldKind::String;
    QTest::newRow("FixedChar") << TDbFieldKind::FixedChar;
}

void tst_OdbcColumnKinds::textLongerThanFieldIsRefused() {
    QFETCH(TDbFieldKind, kind);
    try {
        OdbcValueReader::Convert(QVariant("LOJA0001"), TDbFieldDef{"F", kind, 6, 0, 0}, "ET_ETABLISSEMENT");
        QFAIL("no error raised");
    } catch (const EDbError& Error) {
        QCOMPARE(Error.message(), QString("[Strata][DatS]-32. Variable length column [ET_ETABLISSEMENT] overflow. "
                                          "Value length - [8], column maximum length - [6]"));
    }
}

QTEST_GUILESS_MAIN(tst_OdbcColumnKinds)
#include "tst_odbccolumnkinds.moc"
