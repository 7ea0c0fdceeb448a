#include "widgets/grid/CellFormat.h"

#include "data/RowCell.h"

#include <QDateTime>
#include <QLocale>
#include <QTest>

#include <limits>

/// Cell texts of the document grid: the formats a locale gives are read once and applied by hand where that gives
/// the locale's very text; these cases compare them with the locale's own formatting.
class TestDbGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timestampsAsTheLocaleWritesThem_data();
    void timestampsAsTheLocaleWritesThem();
    void numbersAndText_data();
    void numbersAndText();
    void switchingLocalesUsesEachOnesFormats();
    void decimalsAsTheGeneralFormat_data();
    void decimalsAsTheGeneralFormat();
    void smallNumbersAndSingleCharacters();
};

namespace {

QString CellText(const TDbFieldDef& ADef, const RowCell& ACell, const QLocale& ALocale) {
    return CellFormat(ALocale).Text(ADef, ACell);
}

QString CellText(const TDbFieldDef& ADef, const QVariant& AValue, const QLocale& ALocale) {
    return CellText(ADef, RowCell::Of(AValue), ALocale);
}

TDbFieldDef Def(TDbFieldKind AKind) {
    TDbFieldDef def;
    def.Name = QStringLiteral("CAMPO");
    def.Kind = AKind;
    return def;
}

/// The regional short date, a blank and the regional long time without its time zone; the date alone at midnight.
QString Expected(const QLocale& ALocale, const QDateTime& AMoment) {
    const QString date = ALocale.toString(AMoment.date(), QLocale::ShortFormat);
    if (AMoment.time() == QTime(0, 0)) {
        return date;
    }
    QString format;
    bool quoted = false;
    for (const QChar c : ALocale.timeFormat(QLocale::LongFormat)) {
        quoted = c == QLatin1Char('\'') ? !quoted : quoted;
        if (quoted || c != QLatin1Char('t')) {
            format.append(c);
        }
    }
    return date + QLatin1Char(' ') + ALocale.toString(AMoment.time(), format.trimmed());
}

const QList<QDateTime> Moments = {
    QDateTime(QDate(2024, 3, 1), QTime(8, 0, 23), Qt::UTC),
    QDateTime(QDate(2016, 4, 30), QTime(23, 59, 59), Qt::UTC),
    QDateTime(QDate(2016, 4, 30), QTime(0, 0), Qt::UTC),
    QDateTime(QDate(2005, 11, 9), QTime(12, 5, 7), Qt::UTC),
    QDateTime(QDate(999, 1, 2), QTime(1, 2, 3, 456), Qt::UTC),
    QDateTime(QDate(-44, 3, 15), QTime(10, 0), Qt::UTC),
};

} // namespace

void TestDbGridModel::timestampsAsTheLocaleWritesThem_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"pt_BR", "en_US", "de_DE", "ja_JP", "ar_EG", "fa_IR", "fr_CA", "hi_IN"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
    QTest::newRow("system") << QString();
}

void TestDbGridModel::timestampsAsTheLocaleWritesThem() {
    QFETCH(QString, locale);
    const QLocale loc = locale.isEmpty() ? QLocale::system() : QLocale(locale);
    for (const QDateTime& moment : Moments) {
        QCOMPARE(CellText(Def(TDbFieldKind::SQLTimeStamp), moment, loc), Expected(loc, moment));
    }
    QCOMPARE(CellText(Def(TDbFieldKind::SQLTimeStamp), QVariant(), loc), QString());
}

void TestDbGridModel::numbersAndText_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << int(TDbFieldKind::Integer) << QVariant(4711) << "4711";
    QTest::newRow("zero") << int(TDbFieldKind::Integer) << QVariant(0) << "0";
    QTest::newRow("negative") << int(TDbFieldKind::Integer) << QVariant(-2147483647 - 1) << "-2147483648";
    QTest::newRow("large integer") << int(TDbFieldKind::LargeInt) << QVariant(qint64(-9007199254740993))
                                   << "-9007199254740993";
    QTest::newRow("decimal") << int(TDbFieldKind::BCD) << QVariant(498.3) << "498,3";
    QTest::newRow("whole decimal") << int(TDbFieldKind::BCD) << QVariant(397.0) << "397";
    QTest::newRow("text") << int(TDbFieldKind::String) << QVariant(QStringLiteral("Autorizado")) << "Autorizado";
    QTest::newRow("null text") << int(TDbFieldKind::String) << QVariant() << "";
    QTest::newRow("blob") << int(TDbFieldKind::Blob) << QVariant(QByteArray("<x/>")) << "(BLOB)";
    QTest::newRow("null blob") << int(TDbFieldKind::Blob) << QVariant() << "(Blob)";
}

void TestDbGridModel::numbersAndText() {
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QCOMPARE(CellText(Def(TDbFieldKind(kind)), value, QLocale(QStringLiteral("pt_BR"))), text);
}

void TestDbGridModel::switchingLocalesUsesEachOnesFormats() {
    const QDateTime moment(QDate(2024, 3, 1), QTime(8, 0, 23), Qt::UTC);
    const TDbFieldDef def = Def(TDbFieldKind::SQLTimeStamp);
    QCOMPARE(CellText(def, moment, QLocale(QStringLiteral("pt_BR"))), QStringLiteral("01/03/2024 08:00:23"));
    QCOMPARE(CellText(def, moment, QLocale(QStringLiteral("en_US"))),
             Expected(QLocale(QStringLiteral("en_US")), moment));
    QCOMPARE(CellText(def, moment, QLocale(QStringLiteral("pt_BR"))), QStringLiteral("01/03/2024 08:00:23"));
    QCOMPARE(CellText(Def(TDbFieldKind::BCD), 1.5, QLocale(QStringLiteral("en_US"))), QStringLiteral("1.5"));
}

void TestDbGridModel::decimalsAsTheGeneralFormat_data() {
    QTest::addColumn<QList<double>>("values");
    QList<double> cents;
    for (qint64 n = -200003; n <= 200003; n += 7) {
        cents << double(n) / 100;
    }
    QTest::newRow("centavos") << cents;
    QTest::newRow("inteiros e limites") << QList<double>{
        0,    1,     -1,    1e12, 9999999999999.99, -9999999999999.99, 1e13, -1e13, 1e15, 123456789012345.6,
        0.01, -0.01, -0.05, 0.1};
    QTest::newRow("sem centavos exatos") << QList<double>{
        0.1 + 0.2, 1e-5, 123.456, 2.675, 1.0 / 3, 1234567.891, -0.001, 5e-324, 1.7976931348623157e308};
    QTest::newRow("zero negativo e sem numero")
        << QList<double>{-0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
}

// Amounts are written without the general number formatting where that gives the same text; every value must.
void TestDbGridModel::decimalsAsTheGeneralFormat() {
    QFETCH(QList<double>, values);
    for (const QString& name : {QStringLiteral("pt_BR"), QStringLiteral("en_US")}) {
        const QLocale locale(name);
        const CellFormat format(locale);
        for (const double value : values) {
            QString expected = QString::number(value, 'g', 15);
            expected.replace(QLatin1Char('.'), locale.decimalPoint());
            QCOMPARE(format.Text(Def(TDbFieldKind::BCD), RowCell::Real(value)), expected);
        }
    }
}

// The texts of small numbers and of one ASCII character are shared, not made per cell: each must still be its own
// value's text, and changing a copy must leave the next cell's text alone.
void TestDbGridModel::smallNumbersAndSingleCharacters() {
    const QLocale locale(QStringLiteral("pt_BR"));
    for (qint64 n = -12; n <= 1012; ++n) {
        QCOMPARE(CellText(Def(TDbFieldKind::Integer), int(n), locale), QString::number(n));
        QCOMPARE(CellText(Def(TDbFieldKind::LargeInt), RowCell::Number(RowCell::TKind::LargeInt, n), locale),
                 QString::number(n));
    }
    for (char16_t c = 0; c < 0x100; ++c) {
        const QString one(QChar{c});
        QCOMPARE(CellText(Def(TDbFieldKind::WideString), one, locale), one);
        if (c < 0x80) {
            const char byte = char(c);
            QCOMPARE(CellText(Def(TDbFieldKind::String), RowCell::Text(RowCell::TKind::Ascii, &byte, 1), locale), one);
        }
    }
    QString changed = CellText(Def(TDbFieldKind::Integer), 7, locale);
    changed[0] = u'X';
    QString flag = CellText(Def(TDbFieldKind::String), QStringLiteral("N"), locale);
    flag.append(u'!');
    QCOMPARE(CellText(Def(TDbFieldKind::Integer), 7, locale), QStringLiteral("7"));
    QCOMPARE(CellText(Def(TDbFieldKind::String), QStringLiteral("N"), locale), QStringLiteral("N"));
    QCOMPARE(changed, QStringLiteral("X"));
    QCOMPARE(flag, QStringLiteral("N!"));
}

QTEST_GUILESS_MAIN(TestDbGridModel)
#include "tst_dbgridmodel.moc"
