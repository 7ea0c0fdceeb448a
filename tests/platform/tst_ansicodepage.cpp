#include "platform/AnsiCodePage.h"

#include "PerPlatform.h"

#include <QTest>

class tst_AnsiCodePage : public QObject {
    Q_OBJECT
private slots:
    void fromUnicode_data();
    void fromUnicode();
    void everyByteSurvivesRoundTrip();
    void undefinedBytesMapToControls();
    void canEncode_data();
    void canEncode();
};

void tst_AnsiCodePage::fromUnicode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << QStringLiteral("SELECT 1") << QByteArray("SELECT 1");
    QTest::newRow("latin-1 range") << QStringLiteral("ação é") << QByteArray("a\xE7\xE3o \xE9");
    QTest::newRow("euro and quotes") << QStringLiteral("€ “x” …") << QByteArray("\x80 \x93x\x94 \x85");
    QTest::newRow("missing letter") << QStringLiteral("łódź")
                                    << PerPlatform(QByteArray("?\xF3"
                                                              "d?"),
                                                   QByteArray("l\xF3"
                                                              "dz"));
    QTest::newRow("surrogate pair") << QStringLiteral("a😀b") << PerPlatform(QByteArray("a?b"), QByteArray("a??b"));
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void tst_AnsiCodePage::fromUnicode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(AnsiCodePage::fromUnicode(text), bytes);
}

void tst_AnsiCodePage::everyByteSurvivesRoundTrip() {
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte) {
        all.append(static_cast<char>(byte));
    }
    const QString text = AnsiCodePage::toUnicode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(AnsiCodePage::fromUnicode(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0xE3), QChar(0x00E3));
}

void tst_AnsiCodePage::undefinedBytesMapToControls() {
    for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        QCOMPARE(AnsiCodePage::toUnicode(QByteArray(1, static_cast<char>(byte))), QString(QChar(byte)));
    }
}

void tst_AnsiCodePage::canEncode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("portuguese") << QStringLiteral("Conexão efetuada com sucesso!") << true;
    QTest::newRow("euro") << QStringLiteral("€") << true;
    QTest::newRow("polish") << QStringLiteral("ł") << false;
    QTest::newRow("emoji") << QStringLiteral("😀") << false;
}

void tst_AnsiCodePage::canEncode() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(AnsiCodePage::canEncode(text), expected);
}

QTEST_GUILESS_MAIN(tst_AnsiCodePage)
#include "tst_ansicodepage.moc"
