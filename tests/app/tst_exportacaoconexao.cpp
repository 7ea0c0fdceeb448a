// The export when the KVORA connection it holds is lost between two coupons: the server killed and started again on
// its port, a server that stays down, and a reply lost after the insert has run. The whole program against the
// stand-in, through the real driver.
#include "DfeFixture.h"
#include "ManualClock.h"
#include "ModalAnswers.h"
#include "ProgramaDeTeste.h"
#include "StandIn.h"

#include "data/odbc/ConnectionSocket.h"
#include "widgets/TApplication.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

constexpr int Cupons = 6;
/// Coupons stored before the connection is lost.
constexpr int AntesDaQueda = 2;

/// Coupon ANumero's XML, padded with ATamanho characters (0: none) so that its insert spans many packets.
QString Xml(int ANumero, int ATamanho) {
    return QStringLiteral("<NFe><infNFe Id=\"NFe%1\"><nNF>%1</nNF><infAdic>%2</infAdic></infNFe></NFe>")
        .arg(ANumero)
        .arg(QString(ATamanho, QLatin1Char(char('a' + ANumero % 26))));
}

QString Id(int ANumero) {
    return DfeFixture::SimpleRow(ANumero).value(QStringLiteral("ID_ZEVRIK")).toString();
}

QString Salvo(int ANumero) {
    return QStringLiteral("Documento fiscal %1 salvo corretamente no banco de dados!").arg(ANumero);
}

QString NaoGravado(int ANumero) {
    return QStringLiteral("Documento fiscal %1 não foi gravado: o documento de venda %2 não existe no KVORA ou já "
                          "possui MPIECEOLE!")
        .arg(ANumero)
        .arg(Id(ANumero));
}

/// The report lines of coupons AFirst to ALast, as the message window shows them.
QString Linhas(int AFirst, int ALast, const std::function<QString(int)>& ALinha) {
    QStringList linhas;
    for (int numero = AFirst; numero <= ALast; ++numero) {
        linhas << ALinha(numero);
    }
    return linhas.join(QLatin1Char('\n'));
}

} // namespace

class TstExportacaoConexao : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void servidorReiniciadoEntreCupons_data();
    void servidorReiniciadoEntreCupons();
    void servidorQueNaoVolta_data();
    void servidorQueNaoVolta();
    void respostaPerdidaDepoisDeGravar();

private:
    /// Coupons 1 to Cupons with XML padded by ATamanho, each with its pending KVORA document, listed and all marked.
    void ListarEMarcar(int ATamanho);
    /// Runs the export command, answering Yes; the next modal window is recorded (the report or an error).
    void Exportar();
    /// Runs AAcao once AntesDaQueda coupons are stored, with the pending events after that coupon.
    void AoGravarOsPrimeiros(std::function<void()> AAcao);
    /// MBP_NUMERO and MBP_BLOCNOTE of every note row, in number order.
    QList<QVariantList> Notas();
    QList<QVariantList> NotasEsperadas(int AUltimo, int ATamanho);
    int Logins() const;

    std::unique_ptr<StandIn> Servidor;
    std::unique_ptr<QTemporaryDir> Pasta;
    std::unique_ptr<TProgramaDeTeste> Programa;
    std::unique_ptr<ModalAnswers> Modals;
    ModalAnswers::Shown Mostrada;
    QString Relatorio;
};

void TstExportacaoConexao::initTestCase() {
    Servidor = std::make_unique<StandIn>();
}

void TstExportacaoConexao::init() {
    // A test that stopped the server and failed before starting it again leaves it down.
    if (!Servidor->isRunning()) {
        Servidor->restart();
    }
    Pasta = std::make_unique<QTemporaryDir>();
    QVERIFY(Pasta->isValid());
    LimparKvora(*Servidor);
    Programa = std::make_unique<TProgramaDeTeste>(Pasta->path());
    ConfigurarKvora(*Servidor);
    Modals = std::make_unique<ModalAnswers>();
    Mostrada = {};
    Relatorio.clear();
}

void TstExportacaoConexao::cleanup() {
    Modals.reset();
    Programa.reset();
    Pasta.reset();
}

void TstExportacaoConexao::ListarEMarcar(int ATamanho) {
    DfeFixture arquivo(Pasta->filePath(QStringLiteral("dfe.sqlite")));
    arquivo.Create();
    for (int numero = 1; numero <= Cupons; ++numero) {
        QVariantMap linha = DfeFixture::SimpleRow(numero);
        linha.insert(QStringLiteral("XML_ZEVRIK"), Xml(numero, ATamanho).toUtf8());
        arquivo.Insert(linha);
        DocumentoKvora(*Servidor, Id(numero), numero);
    }
    arquivo.Close();
    Filtrar(Programa->Janela(), arquivo.Path(), QDate(2024, 2, 1), QDate(2024, 2, 29));
    for (int linha = 0; linha < Cupons; ++linha) {
        ClicarLinha(Programa->Grade(), linha);
    }
    QCOMPARE(Programa->Grade().SelectedRowCount(), Cupons);
}

void TstExportacaoConexao::Exportar() {
    Modals->answer(QMessageBox::Yes);
    Modals->handle([this](QDialog& AJanela) {
        Mostrada = {AJanela.objectName(), AJanela.windowTitle(), QString()};
        if (const auto* caixa = qobject_cast<QMessageBox*>(&AJanela)) {
            Mostrada.text = caixa->text();
        }
        if (const auto* mensagem = AJanela.findChild<QPlainTextEdit*>(QStringLiteral("mmoMessage"))) {
            Mostrada.text = mensagem->toPlainText();
        }
        if (const auto* memo = AJanela.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))) {
            Relatorio = memo->toPlainText();
        }
        AJanela.reject();
        return int(QDialog::Rejected);
    });
    Programa->Janela().actExportarParaKVORA->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); // the command runs queued
    QVERIFY(Modals->allAnswered());
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());
}

void TstExportacaoConexao::AoGravarOsPrimeiros(std::function<void()> AAcao) {
    auto* vigia = new QTimer(this);
    vigia->setInterval(0);
    connect(vigia, &QTimer::timeout, this, [this, vigia, AAcao] {
        if (Servidor->scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt() >= AntesDaQueda) {
            vigia->stop();
            vigia->deleteLater();
            AAcao();
        }
    });
    vigia->start();
}

QList<QVariantList> TstExportacaoConexao::Notas() {
    return Servidor->query(QStringLiteral("select MBP_NUMERO, MBP_BLOCNOTE from MPIECEOLE order by MBP_NUMERO"));
}

QList<QVariantList> TstExportacaoConexao::NotasEsperadas(int AUltimo, int ATamanho) {
    QList<QVariantList> notas;
    for (int numero = 1; numero <= AUltimo; ++numero) {
        notas.append({qlonglong(numero), Xml(numero, ATamanho)});
    }
    return notas;
}

int TstExportacaoConexao::Logins() const {
    QFile log(Servidor->logFile());
    return log.open(QIODevice::ReadOnly) ? int(log.readAll().count("LOGIN7")) : -1;
}

void TstExportacaoConexao::servidorReiniciadoEntreCupons_data() {
    // A short insert goes out whole before the client can learn that the server went away; a long one meets the
    // closed connection while it is still being written.
    QTest::addColumn<int>("tamanho");
    QTest::newRow("XML curto") << 0;
    QTest::newRow("XML de 60 KB") << 60000;
}

void TstExportacaoConexao::servidorReiniciadoEntreCupons() {
    QFETCH(int, tamanho);
    ListarEMarcar(tamanho);
    const int loginsAntes = Logins();
    AoGravarOsPrimeiros([this] { Servidor->restart(); });

    Exportar();

    QVERIFY2(Mostrada.kind == QStringLiteral("frmAndamento"),
             qPrintable(Mostrada.kind + QStringLiteral(": ") + Mostrada.text));
    QCOMPARE(Relatorio, Linhas(1, Cupons, Salvo));
    QCOMPARE(Notas(), NotasEsperadas(Cupons, tamanho));
    // One login before the restart, one after it: the connection is still held for the run.
    QCOMPARE(Logins() - loginsAntes, 2);
}

void TstExportacaoConexao::servidorQueNaoVolta_data() {
    // Idle past the threshold the loss is found before the insert goes out, and the new connection fails; within
    // it the insert goes out on the lost connection, and the driver's error ends the run.
    QTest::addColumn<qint64>("ociosoMs");
    QTest::addColumn<QString>("janela");
    QTest::newRow("ociosa além do limite") << ConnectionSocket::IdleCheckMs << QStringLiteral("ErrorBox");
    QTest::newRow("dentro do limite") << qint64(0) << QStringLiteral("DbErrorWindow");
}

void TstExportacaoConexao::servidorQueNaoVolta() {
    QFETCH(qint64, ociosoMs);
    QFETCH(QString, janela);
    ManualClock relogio;
    ListarEMarcar(0);
    AoGravarOsPrimeiros([this, &relogio, ociosoMs] {
        Servidor->stop();
        relogio.advance(ociosoMs);
    });

    Exportar();

    QCOMPARE(Mostrada.kind, janela);
    const QString conectar = QStringLiteral("Ocorreu o seguinte erro ao conectar a base de dados \"%1 - %2\": \r\r")
                                 .arg(Servidor->server(), Servidor->login().database);
    QVERIFY2(Mostrada.text.startsWith(conectar + QStringLiteral("[Strata][Phys][ODBC]")) == (janela == "ErrorBox"),
             qPrintable(Mostrada.text));
    QVERIFY(Relatorio.isEmpty());
    QCOMPARE(Programa->Grade().CurrentRow(), AntesDaQueda);
    Servidor->restart();
    QCOMPARE(Notas(), NotasEsperadas(AntesDaQueda, 0));
}

void TstExportacaoConexao::respostaPerdidaDepoisDeGravar() {
    ListarEMarcar(0);
    // The next coupon's insert runs, and the connection drops before its reply; later inserts are answered.
    AoGravarOsPrimeiros([this] {
        Servidor->setFault(QStringLiteral("drop_after_run"), {QStringLiteral("INSERT INTO MPIECEOLE"), 1});
    });

    Exportar();

    // The tool cannot know whether it ran: the run ends there, as for any failed insert.
    QCOMPARE(Mostrada.kind, QStringLiteral("DbErrorWindow"));
    QVERIFY(Relatorio.isEmpty());
    QCOMPARE(Programa->Grade().CurrentRow(), AntesDaQueda);
    QCOMPARE(Notas(), NotasEsperadas(AntesDaQueda + 1, 0));

    // Again with the same marks: the coupon whose reply was lost is reported as already noted; nothing twice.
    Servidor->clearFaults();
    Exportar();
    QCOMPARE(Mostrada.kind, QStringLiteral("frmAndamento"));
    QCOMPARE(Relatorio,
             Linhas(1, AntesDaQueda + 1, NaoGravado) + QLatin1Char('\n') + Linhas(AntesDaQueda + 2, Cupons, Salvo));
    QCOMPARE(Notas(), NotasEsperadas(Cupons, 0));
}

int main(int argc, char** argv) {
    TApplication aplicacao(argc, argv);
    TstExportacaoConexao teste;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_exportacaoconexao.moc"
