// The coupon inserts of an export run on its one held KVORA connection: what each coupon costs on the wire, the
// parameter types the server sees, and what becomes of the run when the connection is lost between two coupons or
// while an insert is under way. Against the stand-in through the FreeTDS driver; the stand-in's log shows the
// requests.
#include "ManualClock.h"
#include "RetailFixture.h"

#include "data/TDbErrors.h"
#include "data/odbc/ConnectionSocket.h"

#include <QRegularExpression>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QString Ref(int ANumero) {
    return QStringLiteral("R%1").arg(ANumero);
}

/// "sp_prepexec", "sp_execute", ... of RPC requests; "PRELOGIN", "LOGIN7", ... of the others.
QString Nome(const QString& APedido) {
    return APedido.startsWith(QLatin1String("RPC ")) ? APedido.section(QLatin1Char(' '), 1, 1)
                                                     : APedido.section(QLatin1Char(' '), 0, 0);
}

/// The parameter declaration that a prepare request carries ("@P1 varchar(3),@P2 nvarchar(max),...").
QString Declaracao(const QString& APedido) {
    static const QRegularExpression Lista(QStringLiteral("'(@P1 [^']*)'"));
    return Lista.match(APedido).captured(1);
}

} // namespace

class TstGravacaoCupons : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { F = std::make_unique<RetailFixture>(); }
    void cleanupTestCase() { F.reset(); }
    void init() {
        F->Limpar();
        F->ConfigurarStandIn();
        for (int N = 1; N <= 4; ++N)
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S1"), N, Ref(N));
        Inicio = F->Banco().requests().size();
    }
    void cleanup() { QVERIFY(!F->Modulo().sqlConexao.Connected()); }

    // One login, the insert prepared with the first coupon, one request per later coupon, freed at the end.
    void umPedidoPorCupom() {
        Executar([this] {
            for (int N = 1; N <= 4; ++N)
                QCOMPARE(F->Modulo().SalvarCupomFiscalBD(Ref(N), QStringLiteral("<NFe>%1</NFe>").arg(N)), 1);
        });
        QCOMPARE(Nomes(), QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec", "sp_execute", "sp_execute", "sp_execute",
                                       "sp_unprepare"}));
        QCOMPARE(Notas(), 4);
    }

    // The qualifier and the reference as varchar(8000), which holds any reference, the XML as nvarchar(max): one
    // declaration for references of every length, so the insert is prepared once for the run. Each reference found
    // its document, the longest one too.
    void preparadoUmaVezParaQualquerReferencia() {
        const QStringList Refs{QStringLiteral("T1"), QStringLiteral("T1234"), QStringLiteral("T12"),
                               QStringLiteral("T").repeated(35)};
        for (int N = 0; N < Refs.size(); ++N)
            F->InserirPiece(QStringLiteral("FFO"), QStringLiteral("S2"), 10 + N, Refs[N]);
        Executar([&] {
            for (const QString& Referencia : Refs)
                QCOMPARE(F->Modulo().SalvarCupomFiscalBD(Referencia, QStringLiteral("<NFe>Ação €</NFe>")), 1);
        });
        QCOMPARE(Nomes(), QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec", "sp_execute", "sp_execute", "sp_execute",
                                       "sp_unprepare"}));
        QCOMPARE(Declaracao(Pedidos().at(2)), QStringLiteral("@P1 VARCHAR(8000),@P2 NVARCHAR(MAX),@P3 VARCHAR(8000)"));
        QCOMPARE(Notas(), int(Refs.size()));
    }

    // A failing coupon ends the run; the prepared insert is freed on the server all the same.
    void liberadoNoFimTambemNaFalha() {
        QVERIFY_THROWS_EXCEPTION(EDbEngineError, Executar([this] {
                                     F->Modulo().SalvarCupomFiscalBD(Ref(1), QStringLiteral("<x/>"));
                                     F->Banco().setFault(QStringLiteral("error"), {547, QStringLiteral("MPIECEOLE")});
                                     F->Modulo().SalvarCupomFiscalBD(Ref(2), QStringLiteral("<x/>"));
                                 }));
        QCOMPARE(Nomes(), QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec", "sp_execute", "sp_unprepare"}));
    }

    // The server went away and came back while the connection was idle: the next coupon notices before sending
    // anything, logs in again and is stored once.
    void servidorReiniciadoEntreCupons() {
        Executar([this] {
            for (int N = 1; N <= 4; ++N) {
                if (N == 3)
                    F->Banco().restart();
                QCOMPARE(F->Modulo().SalvarCupomFiscalBD(Ref(N), QStringLiteral("<x/>")), 1);
            }
        });
        QCOMPARE(Nomes(), QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec", "sp_execute", "PRELOGIN", "LOGIN7",
                                       "sp_prepexec", "sp_execute", "sp_unprepare"}));
        QCOMPARE(Notas(), 4);
    }

    // An insert that reached the server may have run: its failure ends the run, and it is never sent again.
    void semNovaTentativaDepoisDeEnviado_data() {
        QTest::addColumn<int>("falhaNoCupom");
        QTest::addColumn<QStringList>("pedidos");
        QTest::newRow("primeiro cupom") << 1 << QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec"});
        QTest::newRow("cupom seguinte") << 2 << QStringList({"PRELOGIN", "LOGIN7", "sp_prepexec", "sp_execute"});
    }
    void semNovaTentativaDepoisDeEnviado() {
        QFETCH(int, falhaNoCupom);
        QFETCH(QStringList, pedidos);
        try {
            Executar([&] {
                for (int N = 1; N <= 3; ++N) {
                    if (N == falhaNoCupom)
                        F->Banco().setFault(QStringLiteral("drop_after_run"), {QStringLiteral("INSERT INTO")});
                    F->Modulo().SalvarCupomFiscalBD(Ref(N), QStringLiteral("<x/>"));
                }
            });
            QFAIL("the run went on");
        } catch (const EDbEngineError& E) {
            QVERIFY2(E.message().contains(QLatin1String("Unexpected EOF")), qPrintable(E.message()));
        }
        QCOMPARE(Nomes(), pedidos);
        QCOMPARE(Notas(), falhaNoCupom);
    }

    // A server that stays down: the next coupon fails and nothing more is stored. When the connection sat idle past
    // the threshold the loss is found first, and the new connection fails with the connection's own message; within
    // it, the insert goes out on the lost connection and the driver's error ends the run.
    void servidorQueNaoVolta_data() {
        QTest::addColumn<qint64>("ociosoMs");
        QTest::addColumn<bool>("aoConectar");
        QTest::newRow("ociosa além do limite") << ConnectionSocket::IdleCheckMs << true;
        QTest::newRow("dentro do limite") << qint64(0) << false;
    }
    void servidorQueNaoVolta() {
        QFETCH(qint64, ociosoMs);
        QFETCH(bool, aoConectar);
        ManualClock Relogio;
        QString Mensagem;
        bool DoMotor = false;
        try {
            Executar([&] {
                F->Modulo().SalvarCupomFiscalBD(Ref(1), QStringLiteral("<x/>"));
                F->Banco().stop();
                Relogio.advance(ociosoMs);
                F->Modulo().SalvarCupomFiscalBD(Ref(2), QStringLiteral("<x/>"));
            });
            QFAIL("the second coupon was stored");
        } catch (const EDbEngineError& E) {
            DoMotor = true;
            Mensagem = E.message();
        } catch (const EDbError& E) {
            Mensagem = E.message();
        }
        const StandIn::Login L = RetailFixture::Login();
        const QString AoConectar = QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados \"%1 - %2\": "
                                                  "\r\r[Strata][Phys][ODBC]")
                                       .arg(F->Banco().server(), L.database);
        QCOMPARE(DoMotor, !aoConectar);
        QVERIFY2(Mensagem.startsWith(AoConectar) == aoConectar, qPrintable(Mensagem));
        F->Banco().restart();
        QCOMPARE(Notas(), 1);
    }

private:
    void Executar(const std::function<void()>& ATrabalho) { F->Modulo().ExecutarComConexaoMantida(ATrabalho); }
    /// The requests the stand-in received since the test began.
    QStringList Pedidos() const { return F->Banco().requests().mid(Inicio); }
    QStringList Nomes() const {
        QStringList Result;
        for (const QString& Pedido : Pedidos())
            Result << Nome(Pedido);
        return Result;
    }
    int Notas() { return F->Banco().scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt(); }

    std::unique_ptr<RetailFixture> F;
    qsizetype Inicio = 0;
};

QTEST_MAIN(TstGravacaoCupons)
#include "tst_gravacaocupons.moc"
