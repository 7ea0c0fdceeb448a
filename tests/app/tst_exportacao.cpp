#include "DfeFixture.h"
#include "ModalAnswers.h"
#include "ProgramaDeTeste.h"
#include "StandIn.h"

#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "export/TExportacaoDocumentos.h"
#include "widgets/TApplication.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QString Pergunta = QStringLiteral("Deseja realmente gravar os documentos selecionados no Banco de Dados?");
const QString NenhumMarcado =
    QStringLiteral("Nenhum cupom fiscal foi selecionado, não é possível continuar a exportação!");

QString Id(int ANumero) {
    return DfeFixture::SimpleRow(ANumero).value(QStringLiteral("ID_ZEVRIK")).toString();
}

QString Xml(int ANumero) {
    return QString::fromUtf8(DfeFixture::SimpleRow(ANumero).value(QStringLiteral("XML_ZEVRIK")).toByteArray());
}

QString Salvo(int ANumero) {
    return QStringLiteral("Documento fiscal %1 salvo corretamente no banco de dados!").arg(ANumero);
}

QString NaoGravado(int ANumero, const QString& ARef) {
    return QStringLiteral("Documento fiscal %1 não foi gravado: o documento de venda %2 não existe no KVORA ou já "
                          "possui MPIECEOLE!")
        .arg(ANumero)
        .arg(ARef);
}

} // namespace

class TstExportacao : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void linhaRelatorio_data();
    void linhaRelatorio();
    void gravaNaOrdemDaGrade();
    void gravaPelaInstanciaNomeada();
    void respostaNaoNaoGrava();
    void semMarcaNaoPergunta_data();
    void semMarcaNaoPergunta();
    void configuracaoIncompleta();
    void falhaNoSegundoDeTres();
    void documentosJaAnotadosOuDesconhecidos();
    void servidorSemContagemDeLinhas();
    void numeroNuloEXmlNulo();
    void entradaDuranteAExportacaoNaoTemEfeito();
    void janelaModalDuranteAExportacaoAtendeEntrada();

private:
    QString Caminho(const QString& ANome) const { return Pasta->filePath(ANome); }
    /// Documents 1 to ACount on 10 February 2024, listed in the grid; each has a pending KVORA document.
    void ListarDocumentos(int ACount);
    /// Answers the question with AResposta; with Yes, then records the report window's text and the bar meanwhile.
    void Responder(QMessageBox::StandardButton AResposta);
    /// The ACount note rows of the stand-in, as MBP_NUMERO, MBP_QUALIFIANTOLE, MBP_BLOCNOTE, in number order.
    QList<QVariantList> Notas();
    /// "Ferramentas", "Exportar documentos para KVORA", clicked in the menu.
    void Exportar();
    /// Runs AAcao with the first pending events once the first coupon of the run is stored.
    void AoGravarOPrimeiro(std::function<void()> AAcao);

    std::unique_ptr<StandIn> Servidor;
    std::unique_ptr<QTemporaryDir> Pasta;
    std::unique_ptr<TProgramaDeTeste> Programa;
    std::unique_ptr<ModalAnswers> Modals;
    QString Relatorio;
    bool BarraVisivelNoRelatorio = false;
    int BarraNoRelatorio = -1;
};

void TstExportacao::initTestCase() {
    Servidor = std::make_unique<StandIn>();
}

void TstExportacao::init() {
    Pasta = std::make_unique<QTemporaryDir>();
    QVERIFY(Pasta->isValid());
    LimparKvora(*Servidor);
    Programa = std::make_unique<TProgramaDeTeste>(Pasta->path());
    ConfigurarKvora(*Servidor);
    Modals = std::make_unique<ModalAnswers>();
    Relatorio.clear();
    BarraVisivelNoRelatorio = false;
    BarraNoRelatorio = -1;
}

void TstExportacao::cleanup() {
    Modals.reset();
    Programa.reset();
    Pasta.reset();
}

void TstExportacao::ListarDocumentos(int ACount) {
    DfeFixture arquivo(Caminho(QStringLiteral("dfe.sqlite")));
    arquivo.Create().InsertSimple(ACount);
    arquivo.Close();
    for (int numero = 1; numero <= ACount; ++numero) {
        DocumentoKvora(*Servidor, Id(numero), numero);
    }
    Filtrar(Programa->Janela(), arquivo.Path(), QDate(2024, 2, 1), QDate(2024, 2, 29));
    QCOMPARE(IdsDaGrade(Programa->Grade()).size(), ACount);
}

void TstExportacao::Responder(QMessageBox::StandardButton AResposta) {
    Modals->answer(AResposta);
    if (AResposta != QMessageBox::Yes) {
        return;
    }
    Modals->handle([this](QDialog& AJanela) {
        // An error box instead of the report leaves the report empty, for the test to say so.
        const auto* memo = AJanela.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        Relatorio = memo ? memo->toPlainText() : QString();
        BarraVisivelNoRelatorio = Programa->Janela().BarProgresso->isVisible();
        BarraNoRelatorio = Programa->Janela().BarProgresso->value();
        AJanela.reject();
        return int(QDialog::Rejected);
    });
}

void TstExportacao::Exportar() {
    TfrmPrincipal& janela = Programa->Janela();
    QMenu* ferramentas = janela.actExportarParaKVORA->associatedObjects().isEmpty()
                             ? nullptr
                             : qobject_cast<QMenu*>(janela.actExportarParaKVORA->associatedObjects().constFirst());
    QVERIFY(ferramentas != nullptr);
    QTest::mouseClick(janela.MainMenu1, Qt::LeftButton, {},
                      janela.MainMenu1->actionGeometry(ferramentas->menuAction()).center());
    QVERIFY(QTest::qWaitForWindowExposed(ferramentas));
    QTest::mouseClick(ferramentas, Qt::LeftButton, {},
                      ferramentas->actionGeometry(janela.actExportarParaKVORA).center());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); // the menu command itself
}

void TstExportacao::AoGravarOPrimeiro(std::function<void()> AAcao) {
    auto* vigia = new QTimer(this);
    vigia->setInterval(0);
    connect(vigia, &QTimer::timeout, this, [this, vigia, AAcao] {
        if (Servidor->scalar(QStringLiteral("select count(*) from MPIECEOLE")).toInt() > 0) {
            vigia->stop();
            vigia->deleteLater();
            AAcao();
        }
    });
    vigia->start();
}

QList<QVariantList> TstExportacao::Notas() {
    return Servidor->query(QStringLiteral("select MBP_NUMERO, MBP_QUALIFIANTOLE, MBP_BLOCNOTE from MPIECEOLE "
                                          "order by MBP_NUMERO"));
}

void TstExportacao::linhaRelatorio_data() {
    QTest::addColumn<int>("numero");
    QTest::addColumn<qint64>("gravados");
    QTest::addColumn<QString>("linha");

    QTest::newRow("uma nota") << 12 << qint64(1) << Salvo(12);
    QTest::newRow("duas notas") << 7 << qint64(2) << Salvo(7);
    QTest::newRow("negativo") << -3 << qint64(1) << Salvo(-3);
    QTest::newRow("nenhuma nota") << 5 << qint64(0) << NaoGravado(5, QStringLiteral("B'2"));
    QTest::newRow("contagem desconhecida") << 6 << qint64(-1) << Salvo(6);
}

void TstExportacao::linhaRelatorio() {
    QFETCH(int, numero);
    QFETCH(qint64, gravados);
    QFETCH(QString, linha);
    QCOMPARE(TExportacaoDocumentos::LinhaRelatorio(numero, QStringLiteral("B'2"), gravados), linha);
}

void TstExportacao::gravaNaOrdemDaGrade() {
    ListarDocumentos(10);
    TDbGrid& grade = Programa->Grade();
    ClicarLinha(grade, 8);
    ClicarLinha(grade, 1);
    ClicarLinha(grade, 4);
    Responder(QMessageBox::Yes);

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Modals->shown().at(0).kind, QStringLiteral("QuestionBox"));
    QCOMPARE(Modals->shown().at(0).text, Pergunta);
    QCOMPARE(Modals->shown().at(0).caption, QStringLiteral("Documentos fiscais"));
    QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("frmAndamento"));
    QCOMPARE(Relatorio, Salvo(2) + QLatin1Char('\n') + Salvo(5) + QLatin1Char('\n') + Salvo(9));
    QVERIFY(BarraVisivelNoRelatorio);
    QCOMPARE(BarraNoRelatorio, 3);
    QCOMPARE(Programa->Janela().BarProgresso->maximum(), 3);
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());
    QCOMPARE(Notas(), (QList<QVariantList>{{2LL, QStringLiteral("PRR"), Xml(2)},
                                           {5LL, QStringLiteral("PRR"), Xml(5)},
                                           {9LL, QStringLiteral("PRR"), Xml(9)}}));
    QCOMPARE(grade.SelectedRowCount(), 3);
    QCOMPARE(grade.CurrentRow(), 8);
}

void TstExportacao::gravaPelaInstanciaNomeada() {
    auto nomeada = std::make_unique<StandIn>(StandIn::Login{}, StandIn::namedInstance(QStringLiteral("SQLEXPRESS")));
    std::swap(Servidor, nomeada);
    const auto restaurar = qScopeGuard([&] { std::swap(Servidor, nomeada); });
    ConfigurarKvora(*Servidor);
    QVERIFY(ConfigIni->GetServidor().endsWith(QLatin1String("\\SQLEXPRESS")));
    ListarDocumentos(3);
    ClicarLinha(Programa->Grade(), 2);
    ClicarLinha(Programa->Grade(), 0);
    Responder(QMessageBox::Yes);

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Relatorio, Salvo(1) + QLatin1Char('\n') + Salvo(3));
    QCOMPARE(Notas(),
             (QList<QVariantList>{{1LL, QStringLiteral("PRR"), Xml(1)}, {3LL, QStringLiteral("PRR"), Xml(3)}}));
}

void TstExportacao::respostaNaoNaoGrava() {
    ListarDocumentos(3);
    ClicarLinha(Programa->Grade(), 0);
    bool barraNaPergunta = true;
    Modals->handle([&](QDialog& ACaixa) {
        barraNaPergunta = Programa->Janela().BarProgresso->isVisible();
        // The default button is No: Enter answers No.
        QTest::keyClick(&ACaixa, Qt::Key_Return);
        return static_cast<QMessageBox&>(ACaixa).result();
    });

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Modals->shown().size(), 1);
    QVERIFY(!barraNaPergunta);
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());
    QVERIFY(Notas().isEmpty());
}

void TstExportacao::semMarcaNaoPergunta_data() {
    QTest::addColumn<bool>("comLista");
    QTest::newRow("antes de filtrar") << false;
    QTest::newRow("lista sem marcas") << true;
}

void TstExportacao::semMarcaNaoPergunta() {
    QFETCH(bool, comLista);
    if (comLista) {
        ListarDocumentos(2);
    }
    Modals->answer(QMessageBox::Ok);

    Exportar();

    QCOMPARE(Modals->shown().size(), 1);
    QCOMPARE(Modals->shown().at(0).kind, QStringLiteral("ErrorBox"));
    QCOMPARE(Modals->shown().at(0).text, NenhumMarcado);
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());
}

void TstExportacao::configuracaoIncompleta() {
    ListarDocumentos(2);
    ClicarLinha(Programa->Grade(), 0);
    ClicarLinha(Programa->Grade(), 1);
    ConfigIni->SetServidor(QString());
    Modals->answer(QMessageBox::Yes);
    Modals->answer(QMessageBox::Ok);

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Modals->shown().size(), 2);
    QCOMPARE(Modals->shown().at(1).kind, QStringLiteral("ErrorBox"));
    QCOMPARE(Modals->shown().at(1).text, QStringLiteral("Servidor de banco de dados não foi configurado!"));
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());
    QVERIFY(Notas().isEmpty());
}

void TstExportacao::falhaNoSegundoDeTres() {
    ListarDocumentos(5);
    TDbGrid& grade = Programa->Grade();
    ClicarLinha(grade, 0);
    ClicarLinha(grade, 2);
    ClicarLinha(grade, 4);
    Modals->answer(QMessageBox::Yes);
    QString erro;
    Modals->handle([&](QDialog& AJanela) {
        erro = AJanela.objectName();
        AJanela.reject();
        return int(QDialog::Rejected);
    });
    // From the first coupon on every insert fails.
    AoGravarOPrimeiro([this] {
        Servidor->setFault(QStringLiteral("error"), {2627, QStringLiteral("(?i)insert"), QStringLiteral("falha")});
    });

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Modals->shown().size(), 2);
    QCOMPARE(erro, QStringLiteral("DbErrorWindow"));
    QCOMPARE(Notas().size(), 1);
    QCOMPARE(Notas().at(0).at(0), QVariant(1LL));
    QCOMPARE(grade.CurrentRow(), 2);
    QCOMPARE(grade.SelectedRowCount(), 3);
    QVERIFY(!Programa->Janela().BarProgresso->isVisible());

    // Again with the same marks: the rest is stored, nothing twice.
    Servidor->clearFaults();
    Responder(QMessageBox::Yes);
    Exportar();
    QCOMPARE(Relatorio, NaoGravado(1, Id(1)) + QLatin1Char('\n') + Salvo(3) + QLatin1Char('\n') + Salvo(5));
    QCOMPARE(Notas().size(), 3);
    QCOMPARE(Servidor->scalar(QStringLiteral("select count(distinct MBP_NUMERO) from MPIECEOLE")), QVariant(3LL));
}

void TstExportacao::documentosJaAnotadosOuDesconhecidos() {
    DfeFixture arquivo(Caminho(QStringLiteral("dfe.sqlite")));
    arquivo.Create().InsertSimple(3);
    arquivo.Close();
    DocumentoKvora(*Servidor, Id(1), 1, true);
    DocumentoKvora(*Servidor, Id(3), 3, true);
    Filtrar(Programa->Janela(), arquivo.Path(), QDate(2024, 2, 10), QDate(2024, 2, 10));
    for (int linha = 0; linha < 3; ++linha) {
        ClicarLinha(Programa->Grade(), linha);
    }
    const QList<QVariantList> antes = Notas();
    Responder(QMessageBox::Yes);

    Exportar();

    QCOMPARE(Relatorio, NaoGravado(1, Id(1)) + QLatin1Char('\n') + NaoGravado(2, Id(2)) + QLatin1Char('\n') +
                            NaoGravado(3, Id(3)));
    QCOMPARE(Notas(), antes);
}

void TstExportacao::servidorSemContagemDeLinhas() {
    // A server whose logins run with SET NOCOUNT ON reports no row count: a stored coupon is reported as saved.
    StandIn semContagem(StandIn::Login{}, {QStringLiteral("--nocount")});
    ConfigurarKvora(semContagem);
    DfeFixture arquivo(Caminho(QStringLiteral("dfe.sqlite")));
    arquivo.Create().InsertSimple(3);
    arquivo.Close();
    DocumentoKvora(semContagem, Id(1), 1);
    DocumentoKvora(semContagem, Id(2), 2, true);
    DocumentoKvora(semContagem, Id(3), 3);
    Filtrar(Programa->Janela(), arquivo.Path(), QDate(2024, 2, 10), QDate(2024, 2, 10));
    for (int linha = 0; linha < 3; ++linha) {
        ClicarLinha(Programa->Grade(), linha);
    }
    Responder(QMessageBox::Yes);

    Exportar();

    QCOMPARE(Relatorio, Salvo(1) + QLatin1Char('\n') + Salvo(2) + QLatin1Char('\n') + Salvo(3));
    QCOMPARE(semContagem.query(QStringLiteral("select MBP_NUMERO, MBP_QUALIFIANTOLE from MPIECEOLE order by "
                                              "MBP_NUMERO")),
             (QList<QVariantList>{
                 {1LL, QStringLiteral("PRR")}, {2LL, QStringLiteral("OBS")}, {3LL, QStringLiteral("PRR")}}));
}

void TstExportacao::numeroNuloEXmlNulo() {
    DfeFixture arquivo(Caminho(QStringLiteral("dfe.sqlite")));
    QVariantMap semNumero = DfeFixture::SimpleRow(1);
    semNumero.remove(QStringLiteral("NUMERO"));
    semNumero.remove(QStringLiteral("XML_ZEVRIK"));
    arquivo.Create().Insert(semNumero);
    arquivo.Close();
    DocumentoKvora(*Servidor, Id(1), 41);
    Filtrar(Programa->Janela(), arquivo.Path(), QDate(2024, 2, 10), QDate(2024, 2, 10));
    ClicarLinha(Programa->Grade(), 0);
    Responder(QMessageBox::Yes);

    Exportar();

    QCOMPARE(Relatorio, Salvo(0));
    const QList<QVariantList> notas = Notas();
    QCOMPARE(notas.size(), 1);
    QCOMPARE(notas.at(0).at(0), QVariant(41LL));
    // A NULL note reads as a null QString, equal to ""; the server itself tells them apart.
    QVERIFY2(!notas.at(0).at(2).isNull(), "the note is NULL");
    QCOMPARE(notas.at(0).at(2).toString(), QStringLiteral(""));
    QCOMPARE(Servidor->scalar(QStringLiteral("select count(*) from MPIECEOLE where MBP_BLOCNOTE is null")),
             QVariant(0LL));
}

void TstExportacao::entradaDuranteAExportacaoNaoTemEfeito() {
    ListarDocumentos(6);
    TfrmPrincipal& janela = Programa->Janela();
    TDbGrid& grade = Programa->Grade();
    ClicarLinha(grade, 1);
    ClicarLinha(grade, 3);
    ClicarLinha(grade, 5);
    Responder(QMessageBox::Yes);
    int pinturasDaBarra = 0;
    struct ContarPinturas : QObject {
        int& Contador;
        explicit ContarPinturas(int& AContador) : Contador(AContador) {}
        bool eventFilter(QObject*, QEvent* AEvent) override {
            Contador += AEvent->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } contar(pinturasDaBarra);
    janela.BarProgresso->installEventFilter(&contar);

    // What the operator does while the first coupon is stored reaches the program with its next pending events:
    // clicks and keys on the grid, a click on "Filtrar...", the menu, and closing the window.
    AoGravarOPrimeiro([&] {
        const QPoint linha0 = grade.visualRect(grade.model()->index(0, 1)).center();
        QCoreApplication::postEvent(grade.viewport(), new QMouseEvent(QEvent::MouseButtonPress, linha0,
                                                                      grade.viewport()->mapToGlobal(linha0),
                                                                      Qt::LeftButton, Qt::LeftButton, {}));
        QCoreApplication::postEvent(grade.viewport(), new QMouseEvent(QEvent::MouseButtonRelease, linha0,
                                                                      grade.viewport()->mapToGlobal(linha0),
                                                                      Qt::LeftButton, Qt::NoButton, {}));
        QCoreApplication::postEvent(&grade, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, {}));
        QTest::keyClick(&grade, Qt::Key_Escape);
        QTest::keyClick(&grade, Qt::Key_Home);
        QTest::mouseClick(janela.btnFiltrarRegistros, Qt::LeftButton);
        QTest::keyClick(&janela, Qt::Key_F, Qt::AltModifier);
        janela.close();
    });

    Exportar();

    QVERIFY(Modals->allAnswered());
    QCOMPARE(Modals->shown().size(), 2);
    QCOMPARE(Relatorio, Salvo(2) + QLatin1Char('\n') + Salvo(4) + QLatin1Char('\n') + Salvo(6));
    QCOMPARE(grade.SelectedRowCount(), 3);
    QVERIFY(grade.RowMarked(1) && grade.RowMarked(3) && grade.RowMarked(5));
    QCOMPARE(grade.CurrentRow(), 5);
    QVERIFY(janela.isVisible());
    QCOMPARE(Notas().size(), 3);
    QVERIFY2(pinturasDaBarra > 0, "the window is painted during the run");

    // Once the run is over the window takes input again.
    ClicarLinha(grade, 0, Qt::NoModifier);
    QCOMPARE(grade.SelectedRowCount(), 1);
}

void TstExportacao::janelaModalDuranteAExportacaoAtendeEntrada() {
    ListarDocumentos(2);
    ClicarLinha(Programa->Grade(), 0);
    ClicarLinha(Programa->Grade(), 1);
    Responder(QMessageBox::Yes);
    int resultado = -1;
    // A window that comes up modally while the run goes on (as an error box would) takes the operator's Esc.
    AoGravarOPrimeiro([&] {
        QDialog janela(&Programa->Janela());
        QTimer::singleShot(0, &janela, [&janela] { QTest::keyClick(&janela, Qt::Key_Escape); });
        QTimer::singleShot(3000, &janela, [&janela] { janela.done(42); });
        resultado = janela.exec();
    });

    Exportar();

    QCOMPARE(resultado, int(QDialog::Rejected));
    QCOMPARE(Notas().size(), 2);
}

int main(int argc, char** argv) {
    TApplication aplicacao(argc, argv);
    TstExportacao teste;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_exportacao.moc"
