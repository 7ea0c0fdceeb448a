#include "platform/BlankTrim.h"

#include <QTest>

class TstBlankTrim : public QObject {
    Q_OBJECT

private slots:
    void blanksAtTheEnds_data();
    void blanksAtTheEnds();
};

void TstBlankTrim::blanksAtTheEnds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("nothing to trim") << QStringLiteral("a b") << QStringLiteral("a b");
    QTest::newRow("blanks and tabs") << QStringLiteral(" \ta b\t ") << QStringLiteral("a b");
    QTest::newRow("every control character")
        << QStringLiteral("\x01\x1f\r\nx\x7fy\x1b\x20") << QStringLiteral("x\x7fy");
    QTest::newRow("NUL at the ends") << QString(QChar(0)) + QStringLiteral("x") + QChar(0) << QStringLiteral("x");
    QTest::newRow("only blanks") << QStringLiteral(" \t\r\n ") << QString();
    // Past U+0020 it is text: the no-break space, DEL and other white space stay.
    QTest::newRow("no-break space stays") << QStringLiteral("\u00a0senha\u00a0") << QStringLiteral("\u00a0senha\u00a0");
    QTest::newRow("ideographic space stays") << QStringLiteral("\u3000x ") << QStringLiteral("\u3000x");
}

void TstBlankTrim::blanksAtTheEnds() {
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(BlankTrim::Trimmed(text), trimmed);
    QCOMPARE(BlankTrim::IsBlank(text), trimmed.isEmpty());
}

QTEST_GUILESS_MAIN(TstBlankTrim)
#include "tst_blanktrim.moc"
