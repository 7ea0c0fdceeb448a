// Our private-profile module against the platform's own GetPrivateProfileStringW / WritePrivateProfileStringW, over
// the same INI files. Where the two differ on purpose the row says why ours is right.
#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

#include <vector>

namespace {

constexpr int kBuffer = 2048;
const QString kDefault = QStringLiteral("<default>");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

/// A UTF-16 file as a little-endian machine stores it, behind its byte-order mark; lone surrogates as they are.
QByteArray utf16LittleEndian(const QString& text) {
    QByteArray bytes("\xFF\xFE");
    for (const QChar unit : text) {
        bytes.append(char(unit.unicode() & 0xFF)).append(char(unit.unicode() >> 8));
    }
    return bytes;
}

const wchar_t* wide(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

QString platformRead(const QString& section, const QString& key, const QString& file) {
    std::vector<wchar_t> buffer(kBuffer);
    const DWORD copied = GetPrivateProfileStringW(wide(section), wide(key), wide(kDefault), buffer.data(), kBuffer,
                                                  wide(QDir::toNativeSeparators(file)));
    // Unit by unit: QString::fromWCharArray would take a leading U+FEFF for a byte-order mark and drop it.
    return QString(reinterpret_cast<const QChar*>(buffer.data()), qsizetype(copied));
}

bool platformWrite(const QString& section, const QString& key, const QString& value, const QString& file) {
    const QString native = QDir::toNativeSeparators(file);
    const bool written = WritePrivateProfileStringW(wide(section), wide(key), wide(value), wide(native));
    // Out of the platform's cache and onto the disk before the file is compared.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(native));
    return written;
}

} // namespace

class tst_PrivateProfileReferee : public QObject {
    Q_OBJECT
private slots:
    void init();
    void reads_data();
    void reads();
    void writes_data();
    void writes();
    void blanksAroundNamesAndValues();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_files = 0;
    QString freshFile() { return m_dir->filePath(QStringLiteral("case%1.ini").arg(++m_files)); }
};

void tst_PrivateProfileReferee::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_PrivateProfileReferee::reads_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    const QString c = QStringLiteral("CONFIG");
    const QString s = QStringLiteral("servidor");
    const QByteArray longValue(3000, 'x');
    QTest::newRow("plain") << QByteArray("[CONFIG]\r\nservidor=srv01\r\n") << c << s;
    QTest::newRow("section and key in other case") << QByteArray("[config]\r\nSERVIDOR=srv01\r\n") << c << s;
    QTest::newRow("asked in other case") << QByteArray("[CONFIG]\r\nservidor=srv01\r\n") << "Config"
                                         << "SERVIDOR";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ CONFIG ]  \r\n   servidor   =   srv01\\inst   \r\n") << c << s;
    QTest::newRow("tabs around value") << QByteArray("[CONFIG]\r\nservidor=\tsrv01\t\r\n") << c << s;
    QTest::newRow("double quotes") << QByteArray("[CONFIG]\r\nservidor=\" a b \"\r\n") << c << s;
    QTest::newRow("single quotes") << QByteArray("[CONFIG]\r\nservidor=' a b '\r\n") << c << s;
    QTest::newRow("unmatched quotes") << QByteArray("[CONFIG]\r\nservidor=\"abc'\r\n") << c << s;
    QTest::newRow("one quote") << QByteArray("[CONFIG]\r\nservidor=\"\r\n") << c << s;
    QTest::newRow("empty quotes") << QByteArray("[CONFIG]\r\nservidor=\"\"\r\n") << c << s;
    QTest::newRow("quotes inside") << QByteArray("[CONFIG]\r\nservidor=a\"b\"c\r\n") << c << s;
    QTest::newRow("empty value") << QByteArray("[CONFIG]\r\nservidor=\r\n") << c << s;
    QTest::newRow("equals sign in value") << QByteArray("[CONFIG]\r\nservidor=a=b\r\n") << c << s;
    QTest::newRow("key without equals sign") << QByteArray("[CONFIG]\r\nservidor\r\n") << c << s;
    QTest::newRow("duplicate key: first wins") << QByteArray("[CONFIG]\r\nservidor=1\r\nSERVIDOR=2\r\n") << c << s;
    QTest::newRow("duplicate section, key in the second")
        << QByteArray("[CONFIG]\r\nx=1\r\n[OUTRA]\r\ny=2\r\n[CONFIG]\r\nservidor=3\r\n") << c << s;
    QTest::newRow("duplicate section, key in both")
        << QByteArray("[CONFIG]\r\nservidor=1\r\n[config]\r\nservidor=2\r\n") << c << s;
    QTest::newRow("key before any section") << QByteArray("servidor=0\r\n[CONFIG]\r\nservidor=1\r\n") << c << s;
    QTest::newRow("key of another section") << QByteArray("[OUTRA]\r\nservidor=1\r\n[CONFIG]\r\n") << c << s;
    QTest::newRow("missing file") << QByteArray() << c << s;
    QTest::newRow("missing section") << QByteArray("[OUTRA]\r\nservidor=1\r\n") << c << s;
    QTest::newRow("missing key") << QByteArray("[CONFIG]\r\nusuario=1\r\n") << c << s;
    QTest::newRow("empty file") << QByteArray("") << c << s;
    QTest::newRow("long value cut to the buffer") << "[CONFIG]\r\nservidor=" + longValue + "\r\n" << c << s;
    QTest::newRow("semicolon comment") << QByteArray("[CONFIG]\r\n;servidor=velho\r\nservidor=novo\r\n") << c << s;
    QTest::newRow("semicolon comment only") << QByteArray("[CONFIG]\r\n;servidor=velho\r\n") << c << s;
    QTest::newRow("hash comment only") << QByteArray("[CONFIG]\r\n#servidor=velho\r\n") << c << s;
    QTest::newRow("comment after value kept") << QByteArray("[CONFIG]\r\nservidor=srv ; nota\r\n") << c << s;
    QTest::newRow("LF line ends") << QByteArray("[CONFIG]\nservidor=srv01\nusuario=sa\n") << c << s;
    QTest::newRow("CR LF without last line end") << QByteArray("[CONFIG]\r\nservidor=srv01") << c << s;
    QTest::newRow("Windows-1252 text") << QByteArray("[CONFIG]\r\nservidor=a\xE7\xE3o \x80\r\n") << c << s;
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\r\nservidor=a\xC3\xA7\xC3\xA3o\r\n") << c << s;
    QTest::newRow("UTF-16 byte-order mark")
        << QByteArray("\xFF\xFE[\0C\0O\0N\0F\0I\0G\0]\0\r\0\n\0s\0=\0\xE7\0\r\0\n\0", 32) << c << "s";
    QTest::newRow("header with text after it") << QByteArray("[CONFIG] nota\r\nservidor=srv01\r\n") << c << s;
    QTest::newRow("header without closing bracket") << QByteArray("[CONFIG\r\nservidor=srv01\r\n") << c << s;
    QTest::newRow("blank section name") << QByteArray("[]\r\nservidor=srv01\r\n") << "" << s;
    QTest::newRow("CR line ends") << QByteArray("[CONFIG]\rusuario=sa\rservidor=srv01\r") << c << s;
    QTest::newRow("CR line ends, key after another section")
        << QByteArray("[OUTRA]\rservidor=x\r[CONFIG]\rservidor=srv01\r") << c << s;
    QTest::newRow("CR, LF and CR LF mixed")
        << QByteArray("[OUTRA]\r\nservidor=x\n\r[CONFIG]\r\r\nusuario=sa\rservidor=srv01\n") << c << s;
    QTest::newRow("no-break spaces around value") << QByteArray("[CONFIG]\r\nservidor=\xA0srv01\xA0\r\n") << c << s;
    QTest::newRow("no-break space after key name") << QByteArray("[CONFIG]\r\nservidor\xA0=srv01\r\n") << c << s;
    QTest::newRow("no-break space in section brackets") << QByteArray("[\xA0"
                                                                      "CONFIG]\r\nservidor=srv01\r\n")
                                                        << c << s;
    QTest::newRow("control blanks around names and value")
        << QByteArray("\x0B[\x0C"
                      "CONFIG\x1A]\x0B\r\n\x0Cservidor\x0B=\x1A\x0Bsrv01\x0C\x1A\r\n")
        << c << s;
    QTest::newRow("UTF-16 big-endian byte-order mark")
        << QByteArray("\xFE\xFF\0[\0C\0O\0N\0F\0I\0G\0]\0\r\0\n\0s\0=\0\xE7\0\r\0\n", 32) << c << "s";
    QTest::newRow("Unicode spaces around value, UTF-8")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\r\nservidor=\xE3\x80\x80\xE2\x80\x82srv01\xC2\x85\xE2\x80\xA8\r\n") << c
        << s;
}

void tst_PrivateProfileReferee::reads() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    const QString file = freshFile();
    if (!content.isNull()) {
        QVERIFY(writeAll(file, content));
    }
    const QString ours = PrivateProfile::GetString(section, key, kDefault, kBuffer, file);
    const QString platform = platformRead(section, key, file);
    QCOMPARE(ours, platform);
}

void tst_PrivateProfileReferee::writes_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString c = QStringLiteral("CONFIG");
    const QString s = QStringLiteral("servidor");
    QTest::newRow("new file") << QByteArray() << c << s << "srv01";
    QTest::newRow("new key in section") << QByteArray("[CONFIG]\r\nservidor=srv01\r\n") << c << "Usuario"
                                        << "sa";
    QTest::newRow("replaced value, name in other case")
        << QByteArray("[config]\r\nSERVIDOR=velho\r\nUsuario=sa\r\n") << c << s << "novo";
    QTest::newRow("new section at end") << QByteArray("[OUTRA]\r\nx=1\r\n") << c << s << "srv01";
    QTest::newRow("new section after last line without line end") << QByteArray("[OUTRA]\r\nx=1") << c << s << "srv01";
    QTest::newRow("LF file") << QByteArray("[CONFIG]\nservidor=velho\nUsuario=sa\n") << c << s << "novo";
    QTest::newRow("other lines kept as they are")
        << QByteArray("; nota\r\n[CONFIG]\r\n  servidor =  velho  \r\n\r\n[OUTRA]\r\nx = 1\r\n") << c << "Senha"
        << "s3nha";
    QTest::newRow("duplicate key: first replaced")
        << QByteArray("[CONFIG]\r\nservidor=1\r\nservidor=2\r\n") << c << s << "3";
    QTest::newRow("Windows-1252 value") << QByteArray() << c << s << QStringLiteral("ação €");
    QTest::newRow("value with blanks at its ends") << QByteArray() << c << s << "  srv01  ";
    QTest::newRow("empty value") << QByteArray("[CONFIG]\r\nservidor=velho\r\n") << c << s << "";
    QTest::newRow("UTF-8 file keeps its encoding")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\r\nservidor=a\xC3\xA7\xC3\xA3o\r\n") << c << "Usuario"
        << QStringLiteral("sã");
    QTest::newRow("UTF-16 file keeps its encoding")
        << QByteArray("\xFF\xFE[\0C\0O\0N\0F\0I\0G\0]\0\r\0\n\0s\0=\0\xE7\0\r\0\n\0", 32) << c << "s"
        << QStringLiteral("é");
    QTest::newRow("blank line ends the section's keys")
        << QByteArray("[CONFIG]\r\nservidor=srv01\r\n\r\n[OUTRA]\r\nx=1\r\n") << c << "Usuario"
        << "sa";
    QTest::newRow("CR file, value replaced")
        << QByteArray("[CONFIG]\rservidor=velho\rUsuario=sa\r") << c << s << "novo";
    QTest::newRow("CR file, new key") << QByteArray("[OUTRA]\rservidor=x\r[CONFIG]\rUsuario=sa") << c << s << "srv01";
    QTest::newRow("no-break spaces at the ends of a value")
        << QByteArray() << c << "Senha" << QStringLiteral("\u00A0s3nha\u00A0");
    QTest::newRow("UTF-16 big-endian file keeps its encoding")
        << QByteArray("\xFE\xFF\0[\0C\0O\0N\0F\0I\0G\0]\0\r\0\n\0s\0=\0\xE7\0\r\0\n", 32) << c << "s"
        << QStringLiteral("é");
    QTest::newRow("UTF-16 big-endian file, new key")
        << QByteArray("\xFE\xFF\0[\0C\0O\0N\0F\0I\0G\0]\0\r\0\n\0s\0=\0\xE7\0\r\0\n", 32) << c << "Usuario"
        << QStringLiteral("sã");
}

void tst_PrivateProfileReferee::writes() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString oursFile = freshFile();
    const QString platformFile = freshFile();
    if (!content.isNull()) {
        QVERIFY(writeAll(oursFile, content));
        QVERIFY(writeAll(platformFile, content));
    }
    QVERIFY(PrivateProfile::WriteString(section, key, value, oursFile));
    QVERIFY(platformWrite(section, key, value, platformFile));
    // Whatever the layout, both files give the key back alike, to either reader.
    const QString expected = platformRead(section, key, platformFile);
    QCOMPARE(platformRead(section, key, oursFile), expected);
    QCOMPARE(PrivateProfile::GetString(section, key, kDefault, kBuffer, platformFile), expected);

    const char* rewrites = "Wine's writer rewrites the whole file from what it parsed (CR LF everywhere, blanks around "
                           "names and values trimmed, blank lines dropped); ours changes only the line it writes and "
                           "keeps the rest of a hand-made file as it was";
    QEXPECT_FAIL("LF file", rewrites, Continue);
    QEXPECT_FAIL("other lines kept as they are", rewrites, Continue);
    QEXPECT_FAIL("blank line ends the section's keys", rewrites, Continue);
    QEXPECT_FAIL("CR file, value replaced", rewrites, Continue);
    QEXPECT_FAIL("CR file, new key", rewrites, Continue);
    QEXPECT_FAIL("value with blanks at its ends",
                 "Wine drops the blanks before the value; a setting is stored unchanged, blanks included (reading "
                 "trims them either way)",
                 Continue);
    QCOMPARE(readAll(oursFile), readAll(platformFile));
}

// Each character at both ends of a section name, a key name and a value: ours must trim exactly what the platform
// trims. The characters: every control and Latin-1 character, and every Unicode space, zero-width and format
// character that a trimming function might take for a blank.
void tst_PrivateProfileReferee::blanksAroundNamesAndValues() {
    const QList<std::pair<char16_t, char16_t>> ranges = {{0x0001, 0x00FF}, {0x1680, 0x1680}, {0x180E, 0x180E},
                                                         {0x2000, 0x200F}, {0x2028, 0x202F}, {0x205F, 0x2064},
                                                         {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};
    QList<QChar> units;
    for (const auto& [first, last] : ranges) {
        for (char16_t unit = first; unit <= last; ++unit) {
            if (unit != u'\r' && unit != u'\n') {
                units.append(QChar(unit));
            }
        }
    }
    QString text = QStringLiteral("[CONFIG]\r\n");
    for (const QChar b : units) {
        const QString id = QString::number(b.unicode(), 16);
        text += QString(b) + "k" + id + b + "=x\r\nv" + id + "=" + b + "v" + b + "\r\n";
    }
    for (const QChar b : units) {
        text += QStringLiteral("[") + b + "s" + QString::number(b.unicode(), 16) + b + "]\r\nk=x\r\n";
    }
    const QString file = freshFile();
    QVERIFY(writeAll(file, utf16LittleEndian(text)));

    QStringList differences;
    for (const QChar b : units) {
        const QString id = QString::number(b.unicode(), 16);
        const QList<std::pair<QString, QString>> lookups = {
            {"CONFIG", "k" + id}, {"CONFIG", "v" + id}, {"s" + id, "k"}};
        for (const auto& [section, key] : lookups) {
            const QString ours = PrivateProfile::GetString(section, key, kDefault, kBuffer, file);
            const QString platform = platformRead(section, key, file);
            if (ours != platform) {
                differences.append(
                    QStringLiteral("[%1] %2: ours \"%3\", platform \"%4\"").arg(section, key, ours, platform));
                break;
            }
        }
    }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_PrivateProfileReferee)
#include "tst_privateprofile_referee.moc"
