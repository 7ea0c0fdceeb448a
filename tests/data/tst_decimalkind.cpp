#include "data/DecimalKind.h"

#include <QTest>

class TstDecimalKind : public QObject {
    Q_OBJECT

private slots:
    void kindByPrecisionAndScale_data();
    void kindByPrecisionAndScale();
};

void TstDecimalKind::kindByPrecisionAndScale_data() {
    QTest::addColumn<qint64>("precision");
    QTest::addColumn<qint64>("scale");
    QTest::addColumn<QString>("kind");
    QTest::newRow("money") << qint64(19) << qint64(4) << QStringLiteral("FMTBcdField");
    QTest::newRow("18,4") << qint64(18) << qint64(4) << QStringLiteral("BCD");
    QTest::newRow("18,5") << qint64(18) << qint64(5) << QStringLiteral("FMTBcdField");
    QTest::newRow("19,0") << qint64(19) << qint64(0) << QStringLiteral("FMTBcdField");
    QTest::newRow("15,2") << qint64(15) << qint64(2) << QStringLiteral("BCD");
    QTest::newRow("1,0") << qint64(1) << qint64(0) << QStringLiteral("BCD");
    QTest::newRow("38,10") << qint64(38) << qint64(10) << QStringLiteral("FMTBcdField");
}

void TstDecimalKind::kindByPrecisionAndScale() {
    QFETCH(qint64, precision);
    QFETCH(qint64, scale);
    QFETCH(QString, kind);
    QCOMPARE(QString::fromLatin1(DecimalKindName(precision, scale)), kind);
}

QTEST_GUILESS_MAIN(TstDecimalKind)
#include "tst_decimalkind.moc"
