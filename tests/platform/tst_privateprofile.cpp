#include "platform/PrivateProfile.h"

#include "platform/AnsiCodePage.h"

#include "Unprivileged.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kBuffer = 2048;

// A file as written by hand on Windows: CR LF, a comment, odd blanks, quotes, another section first.
const QByteArray kHandWritten = "; Configura\xE7\xE3o do KVORA\r\n"
                                "[Outra]\r\n"
                                "servidor=errado\r\n"
                                "\r\n"
                                "  [ config ]  \r\n"
                                "   SERVIDOR   =   srv01\\inst   \r\n"
                                "Usuario=\"sa\"\r\n"
                                "Senha='s3 nha'\r\n"
                                "BancoDados=\"abc'\r\n"
                                "Vazio=\r\n"
                                "Citado=\"\"\r\n"
                                "Aspa=\"\r\n"
                                ";Comentado=sim\r\n"
                                "Igual=a=b\r\n"
                                "Acentos=a\xE7\xE3o \x80\r\n"
                                "\r\n"
                                "[Depois]\r\n"
                                "x=1\r\n";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray utf16BigEndian(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16BE);
    return "\xFE\xFF" + QByteArray(encoder(text));
}

QByteArray utf16LittleEndian(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return "\xFF\xFE" + QByteArray(encoder(text));
}

QByteArray utf8(const QString& text) {
    return "\xEF\xBB\xBF" + text.toUtf8();
}

/// Owner, group and other permission bits, without Qt's "current user" copy of one of them.
QFileDevice::Permissions modeOf(const QString& path) {
    return QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

} // namespace

class tst_PrivateProfile : public QObject {
    Q_OBJECT
private slots:
    void init();

    void readsAsThePlatform_data();
    void readsAsThePlatform();
    void readsOtherLayoutsAsThePlatform_data();
    void readsOtherLayoutsAsThePlatform();
    void missingFileReadsDefaultAndIsNotCreated();
    void valueIsCutToBuffer();

    void firstWriteCreatesWindowsFile();
    void writeKeepsEveryOtherLine_data();
    void writeKeepsEveryOtherLine();
    void valuesReadBackAsWritten_data();
    void valuesReadBackAsWritten();
    void refusedValueLeavesFileAlone_data();
    void refusedValueLeavesFileAlone();
    void keepsPermissionsOfExistingFile();
    void readOnlyFolderRefusesWriteAndKeepsFile_data();
    void readOnlyFolderRefusesWriteAndKeepsFile();

private:
    QString path(const QString& name = QStringLiteral("ExportarDFe.ini")) const { return Dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> Dir;
};

void tst_PrivateProfile::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
}

void tst_PrivateProfile::readsAsThePlatform_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around names and value") << "CONFIG"
                                                   << "servidor"
                                                   << "srv01\\inst";
    QTest::newRow("case of section and key") << "Config"
                                             << "usuario"
                                             << "sa";
    QTest::newRow("single quotes, inner blank kept") << "CONFIG"
                                                     << "Senha"
                                                     << "s3 nha";
    QTest::newRow("unmatched quotes kept") << "CONFIG"
                                           << "BancoDados"
                                           << "\"abc'";
    QTest::newRow("empty value") << "CONFIG"
                                 << "Vazio"
                                 << "";
    QTest::newRow("empty quoted value") << "CONFIG"
                                        << "Citado"
                                        << "";
    QTest::newRow("lone quote kept") << "CONFIG"
                                     << "Aspa"
                                     << "\"";
    QTest::newRow("comment is no key") << "CONFIG"
                                       << "Comentado"
                                       << "padrao";
    QTest::newRow("first equals sign splits") << "CONFIG"
                                              << "Igual"
                                              << "a=b";
    QTest::newRow("Windows-1252 text") << "CONFIG"
                                       << "Acentos"
                                       << "ação €";
    QTest::newRow("same key, other section") << "Outra"
                                             << "servidor"
                                             << "errado";
    QTest::newRow("key of the next section not seen") << "CONFIG"
                                                      << "x"
                                                      << "padrao";
    QTest::newRow("missing key") << "CONFIG"
                                 << "Porta"
                                 << "padrao";
    QTest::newRow("missing section") << "Nada"
                                     << "servidor"
                                     << "padrao";
}

void tst_PrivateProfile::readsAsThePlatform() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QVERIFY(writeAll(path(), kHandWritten));
    QCOMPARE(PrivateProfile::GetString(section, key, QStringLiteral("padrao"), kBuffer, path()), expected);
}

void tst_PrivateProfile::readsOtherLayoutsAsThePlatform_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR line ends") << QByteArray("[Outra]\rSenha=errada\r[CONFIG]\rSenha=s3nha\r") << "Senha"
                                  << "s3nha";
    QTest::newRow("CR, LF and CR LF mixed, blank lines")
        << QByteArray("[CONFIG]\r\n\r\rUsuario=sa\n\rSenha=s3nha") << "Senha"
        << "s3nha";
    QTest::newRow("UTF-16 big-endian") << utf16BigEndian("[CONFIG]\r\nSenha=Ação €\r\n") << "Senha"
                                       << "Ação €";
    QTest::newRow("UTF-16 little-endian") << utf16LittleEndian("[CONFIG]\r\nSenha=Ação €\r\n") << "Senha"
                                          << "Ação €";
    QTest::newRow("control blanks trimmed")
        << QByteArray("[CONFIG]\r\n\x0BSenha\x0C=\t\x0B\x0C s3nha \x1A\r\n") << "Senha"
        << "s3nha";
    QTest::newRow("no-break spaces around a value kept")
        << QByteArray("[CONFIG]\r\nSenha=\xA0s3nha\xA0\r\n") << "Senha" << QStringLiteral("\u00A0s3nha\u00A0");
    QTest::newRow("no-break space after a key name belongs to it")
        << QByteArray("[CONFIG]\r\nSenha\xA0=s3nha\r\n") << "Senha"
        << "padrao";
    QTest::newRow("no-break space in the brackets belongs to the section name")
        << QByteArray("[\xA0"
                      "CONFIG]\r\nSenha=s3nha\r\n")
        << "Senha"
        << "padrao";
    QTest::newRow("other Unicode spaces around a value kept")
        << utf8(QStringLiteral("[CONFIG]\r\nSenha=\u3000\u2002s3nha\u0085\u2028\r\n")) << "Senha"
        << QStringLiteral("\u3000\u2002s3nha\u0085\u2028");
}

void tst_PrivateProfile::readsOtherLayoutsAsThePlatform() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QVERIFY(writeAll(path(), content));
    QCOMPARE(PrivateProfile::GetString("CONFIG", key, QStringLiteral("padrao"), kBuffer, path()), expected);
}

void tst_PrivateProfile::missingFileReadsDefaultAndIsNotCreated() {
    QCOMPARE(PrivateProfile::GetString("CONFIG", "servidor", QString(), kBuffer, path()), QString());
    QCOMPARE(PrivateProfile::GetString("CONFIG", "servidor", "x", kBuffer, path()), QStringLiteral("x"));
    QVERIFY(!QFile::exists(path()));
}

void tst_PrivateProfile::valueIsCutToBuffer() {
    const QString longValue = QString(2047, QLatin1Char('a')) + QStringLiteral("bcd");
    QVERIFY(PrivateProfile::WriteString("CONFIG", "Senha", longValue, path()));
    QCOMPARE(PrivateProfile::GetString("CONFIG", "Senha", QString(), kBuffer, path()), longValue.left(2047));
    QCOMPARE(PrivateProfile::GetString("CONFIG", "Senha", QString(), 4, path()), QStringLiteral("aaa"));
    QVERIFY(readAll(path()).contains(longValue.toLatin1()));
}

void tst_PrivateProfile::firstWriteCreatesWindowsFile() {
    QVERIFY(PrivateProfile::WriteString("CONFIG", "servidor", "Servidor Ação", path()));
    QCOMPARE(readAll(path()), QByteArray("[CONFIG]\r\nservidor=Servidor A\xE7\xE3o\r\n"));
#ifndef Q_OS_WIN
    // The password is kept in the file: no one else may read it. On Windows the file takes its folder's access
    // rights, as the platform's own writer leaves it.
    QCOMPARE(modeOf(path()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
    QVERIFY(PrivateProfile::WriteString("CONFIG", "BancoDados", "KVORA", path()));
    QCOMPARE(readAll(path()), QByteArray("[CONFIG]\r\nservidor=Servidor A\xE7\xE3o\r\nBancoDados=KVORA\r\n"));
    QCOMPARE(Dir->path(), QFileInfo(path()).absolutePath());
    QCOMPARE(QDir(Dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ExportarDFe.ini"});
}

void tst_PrivateProfile::writeKeepsEveryOtherLine_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    QByteArray replaced = kHandWritten;
    replaced.replace("   SERVIDOR   =   srv01\\inst   \r\n", "SERVIDOR=novo\r\n");
    QTest::newRow("replace keeps the key's spelling") << kHandWritten << "CONFIG"
                                                      << "servidor" << replaced;
    QByteArray added = kHandWritten;
    added.replace("Acentos=a\xE7\xE3o \x80\r\n", "Acentos=a\xE7\xE3o \x80\r\nPorta=novo\r\n");
    QTest::newRow("new key after the section's last line") << kHandWritten << "config"
                                                           << "Porta" << added;
    QTest::newRow("new section at the end") << kHandWritten << "Nova"
                                            << "k" << kHandWritten + QByteArray("[Nova]\r\nk=novo\r\n");
    QTest::newRow("line feeds kept") << QByteArray("[CONFIG]\nUsuario=sa\n") << "CONFIG"
                                     << "Senha" << QByteArray("[CONFIG]\nUsuario=sa\nSenha=novo\n");
    QTest::newRow("last line without line end") << QByteArray("[CONFIG]\r\nUsuario=sa") << "CONFIG"
                                                << "Senha" << QByteArray("[CONFIG]\r\nUsuario=sa\r\nSenha=novo\r\n");
    QTest::newRow("section header only") << QByteArray("[CONFIG]") << "CONFIG"
                                         << "Senha" << QByteArray("[CONFIG]\r\nSenha=novo\r\n");
    QTest::newRow("empty file") << QByteArray() << "CONFIG"
                                << "Senha" << QByteArray("[CONFIG]\r\nSenha=novo\r\n");
    QTest::newRow("CR line ends kept") << QByteArray("[Outra]\rx=1\r[CONFIG]\rUsuario=sa\r") << "CONFIG"
                                       << "Senha" << QByteArray("[Outra]\rx=1\r[CONFIG]\rUsuario=sa\rSenha=novo\r");
    QTest::newRow("key replaced between CR line ends") << QByteArray("[CONFIG]\rSenha=velha\rUsuario=sa") << "CONFIG"
                                                       << "Senha" << QByteArray("[CONFIG]\rSenha=novo\rUsuario=sa");
    QTest::newRow("new section after CR line ends") << QByteArray("[Outra]\rx=1") << "CONFIG"
                                                    << "Senha" << QByteArray("[Outra]\rx=1\r[CONFIG]\rSenha=novo\r");
    QTest::newRow("UTF-16 big-endian kept") << utf16BigEndian("[CONFIG]\r\nUsuario=sá\r\n") << "CONFIG"
                                            << "Senha" << utf16BigEndian("[CONFIG]\r\nUsuario=sá\r\nSenha=novo\r\n");
}

void tst_PrivateProfile::writeKeepsEveryOtherLine() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    QVERIFY(writeAll(path(), before));
    QVERIFY(PrivateProfile::WriteString(section, key, QStringLiteral("novo"), path()));
    QCOMPARE(readAll(path()), after);
    QCOMPARE(PrivateProfile::GetString(section, key, QString(), kBuffer, path()), QStringLiteral("novo"));
}

void tst_PrivateProfile::valuesReadBackAsWritten_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("plain") << "sa"
                           << "sa";
    QTest::newRow("inner blanks") << "minha senha  secreta"
                                  << "minha senha  secreta";
    QTest::newRow("symbols") << "p@ss=w;rd#[x]"
                             << "p@ss=w;rd#[x]";
    QTest::newRow("accents") << "Configuração €"
                             << "Configuração €";
    QTest::newRow("instance name") << "SRV\\SQLEXPRESS,1433"
                                   << "SRV\\SQLEXPRESS,1433";
    QTest::newRow("blanks at the ends are written, not read") << "  srv  "
                                                              << "srv";
    QTest::newRow("no-break spaces at the ends are no blanks")
        << QStringLiteral("\u00A0s3nha\u00A0") << QStringLiteral("\u00A0s3nha\u00A0");
    QTest::newRow("quotes at the ends are written, not read") << "'x'"
                                                              << "x";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_PrivateProfile::valuesReadBackAsWritten() {
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QVERIFY(PrivateProfile::WriteString("CONFIG", "Senha", "antes", path()));
    QVERIFY(PrivateProfile::WriteString("CONFIG", "Senha", value, path()));
    QCOMPARE(PrivateProfile::GetString("CONFIG", "Senha", "padrao", kBuffer, path()), readBack);
    QVERIFY(readAll(path()).contains("Senha=" + AnsiCodePage::fromUnicode(value) + "\r\n"));
}

void tst_PrivateProfile::refusedValueLeavesFileAlone_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("line feed would add a line") << "Senha"
                                                << "x\n[CONFIG]\nservidor=outro";
    QTest::newRow("carriage return") << "Senha"
                                     << "x\ry";
    QTest::newRow("character outside the code page") << "Senha"
                                                     << "hasło";
    QTest::newRow("empty key") << ""
                               << "x";
}

void tst_PrivateProfile::refusedValueLeavesFileAlone() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(writeAll(path(), kHandWritten));
    QVERIFY(!PrivateProfile::WriteString("CONFIG", key, value, path()));
    QCOMPARE(readAll(path()), kHandWritten);
}

void tst_PrivateProfile::keepsPermissionsOfExistingFile() {
#ifdef Q_OS_WIN
    QSKIP("Windows keeps access rights apart from the file's contents: no mode to keep");
#endif
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(writeAll(path(), "[CONFIG]\r\n"));
    QVERIFY(QFile::setPermissions(path(), shared));
    QVERIFY(PrivateProfile::WriteString("CONFIG", "Usuario", "sa", path()));
    QCOMPARE(modeOf(path()), shared);
}

void tst_PrivateProfile::readOnlyFolderRefusesWriteAndKeepsFile_data() {
    QTest::addColumn<bool>("folderWritable");
    QTest::newRow("folder without write permission") << false;
    // The control: the same file, the folder's mode the only difference, is written.
    QTest::newRow("folder with write permission") << true;
}

void tst_PrivateProfile::readOnlyFolderRefusesWriteAndKeepsFile() {
    QFETCH(bool, folderWritable);
#ifdef Q_OS_WIN
    if (!folderWritable) {
        QSKIP("under Wine the test runs as the build machine's superuser, whom no folder refuses");
    }
#endif
    // The file belongs to the unprivileged user and is writable by it; only the folder can refuse.
    QVERIFY(writeAll(path(), kHandWritten));
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto traversable = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    const auto writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(GiveToUnprivileged(path()));
    QVERIFY(QFile::setPermissions(Dir->path(),
                                  readable | traversable | (folderWritable ? writable : QFileDevice::Permissions())));

    const QString file = path();
    const bool asExpected = RunWithoutPrivileges([&file, folderWritable] {
        const bool written = PrivateProfile::WriteString("CONFIG", "servidor", "outro", file);
        const QString read = PrivateProfile::GetString("CONFIG", "servidor", QString(), kBuffer, file);
        return written == folderWritable && read == (folderWritable ? "outro" : "srv01\\inst");
    });
    QVERIFY(QFile::setPermissions(Dir->path(), readable | traversable | QFileDevice::WriteOwner));
    QVERIFY(asExpected);
    if (!folderWritable) {
        QCOMPARE(readAll(path()), kHandWritten);
    }
    QCOMPARE(QDir(Dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ExportarDFe.ini"});
}

QTEST_GUILESS_MAIN(tst_PrivateProfile)
#include "tst_privateprofile.moc"
