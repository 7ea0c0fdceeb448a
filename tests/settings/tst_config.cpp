#include "settings/uConfig.h"

#include "Unprivileged.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The message of the error a call throws, or "<none>" when it throws nothing.
template <typename F> QString errorOf(F call) {
    try {
        call();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<none>");
}

/// Owner, group and other permission bits, without Qt's "current user" copy of one of them.
QFileDevice::Permissions modeOf(const QString& path) {
    return QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

} // namespace

class tst_Config : public QObject {
    Q_OBJECT
private slots:
    void init();

    void fileNameFollowsExecutable_data();
    void fileNameFollowsExecutable();
    void missingFileReadsEmptyAndStaysMissing();
    void firstWriteCreatesFileWithSection();
    void eachPropertyUsesItsKey_data();
    void eachPropertyUsesItsKey();
    void valuesStoredExactly();
    void longValueReadsCut();
    void handEditSeenByNextRead();
    void anotherExecutableUsesAnotherFile();
    void pathThatIsNoRegularFile_data();
    void pathThatIsNoRegularFile();
    void refusedWriteThrowsWithFullPath_data();
    void refusedWriteThrowsWithFullPath();

private:
    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TConfigZEVRIK> Config;
};

void tst_Config::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Config = std::make_unique<TConfigZEVRIK>(Dir->filePath("ExportarDFe.ini"));
}

void tst_Config::fileNameFollowsExecutable_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("settings");
    QTest::newRow("linux, no extension") << "/opt/kvora/ExportarDFe"
                                         << "/opt/kvora/ExportarDFe.ini";
    QTest::newRow("windows exe") << "C:\\KVORA\\ExportarDFe.exe"
                                 << "C:\\KVORA\\ExportarDFe.ini";
    QTest::newRow("last dot only") << "/opt/Data.Tool.exe"
                                   << "/opt/Data.Tool.ini";
    QTest::newRow("dot in folder, none in name") << "/opt/v1.2/ExportarDFe"
                                                 << "/opt/v1.2/ExportarDFe.ini";
    QTest::newRow("dot in windows folder") << "C:\\v1.2\\Tool"
                                           << "C:\\v1.2\\Tool.ini";
    QTest::newRow("relative") << "build/ExportarDFe"
                              << "build/ExportarDFe.ini";
}

void tst_Config::fileNameFollowsExecutable() {
    QFETCH(QString, executable);
    QFETCH(QString, settings);
    QCOMPARE(NomeArquivoConfiguracao(executable), settings);
}

void tst_Config::missingFileReadsEmptyAndStaysMissing() {
    QCOMPARE(Config->GetServidor(), QString());
    QCOMPARE(Config->GetUsuario(), QString());
    QCOMPARE(Config->GetSenha(), QString());
    QCOMPARE(Config->GetBancoDados(), QString());
    QVERIFY(!QFile::exists(Config->Arquivo()));
}

void tst_Config::firstWriteCreatesFileWithSection() {
    Config->SetServidor("SRV01\\SQLEXPRESS");
    QCOMPARE(readAll(Config->Arquivo()), QByteArray("[CONFIG]\r\nservidor=SRV01\\SQLEXPRESS\r\n"));
    QCOMPARE(modeOf(Config->Arquivo()), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(Config->GetServidor(), QStringLiteral("SRV01\\SQLEXPRESS"));
    QCOMPARE(Config->GetBancoDados(), QString());
}

void tst_Config::eachPropertyUsesItsKey_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("property");
    QTest::newRow("Servidor") << QByteArray("servidor=valor") << 0;
    QTest::newRow("BancoDados") << QByteArray("BancoDados=valor") << 1;
    QTest::newRow("Usuario") << QByteArray("Usuario=valor") << 2;
    QTest::newRow("Senha") << QByteArray("Senha=valor") << 3;
}

void tst_Config::eachPropertyUsesItsKey() {
    QFETCH(QByteArray, line);
    QFETCH(int, property);
    const std::function<void(const QString&)> setters[] = {
        [this](const QString& v) { Config->SetServidor(v); }, [this](const QString& v) { Config->SetBancoDados(v); },
        [this](const QString& v) { Config->SetUsuario(v); }, [this](const QString& v) { Config->SetSenha(v); }};
    const std::function<QString()> getters[] = {
        [this] { return Config->GetServidor(); }, [this] { return Config->GetBancoDados(); },
        [this] { return Config->GetUsuario(); }, [this] { return Config->GetSenha(); }};
    setters[property](QStringLiteral("valor"));
    QCOMPARE(readAll(Config->Arquivo()), "[CONFIG]\r\n" + line + "\r\n");
    for (int other = 0; other < 4; ++other) {
        QCOMPARE(getters[other](), other == property ? QStringLiteral("valor") : QString());
    }
}

void tst_Config::valuesStoredExactly() {
    Config->SetServidor(QStringLiteral("  srv  "));
    Config->SetBancoDados(QStringLiteral("KVORA"));
    Config->SetUsuario(QStringLiteral("sa"));
    Config->SetSenha(QStringLiteral("minha Senha#1"));
    QCOMPARE(readAll(Config->Arquivo()), QByteArray("[CONFIG]\r\nservidor=  srv  \r\nBancoDados=KVORA\r\n"
                                                    "Usuario=sa\r\nSenha=minha Senha#1\r\n"));
    QCOMPARE(Config->GetSenha(), QStringLiteral("minha Senha#1"));
    Config->SetSenha(QStringLiteral("outra"));
    QCOMPARE(Config->GetSenha(), QStringLiteral("outra"));
    QCOMPARE(Config->GetUsuario(), QStringLiteral("sa"));
}

void tst_Config::longValueReadsCut() {
    const QString value = QString(2047, QLatin1Char('x')) + QStringLiteral("yz");
    Config->SetSenha(value);
    QCOMPARE(Config->GetSenha(), value.left(2047));
}

void tst_Config::handEditSeenByNextRead() {
    Config->SetUsuario(QStringLiteral("sa"));
    QFile file(Config->Arquivo());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[config]\r\n  usuario = operador \r\n");
    file.close();
    QCOMPARE(Config->GetUsuario(), QStringLiteral("operador"));
}

void tst_Config::anotherExecutableUsesAnotherFile() {
    TConfigZEVRIK copy(NomeArquivoConfiguracao(Dir->filePath("Copia.exe")));
    copy.SetServidor(QStringLiteral("outro"));
    QVERIFY(QFile::exists(Dir->filePath("Copia.ini")));
    QVERIFY(!QFile::exists(Config->Arquivo()));
    QCOMPARE(Config->GetServidor(), QString());
    QCOMPARE(copy.GetServidor(), QStringLiteral("outro"));
}

void tst_Config::pathThatIsNoRegularFile_data() {
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("FIFO") << false;
    QTest::newRow("link to a FIFO") << true;
}

void tst_Config::pathThatIsNoRegularFile() {
    QFETCH(bool, throughLink);
    const QString path = Config->Arquivo();
    const QString fifo = throughLink ? Dir->filePath(QStringLiteral("fifo")) : path;
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    if (throughLink) {
        QVERIFY(QFile::link(fifo, path));
    }
    TConfigZEVRIK* config = Config.get();
    // A reader blocked on the FIFO would hang the test: the work runs apart, and a writer frees it when late.
    auto work = std::async(std::launch::async, [config] {
        const QString read = config->GetServidor();
        return qMakePair(read, errorOf([config] { config->SetServidor(QStringLiteral("novo")); }));
    });
    if (work.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        while (work.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        QFAIL("the settings file blocked");
    }
    const auto [read, error] = work.get();
    QCOMPARE(read, QString());
    QCOMPARE(error, QStringLiteral("Unable to write to ") + path);
    QCOMPARE(QFileInfo(path).isSymLink(), throughLink);
    QVERIFY2(!QFileInfo(fifo).isFile(), "the FIFO is left alone");
}

void tst_Config::refusedWriteThrowsWithFullPath_data() {
    QTest::addColumn<bool>("folderWritable");
    QTest::newRow("folder without write permission") << false;
    // The control: the same file, the folder's mode the only difference, takes the writes.
    QTest::newRow("folder with write permission") << true;
}

void tst_Config::refusedWriteThrowsWithFullPath() {
    QFETCH(bool, folderWritable);
    Config->SetServidor(QStringLiteral("antigo"));
    const QByteArray before = readAll(Config->Arquivo());
    const auto open = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOwner |
                      QFileDevice::ExeGroup | QFileDevice::ExeOther;
    const auto writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    // The file belongs to the unprivileged user, who may write it; only the folder can refuse.
    QVERIFY(GiveToUnprivileged(Config->Arquivo()));
    QVERIFY(QFile::setPermissions(Dir->path(), open | (folderWritable ? writable : QFileDevice::Permissions())));

    TConfigZEVRIK* config = Config.get();
    const QString expected =
        folderWritable ? QStringLiteral("<none>") : QStringLiteral("Unable to write to ") + config->Arquivo();
    const QString kept = folderWritable ? QStringLiteral("novo") : QStringLiteral("antigo");
    const bool asExpected = RunWithoutPrivileges([config, &expected, &kept] {
        return errorOf([config] { config->SetServidor(QStringLiteral("novo")); }) == expected &&
               errorOf([config] { config->SetSenha(QStringLiteral("x")); }) == expected &&
               config->GetServidor() == kept;
    });
    QVERIFY(QFile::setPermissions(Dir->path(), open | QFileDevice::WriteOwner));
    QVERIFY2(asExpected, qPrintable(expected));
    if (!folderWritable) {
        QCOMPARE(readAll(Config->Arquivo()), before);
    }
    QVERIFY(QFileInfo(config->Arquivo()).isAbsolute());
}

QTEST_GUILESS_MAIN(tst_Config)
#include "tst_config.moc"
