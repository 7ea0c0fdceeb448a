// Our conversion of the ANSI code page against the platform's MultiByteToWideChar / WideCharToMultiByte, for the
// code page of Brazilian machines, Windows-1252: every byte, every character of the basic plane, surrogates.
#include "platform/AnsiCodePage.h"

#include <QTest>

#include <windows.h>

namespace {

constexpr UINT kWindows1252 = 1252;

QString platformToUnicode(const QByteArray& bytes) {
    wchar_t out[8] = {};
    const int written = MultiByteToWideChar(kWindows1252, 0, bytes.constData(), int(bytes.size()), out, 8);
    return QString::fromWCharArray(out, written);
}

QByteArray platformFromUnicode(const QString& text, DWORD flags = 0, bool* usedDefault = nullptr) {
    char out[16] = {};
    BOOL defaulted = FALSE;
    const int written = WideCharToMultiByte(kWindows1252, flags, reinterpret_cast<const wchar_t*>(text.utf16()),
                                            int(text.size()), out, sizeof out, nullptr, &defaulted);
    if (usedDefault != nullptr) {
        *usedDefault = defaulted;
    }
    return QByteArray(out, written);
}

QString hex(const QString& text) {
    QStringList units;
    for (QChar c : text) {
        units << QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return units.join(QLatin1Char(' '));
}

} // namespace

class tst_AnsiCodePageReferee : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyByte();
    void everyCharacter();
    void surrogates_data();
    void surrogates();
};

void tst_AnsiCodePageReferee::initTestCase() {
    // The comparison means something only where our conversion runs on the same code page.
    QCOMPARE(GetACP(), kWindows1252);
}

void tst_AnsiCodePageReferee::everyByte() {
    QStringList differences;
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray in(1, char(byte));
        const QString ours = AnsiCodePage::toUnicode(in);
        const QString platform = platformToUnicode(in);
        if (ours != platform) {
            differences << QStringLiteral("%1: ours %2, platform %3").arg(byte, 2, 16).arg(hex(ours), hex(platform));
        }
    }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QStringLiteral("; "))));
}

void tst_AnsiCodePageReferee::everyCharacter() {
    QStringList converted;
    QStringList encodable;
    int bestFit = 0;
    for (char32_t code = 1; code < 0x10000; ++code) {
        if (QChar::isSurrogate(code)) {
            continue;
        }
        const QString text{QChar(char16_t(code))};
        const QByteArray ours = AnsiCodePage::fromUnicode(text);
        const QByteArray platform = platformFromUnicode(text);
        if (ours != platform) {
            converted << QStringLiteral("%1: ours %2, platform %3").arg(hex(text), ours.toHex(), platform.toHex());
        }
        bool usedDefault = false;
        const QByteArray exact = platformFromUnicode(text, WC_NO_BEST_FIT_CHARS, &usedDefault);
        const bool platformEncodes = !usedDefault && platformToUnicode(exact) == text;
        if (AnsiCodePage::canEncode(text) != platformEncodes) {
            encodable << hex(text);
        }
        bestFit += !platformEncodes && platform != "?";
    }
    qInfo("characters without a byte that the platform writes as a best-fit letter: %d", bestFit);
    QVERIFY2(converted.isEmpty(),
             qPrintable(QStringLiteral("%1 differ: ").arg(converted.size()) + converted.mid(0, 20).join("; ")));
    QVERIFY2(encodable.isEmpty(),
             qPrintable(QStringLiteral("%1 differ: ").arg(encodable.size()) + encodable.mid(0, 20).join("; ")));
}

void tst_AnsiCodePageReferee::surrogates_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("pair") << QStringLiteral("a\U0001F600b");
    QTest::newRow("two pairs") << QStringLiteral("\U0001F600\U00010348");
    QTest::newRow("lone high") << QString(QChar(0xD800)) + QLatin1Char('x');
    QTest::newRow("lone low") << QLatin1Char('x') + QString(QChar(0xDC00));
    QTest::newRow("low before high") << QString(QChar(0xDC00)) + QChar(0xD800);
}

void tst_AnsiCodePageReferee::surrogates() {
    QFETCH(QString, text);
    QCOMPARE(AnsiCodePage::fromUnicode(text), platformFromUnicode(text));
}

QTEST_GUILESS_MAIN(tst_AnsiCodePageReferee)
#include "tst_ansicodepage_referee.moc"
