// The retail module's connection: the settings checks, the composed failure message, and that nothing stays open.
#include "MuteServer.h"
#include "RetailFixture.h"

#include "data/TDbErrors.h"
#include "data/odbc/TOdbcBackend.h"
#include "retail/IItemList.h"

#include <QScopeGuard>
#include <QtTest>

#include <memory>

namespace {

const QString PrefixoFalha = QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados ");

/// The message of the layer's own error for a plain open with these values.
QString ErroDaCamada(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario,
                     const QString& ASenha) {
    TDbConnection Conexao;
    Conexao.Params = {QStringLiteral("DriverID=MSSQL"), QStringLiteral("Server=") + AServidor,
                      QStringLiteral("Database=") + ABancoDados, QStringLiteral("User_Name=") + AUsuario,
                      QStringLiteral("Password=") + ASenha};
    try {
        Conexao.Open();
    } catch (const EDbEngineError& E) {
        return E.message();
    }
    return {};
}

class ListaDescartada : public IItemList {
public:
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void Clear() override {}
    void Add(const QString&) override {}
};

} // namespace

class TstDZevrikConexao : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { F = std::make_unique<RetailFixture>(); }
    void cleanupTestCase() { F.reset(); }
    void init() {
        F->Limpar();
        F->ConfigurarStandIn();
    }
    void cleanup() { F->Modulo().Desconectar(); }

    void components() {
        TdtmZEVRIK& M = F->Modulo();
        QCOMPARE(M.sqlConexao.objectName(), QStringLiteral("sqlConexao"));
        QCOMPARE(M.sqlConexao.Transaction, &M.sqlTransacao);
        QVERIFY(!M.sqlConexao.Connected());
        QCOMPARE(M.qryLojas.objectName(), QStringLiteral("qryLojas"));
        QCOMPARE(M.qryLojas.Connection(), &M.sqlConexao);
        QCOMPARE(M.qryLojas.SQLText(), QStringLiteral("select ET_ETABLISSEMENT from ETABLISS"));
        QCOMPARE(M.qryLojas.FieldDefs().size(), 1);
        QCOMPARE(M.qryLojas.FieldDefs().at(0).Name, QStringLiteral("ET_ETABLISSEMENT"));
        QCOMPARE(M.qryLojas.FieldDefs().at(0).Kind, TDbFieldKind::WideString);
        QCOMPARE(M.qryLojas.FieldDefs().at(0).Size, 6);
        QVERIFY(!M.qryLojas.Active());
    }

    void settingsCheckedInOrder_data() {
        // clang-format off
        QTest::addColumn<QString>("servidor");
        QTest::addColumn<QString>("banco");
        QTest::addColumn<QString>("usuario");
        QTest::addColumn<QString>("senha");
        QTest::addColumn<QString>("mensagem");
        const QString Servidor = QStringLiteral("Servidor de banco de dados não foi configurado!");
        const QString Banco = QStringLiteral("Nome do banco de dados não foi configurado!");
        const QString Usuario = QStringLiteral("Usuário do banco de dados não foi configurado!");
        const QString Senha = QStringLiteral("Senha do banco de dados não foi configurada!");
        // Values in quotes keep their blanks through the settings file.
        QTest::newRow("tudo vazio") << "" << "" << "" << "" << Servidor;
        QTest::newRow("servidor de tres brancos, resto vazio") << "\"   \"" << "" << "" << "" << Servidor;
        QTest::newRow("servidor de controles") << "\"\t\x01 \x1f\"" << "KVORA" << "u" << "p" << Servidor;
        QTest::newRow("banco vazio") << "srv" << "" << "u" << "p" << Banco;
        QTest::newRow("banco em branco") << "srv" << "\" \t \"" << "u" << "p" << Banco;
        QTest::newRow("usuario vazio") << "srv" << "KVORA" << "" << "" << Usuario;
        QTest::newRow("usuario em branco") << "srv" << "KVORA" << "\"  \"" << "p" << Usuario;
        QTest::newRow("senha vazia") << "srv" << "KVORA" << "u" << "" << Senha;
        QTest::newRow("senha em branco") << "srv" << "KVORA" << "u" << "\"   \"" << Senha;
        // Only characters up to the blank count as blank: a no-break space is a value.
        QTest::newRow("espaco inseparavel e um valor") << "\"\u00a0\"" << "" << "u" << "p" << Banco;
        // clang-format on
    }
    void settingsCheckedInOrder() {
        QFETCH(QString, servidor);
        QFETCH(QString, banco);
        QFETCH(QString, usuario);
        QFETCH(QString, senha);
        QFETCH(QString, mensagem);
        F->Configurar(servidor, banco, usuario, senha);
        TdtmZEVRIK& M = F->Modulo();
        const QStringList Anteriores{QStringLiteral("DriverID=MSSQL"), QStringLiteral("Server=anterior")};
        M.sqlConexao.Params = Anteriores;
        try {
            M.Conectar();
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QCOMPARE(E.message(), mensagem);
            QVERIFY(!dynamic_cast<const EDbEngineError*>(&E));
        }
        QVERIFY(!M.sqlConexao.Connected());
        QCOMPARE(M.sqlConexao.Params, Anteriores); // nothing was tried
    }

    void settingsMissingStopEveryOperation() {
        F->Configurar(QString(), QString(), QString(), QString());
        TdtmZEVRIK& M = F->Modulo();
        QVERIFY_THROWS_EXCEPTION(EDbError, M.GetRefInternSemMpieceOle());
        QVERIFY_THROWS_EXCEPTION(EDbError, M.SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")));
        QVERIFY_THROWS_EXCEPTION(EDbError, M.IsValidStore(QStringLiteral("001")));
        QVERIFY_THROWS_EXCEPTION(EDbError, M.IsReducaoZSalva(QStringLiteral("001"), QDateTime::currentDateTime()));
        QVERIFY_THROWS_EXCEPTION(EDbError, M.SalvarReducaoZBD(QStringLiteral("001"), QStringLiteral("<x/>")));
        ListaDescartada Lista;
        M.PopularComboBox(Lista);
        QVERIFY(!M.sqlConexao.Connected());
    }

    void connectsWithTheSettings() {
        TdtmZEVRIK& M = F->Modulo();
        M.Conectar();
        QVERIFY(M.sqlConexao.Connected());
        const StandIn::Login L = RetailFixture::Login();
        QCOMPARE(M.sqlConexao.Params,
                 QStringList({QStringLiteral("DriverID=MSSQL"), QStringLiteral("Server=") + F->Banco().server(),
                              QStringLiteral("Database=") + L.database, QStringLiteral("User_Name=") + L.user,
                              QStringLiteral("Password=") + L.password}));
        M.Desconectar();
        QVERIFY(!M.sqlConexao.Connected());
        M.Desconectar(); // closed already: nothing happens
        QVERIFY(!M.sqlConexao.Connected());
    }

    void settingsUsedUntrimmed() {
        const QString Servidor = QStringLiteral(" 127.0.0.1,%1 ").arg(RetailFixture::PortaSemServidor());
        F->Configurar(u'"' + Servidor + u'"', QStringLiteral("\"KVORA \""), QStringLiteral("\" kvora\""),
                      QStringLiteral("\" x \""));
        TdtmZEVRIK& M = F->Modulo();
        try {
            M.Conectar();
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QVERIFY2(E.message().startsWith(PrefixoFalha + u'"' + Servidor + QStringLiteral(" - KVORA \": \r\r")),
                     qPrintable(E.message()));
        }
        QCOMPARE(M.sqlConexao.Params,
                 QStringList({QStringLiteral("DriverID=MSSQL"), QStringLiteral("Server=") + Servidor,
                              QStringLiteral("Database=KVORA "), QStringLiteral("User_Name= kvora"),
                              QStringLiteral("Password= x ")}));
    }

    void failedOpenComposesTheMessage_data() {
        // clang-format off
        QTest::addColumn<QString>("servidor");
        QTest::addColumn<QString>("banco");
        QTest::addColumn<QString>("senha");
        const StandIn::Login L = RetailFixture::Login();
        const QString Morto = QStringLiteral("127.0.0.1,%1").arg(RetailFixture::PortaSemServidor());
        QTest::newRow("nada escutando") << Morto << L.database << L.password;
        QTest::newRow("login recusado") << F->Banco().server() << L.database << QStringLiteral("Senha-Errada#7");
        QTest::newRow("banco desconhecido") << F->Banco().server() << QStringLiteral("NAOEXISTE") << L.password;
        // clang-format on
    }
    void failedOpenComposesTheMessage() {
        QFETCH(QString, servidor);
        QFETCH(QString, banco);
        QFETCH(QString, senha);
        const QString Usuario = RetailFixture::Login().user;
        const QString DaCamada = ErroDaCamada(servidor, banco, Usuario, senha);
        QVERIFY2(DaCamada.startsWith(QLatin1String("[Strata][Phys][ODBC]")), qPrintable(DaCamada));
        TdtmZEVRIK& M = F->Modulo();
        try {
            M.Conectar(servidor, banco, Usuario, senha);
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QVERIFY(!dynamic_cast<const EDbEngineError*>(&E));
            QCOMPARE(E.message(), PrefixoFalha + u'"' + servidor + QStringLiteral(" - ") + banco + u'"' +
                                      QStringLiteral(": ") + QStringLiteral("\r\r") + DaCamada);
            QVERIFY2(!E.message().contains(senha), qPrintable(E.message()));
        }
        QVERIFY(!M.sqlConexao.Connected());
    }

    void muteServerEndsWithTimeoutMessage() {
        TOdbcBackend::SetLoginTimeout(2);
        const auto Restore = qScopeGuard([] { TOdbcBackend::SetLoginTimeout(15); });
        MuteServer Mute;
        F->Config().SetServidor(Mute.server());
        try {
            F->Modulo().Conectar();
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QVERIFY(!dynamic_cast<const EDbEngineError*>(&E));
            QCOMPARE(E.message(),
                     PrefixoFalha + u'"' + Mute.server() + QStringLiteral(" - KVORA\": \r\rTimeout expired"));
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    void namedInstance_data() {
        QTest::addColumn<QString>("instancia");
        QTest::addColumn<bool>("conecta");
        QTest::newRow("instância do servidor") << QStringLiteral("SQLEXPRESS") << true;
        QTest::newRow("nome em minúsculas") << QStringLiteral("sqlexpress") << true;
        QTest::newRow("instância desconhecida") << QStringLiteral("OUTRA") << false;
    }
    void namedInstance() {
        // The form store settings use: the browser service on UDP port 1434 of the host tells the port.
        QFETCH(QString, instancia);
        QFETCH(bool, conecta);
        StandIn Instancia(RetailFixture::Login(), StandIn::namedInstance(QStringLiteral("SQLEXPRESS")));
        Instancia.exec(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT) values ('NOM')"));
        const QString Servidor = Instancia.host() + u'\\' + instancia;
        F->Config().SetServidor(Servidor);
        TOdbcBackend::SetLoginTimeout(3); // an unanswered lookup ends with the login timeout
        const auto Restore = qScopeGuard([] { TOdbcBackend::SetLoginTimeout(15); });
        try {
            QCOMPARE(F->Modulo().IsValidStore(QStringLiteral("NOM")), true); // only that stand-in has it
            QVERIFY2(conecta, "connected to an instance the stand-in does not serve");
        } catch (const EDbError& E) {
            QVERIFY2(!conecta, qPrintable(E.message()));
            QVERIFY(!dynamic_cast<const EDbEngineError*>(&E));
            QVERIFY2(E.message().startsWith(PrefixoFalha + u'"' + Servidor + QStringLiteral(" - KVORA\": \r\r")),
                     qPrintable(E.message()));
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    void settingWithNulIsRefused_data() {
        QTest::addColumn<int>("campo");
        QTest::newRow("servidor") << 0;
        QTest::newRow("banco de dados") << 1;
        QTest::newRow("usuário") << 2;
        QTest::newRow("senha") << 3;
    }
    void settingWithNulIsRefused() {
        QFETCH(int, campo);
        const StandIn::Login L = RetailFixture::Login();
        QStringList Valores{F->Banco().server(), L.database, L.user, L.password};
        Valores[campo] += QChar(0) + QStringLiteral("x");
        F->Configurar(Valores[0], Valores[1], Valores[2], Valores[3]);
        // The settings file keeps the NUL; cut there, the string would reach another server or another login.
        QCOMPARE(F->Config().GetServidor(), Valores[0]);
        QCOMPARE(F->Config().GetSenha(), Valores[3]);
        try {
            F->Modulo().Conectar();
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QCOMPARE(E.message(), PrefixoFalha + u'"' + Valores[0] + QStringLiteral(" - ") + Valores[1] +
                                      QStringLiteral("\": \r\r[Strata][Phys][ODBC] A connection value holding a NUL "
                                                     "character cannot be passed to the driver"));
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    void refusedLoginThroughSettings() {
        F->Banco().setFault(QStringLiteral("refuse_login"));
        try {
            F->Modulo().Conectar();
            QFAIL("Conectar did not fail");
        } catch (const EDbError& E) {
            QVERIFY2(E.message().startsWith(PrefixoFalha + u'"' + F->Banco().server() +
                                            QStringLiteral(" - KVORA\": \r\r[Strata][Phys][ODBC]")),
                     qPrintable(E.message()));
            QVERIFY(!E.message().contains(RetailFixture::Login().password));
        }
        QVERIFY(!F->Modulo().sqlConexao.Connected());
    }

    void connectingAgainClosesFirst() {
        TdtmZEVRIK& M = F->Modulo();
        const StandIn::Login L = RetailFixture::Login();
        M.Conectar(F->Banco().server(), L.database, L.user, L.password);
        QVERIFY(M.sqlConexao.Connected());
        const QString Morto = QStringLiteral("127.0.0.1,%1").arg(RetailFixture::PortaSemServidor());
        QVERIFY_THROWS_EXCEPTION(EDbError, M.Conectar(Morto, L.database, L.user, L.password));
        QVERIFY(!M.sqlConexao.Connected());
        QCOMPARE(M.sqlConexao.ParamValue(QStringLiteral("Server")), Morto);
        M.Conectar(F->Banco().server(), L.database, L.user, L.password);
        QVERIFY(M.sqlConexao.Connected());
    }

    void thousandOperationsLeaveNothingOpen() {
        TdtmZEVRIK& M = F->Modulo();
        F->InserirLoja(QStringLiteral("001"));
        F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), 1, QStringLiteral("R1"));
        F->InserirLigne(QStringLiteral("001"), QStringLiteral("S1"), 1, 1, 1);
        const int Antes = RetailFixture::SocketsAbertos();
        ListaDescartada Lista;
        int Falhas = 0;
        for (int I = 0; I < 1000; ++I) {
            if (I == 500) // from here on every statement on ETABLISS fails on the server
                F->Banco().setFault(QStringLiteral("error"), {208, QStringLiteral("from ETABLISS")});
            switch (I % 4) {
            case 0:
                try {
                    M.IsValidStore(QStringLiteral("001"));
                } catch (const EDbEngineError&) {
                    ++Falhas;
                }
                break;
            case 1:
                QCOMPARE(M.SalvarCupomFiscalBD(QStringLiteral("desconhecida"), QStringLiteral("<x/>")), 0);
                break;
            case 2:
                QCOMPARE(M.GetRefInternSemMpieceOle(), QStringLiteral("('R1')"));
                break;
            default:
                M.PopularComboBox(Lista);
            }
            QVERIFY(!M.sqlConexao.Connected());
        }
        QCOMPARE(Falhas, 125);
        QVERIFY(!M.qryLojas.Active());
        QCOMPARE(RetailFixture::SocketsAbertos(), Antes);
    }

    // An export run logs in once for all its coupons; every other call keeps its own connect and disconnect.
    void exportRunLogsInOnce() {
        TdtmZEVRIK& M = F->Modulo();
        for (int N = 1; N <= 4; ++N)
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), N, QStringLiteral("R%1").arg(N));
        const int Antes = Logins();
        M.ExecutarComConexaoMantida([&] {
            for (int N = 1; N <= 3; ++N) {
                QCOMPARE(M.SalvarCupomFiscalBD(QStringLiteral("R%1").arg(N), QStringLiteral("<x/>")), 1);
                QVERIFY(M.sqlConexao.Connected());
            }
        });
        QVERIFY(!M.sqlConexao.Connected());
        QCOMPARE(Logins() - Antes, 1);
        QCOMPARE(M.SalvarCupomFiscalBD(QStringLiteral("R4"), QStringLiteral("<x/>")), 1);
        QVERIFY(!M.sqlConexao.Connected());
        QCOMPARE(Logins() - Antes, 2);
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 4);
    }

    // The first error ends the run: the coupons before it stay stored and the connection is closed.
    void exportRunClosesOnFailure() {
        TdtmZEVRIK& M = F->Modulo();
        for (int N = 1; N <= 3; ++N)
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), N, QStringLiteral("R%1").arg(N));
        int Gravados = 0;
        try {
            M.ExecutarComConexaoMantida([&] {
                Gravados += int(M.SalvarCupomFiscalBD(QStringLiteral("R1"), QStringLiteral("<x/>")));
                F->Banco().setFault(QStringLiteral("error"), {547, QStringLiteral("MPIECEOLE")});
                Gravados += int(M.SalvarCupomFiscalBD(QStringLiteral("R2"), QStringLiteral("<x/>")));
            });
            QFAIL("no error");
        } catch (const EDbEngineError&) {
        }
        QCOMPARE(Gravados, 1);
        QVERIFY(!M.sqlConexao.Connected());
        F->Banco().clearFaults();
        QCOMPARE(F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(), 1);
        // A failed login ends the run before anything is stored, and leaves nothing open either.
        F->Configurar(QStringLiteral("127.0.0.1,%1").arg(RetailFixture::PortaSemServidor()),
                      RetailFixture::Login().database, RetailFixture::Login().user, RetailFixture::Login().password);
        QVERIFY_THROWS_EXCEPTION(EDbError, M.ExecutarComConexaoMantida([&] {
            M.SalvarCupomFiscalBD(QStringLiteral("R3"), QStringLiteral("<x/>"));
        }));
        QVERIFY(!M.sqlConexao.Connected());
    }

private:
    /// Logins the stand-in has received so far.
    int Logins() const {
        QFile Log(F->Banco().logFile());
        return Log.open(QIODevice::ReadOnly) ? int(Log.readAll().count("LOGIN7")) : -1;
    }

    std::unique_ptr<RetailFixture> F;
};

QTEST_MAIN(TstDZevrikConexao)
#include "tst_dzevrik_conexao.moc"
