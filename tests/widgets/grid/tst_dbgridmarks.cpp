#include "DfeFixture.h"

#include "app/uPrincipal.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "widgets/TApplication.h"
#include "widgets/TApplicationErrorHandler.h"
#include "widgets/grid/TDBGrid.h"
#include "widgets/grid/TDBGridModel.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <numeric>
#include <set>

class TstDBGrid : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void marcas_data();
    void marcas();
    void listaDeMarcasEmOrdemDaGrade();
    void milharesDeMarcasFicamEmOrdem();
    void ctrlAMarcaMesmoOQueNaoFoiLido();
    void ctrlAComLinhaIlegivel();
    void teclasSemListaAbertaNaoFazemNada();
    void reabrirOuFecharApagaAsMarcas();
    void teclasCtrlVaoAsLinhasVisiveis();
    void cliquesForaDasLinhas();
    void tabSaiDaGrade();
    void gradeSegueALinhaAtual();
    void rolagemHorizontalFica_data();
    void rolagemHorizontalFica();
    void reabrirVoltaAoTopoEFecharEsvazia();

    void colunas();
    void textosDasCelulas_data();
    void textosDasCelulas();
    void destaqueEIndicador();
    void tituloSobOPonteiroAceso();

    void cemMilLinhasAbremSemLerTudo();
    void estouroAoRolarNaoDerruba();
    void modeloPassaNoTestador();

private:
    QString CriarArquivo(int ALinhas);
    void Abrir(const QString& APath, const QString& ASql = QStringLiteral("select * from tb_nfce"));
    void Executar(const QString& APasso);
    QPoint Centro(int ALinha) const;
    QList<int> Marcadas() const;

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TdtmConexaoLocal> Modulo;
    std::unique_ptr<TfrmPrincipal> Janela;
    TDBGrid* Grade = nullptr;
    TDbQuery* Lista = nullptr;
    QStringList Erros;
};

void TstDBGrid::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Modulo = std::make_unique<TdtmConexaoLocal>();
    dtmConexaoLocal = Modulo.get();
    Lista = Modulo->qryDocumentosEmitidos;
    Janela = std::make_unique<TfrmPrincipal>();
    frmPrincipal = Janela.get();
    Grade = Janela->DBGrid1;
    Erros.clear();
    TApplicationErrorHandler::SetPresenter([this](const std::exception& AError) {
        Erros.append(QString::fromUtf8(AError.what()));
        return true;
    });
    Janela->show();
    QVERIFY(QTest::qWaitForWindowExposed(Janela.get()));
    Grade->setFocus();
}

void TstDBGrid::cleanup() {
    TApplicationErrorHandler::SetPresenter({});
    Grade = nullptr;
    frmPrincipal = nullptr;
    Janela.reset();
    Lista = nullptr;
    dtmConexaoLocal = nullptr;
    Modulo.reset();
    Dir.reset();
}

QString TstDBGrid::CriarArquivo(int ALinhas) {
    DfeFixture fixture(Dir->filePath(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(ALinhas).Close();
    return fixture.Path();
}

void TstDBGrid::Abrir(const QString& APath, const QString& ASql) {
    Modulo->Conectar(APath);
    Lista->Open(ASql);
    QCoreApplication::processEvents();
}

QPoint TstDBGrid::Centro(int ALinha) const {
    Grade->scrollTo(Grade->model()->index(ALinha, 0));
    return Grade->visualRect(Grade->model()->index(ALinha, 1)).center();
}

QList<int> TstDBGrid::Marcadas() const {
    QList<int> linhas;
    for (int i = 0; i < Grade->SelectedRowCount(); ++i) {
        linhas.append(Lista->RowOf(Grade->SelectedRow(i)));
    }
    return linhas;
}

// One step of a marking script: "clique 4", "ctrl+clique 4", "shift+clique 4", "direito 4", "duplo ctrl 4",
// "indicador 4", "tecla Shift+Down", "roda -2" (notches, negative is down), "ir 4" (moves the list itself).
void TstDBGrid::Executar(const QString& APasso) {
    const QString acao = APasso.section(QLatin1Char(' '), 0, 0);
    const QString argumento = APasso.section(QLatin1Char(' '), 1);
    const int linha = argumento.section(QLatin1Char(' '), -1).toInt();
    if (acao == QLatin1String("tecla")) {
        const QKeyCombination combinacao = QKeySequence::fromString(argumento)[0];
        QTest::keyClick(Grade, combinacao.key(), combinacao.keyboardModifiers());
    } else if (acao.endsWith(QLatin1String("clique"))) {
        Qt::KeyboardModifiers modificadores;
        if (acao.startsWith(QLatin1String("ctrl+"))) {
            modificadores = Qt::ControlModifier;
        } else if (acao.startsWith(QLatin1String("shift+"))) {
            modificadores = Qt::ShiftModifier;
        }
        QTest::mouseClick(Grade->viewport(), Qt::LeftButton, modificadores, Centro(linha));
    } else if (acao == QLatin1String("direito")) {
        QTest::mouseClick(Grade->viewport(), Qt::RightButton, {}, Centro(linha));
    } else if (acao == QLatin1String("duplo")) {
        // As the window system delivers it: press, release, double click (in place of the second press), release.
        const Qt::KeyboardModifiers modificadores =
            argumento.startsWith(QLatin1String("ctrl")) ? Qt::ControlModifier : Qt::NoModifier;
        const QPoint ponto = Centro(linha);
        QTest::mouseClick(Grade->viewport(), Qt::LeftButton, modificadores, ponto);
        QTest::mouseDClick(Grade->viewport(), Qt::LeftButton, modificadores, ponto);
        QTest::mouseRelease(Grade->viewport(), Qt::LeftButton, modificadores, ponto);
    } else if (acao == QLatin1String("indicador")) {
        Centro(linha);
        QHeaderView* indicador = Grade->verticalHeader();
        const QPoint ponto(indicador->width() / 2, indicador->sectionViewportPosition(linha) + 3);
        QTest::mouseClick(indicador->viewport(), Qt::LeftButton, {}, ponto);
    } else if (acao == QLatin1String("roda")) {
        const QPoint ponto = Grade->viewport()->rect().center();
        QWheelEvent roda(ponto, Grade->viewport()->mapToGlobal(ponto), QPoint(), QPoint(0, 120 * argumento.toInt()),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Grade->viewport(), &roda);
    } else if (acao == QLatin1String("ir")) {
        Lista->MoveTo(linha);
    } else {
        QFAIL(qPrintable(QStringLiteral("passo desconhecido: ") + APasso));
    }
}

void TstDBGrid::marcas_data() {
    QTest::addColumn<QString>("passos");    // separated by ";"
    QTest::addColumn<QList<int>>("marcas"); // rows from 0, in list order
    QTest::addColumn<int>("atual");
    QTest::addColumn<bool>("intervalo");

    using L = QList<int>;
    // Rows are numbered from 0: the fifth row is 4.
    QTest::newRow("quinta, segunda, nona com Ctrl+clique")
        << "ctrl+clique 4;ctrl+clique 1;ctrl+clique 8" << L{1, 4, 8} << 8 << false;
    QTest::newRow("quinta, segunda, nona com Espaço")
        << "ir 4;tecla Space;ir 1;tecla Space;ir 8;tecla Space" << L{1, 4, 8} << 8 << false;
    QTest::newRow("clique e Shift+clique") << "clique 2;shift+clique 6" << L{6} << 6 << false;
    QTest::newRow("Ctrl+clique numa marcada tira só ela")
        << "clique 2;ctrl+clique 5;ctrl+clique 7;ctrl+clique 5" << L{2, 7} << 5 << false;
    QTest::newRow("Ctrl+clique numa desmarcada acrescenta")
        << "clique 2;ctrl+clique 7;ctrl+clique 5" << L{2, 5, 7} << 5 << false;
    QTest::newRow("clique simples tira as outras") << "ctrl+clique 2;ctrl+clique 7;clique 5" << L{5} << 5 << false;

    const QString tresAbaixo = QStringLiteral("ir 3;tecla Shift+Down;tecla Shift+Down;tecla Shift+Down");
    QTest::newRow("Shift+Down três vezes da quarta") << tresAbaixo << L{3, 4, 5, 6} << 6 << true;
    QTest::newRow("depois dois Shift+Up") << tresAbaixo + ";tecla Shift+Up;tecla Shift+Up" << L{3, 4} << 4 << true;
    QTest::newRow("depois três Shift+Up")
        << tresAbaixo + ";tecla Shift+Up;tecla Shift+Up;tecla Shift+Up" << L{3} << 3 << true;
    QTest::newRow("depois quatro Shift+Up")
        << tresAbaixo + ";tecla Shift+Up;tecla Shift+Up;tecla Shift+Up;tecla Shift+Up" << L{2, 3} << 2 << true;
    QTest::newRow("Alt+Shift+Down também marca intervalo") << "ir 3;tecla Alt+Shift+Down" << L{3, 4} << 4 << true;
    QTest::newRow("Shift+Up na primeira linha marca a primeira") << "ir 0;tecla Shift+Up" << L{0} << 0 << true;
    QTest::newRow("intervalo mantém marcas de antes")
        << "ctrl+clique 9;ir 3;tecla Shift+Down" << L{3, 4, 9} << 4 << true;
    QTest::newRow("clique encerra o intervalo") << "ir 3;tecla Shift+Down;clique 8" << L{8} << 8 << false;
    QTest::newRow("Ctrl+clique também encerra o intervalo")
        << "ir 3;tecla Shift+Down;ctrl+clique 8" << L{3, 4, 8} << 8 << false;
    QTest::newRow("Espaço não encerra o intervalo") << "ir 3;tecla Shift+Down;tecla Space" << L{3} << 4 << true;

    QTest::newRow("Espaço duas vezes") << "clique 3;ir 5;tecla Space;tecla Space" << L{3} << 5 << false;
    QTest::newRow("Espaço desmarca a marcada") << "clique 3;tecla Space" << L{} << 3 << false;
    QTest::newRow("Up e Down simples mantêm as marcas")
        << "ctrl+clique 2;ctrl+clique 4;ctrl+clique 6;tecla Down;tecla Down;tecla Up" << L{2, 4, 6} << 7 << false;
    QTest::newRow("Up na primeira linha") << "clique 0;tecla Up" << L{0} << 0 << false;

    const QString varias = QStringLiteral("ctrl+clique 2;ctrl+clique 4;ctrl+clique 6");
    QTest::newRow("PgDn apaga") << varias + ";ir 1;tecla PgDown" << L{} << -1 << false;
    QTest::newRow("Home apaga") << varias + ";tecla Home" << L{} << 0 << false;
    QTest::newRow("End apaga") << varias + ";tecla End" << L{} << 59 << false;
    QTest::newRow("Ctrl+Home apaga") << varias + ";tecla Ctrl+Home" << L{} << 0 << false;
    QTest::newRow("Ctrl+End apaga") << varias + ";tecla Ctrl+End" << L{} << 59 << false;
    QTest::newRow("Esc apaga e fica") << varias + ";tecla Esc" << L{} << 6 << false;
    QTest::newRow("Alt+Down apaga e desce") << varias + ";tecla Alt+Down" << L{} << 7 << false;
    QTest::newRow("Alt+Up apaga e sobe") << varias + ";tecla Alt+Up" << L{} << 5 << false;
    QTest::newRow("Left apaga e sobe") << varias + ";tecla Left" << L{} << 5 << false;
    QTest::newRow("Right apaga e desce") << varias + ";tecla Right" << L{} << 7 << false;
    QTest::newRow("Esc encerra o intervalo") << "ir 3;tecla Shift+Down;tecla Esc" << L{} << 4 << false;
    QTest::newRow("Ctrl+Left e Ctrl+Right não mudam nada")
        << varias + ";tecla Ctrl+Left;tecla Ctrl+Right" << L{2, 4, 6} << 6 << false;
    QTest::newRow("Insert, Delete, Enter, F2, Shift+Espaço, Ctrl+Espaço, A não mudam nada")
        << varias + ";tecla Ins;tecla Del;tecla Return;tecla F2;tecla Shift+Space;tecla Ctrl+Space;tecla A"
        << L{2, 4, 6} << 6 << false;

    QList<int> todas(60);
    std::iota(todas.begin(), todas.end(), 0);
    QTest::newRow("Ctrl+A marca todas e fica") << "ir 7;tecla Ctrl+A" << todas << 7 << false;
    QTest::newRow("Ctrl+A encerra o intervalo") << "ir 3;tecla Shift+Down;tecla Ctrl+A" << todas << 4 << false;
    QTest::newRow("Ctrl+A e depois Ctrl+clique tira uma")
        << "tecla Ctrl+A;ctrl+clique 5" << todas.mid(0, 5) + todas.mid(6) << 5 << false;
    QTest::newRow("Ctrl+Shift+A e Alt+A não marcam")
        << varias + ";tecla Ctrl+Shift+A;tecla Alt+A" << L{2, 4, 6} << 6 << false;
    QTest::newRow("clique direito só move") << varias + ";direito 9" << L{2, 4, 6} << 9 << false;
    QTest::newRow("clique direito não encerra o intervalo")
        << "ir 3;tecla Shift+Down;direito 9;tecla Shift+Down" << L{3, 4, 10} << 10 << true;
    QTest::newRow("roda desce duas") << varias + ";roda -2" << L{2, 4, 6} << 8 << false;
    QTest::newRow("roda sobe uma") << varias + ";roda 1" << L{2, 4, 6} << 5 << false;
    QTest::newRow("segundo toque do duplo clique não faz nada") << "clique 3;duplo ctrl 5" << L{3, 5} << 5 << false;
    QTest::newRow("duplo clique simples marca só a linha") << "ctrl+clique 3;duplo simples 5" << L{5} << 5 << false;
    QTest::newRow("clique no indicador vale como clique na linha") << varias + ";indicador 9" << L{9} << 9 << false;
}

void TstDBGrid::marcas() {
    QFETCH(QString, passos);
    QFETCH(QList<int>, marcas);
    QFETCH(int, atual);
    QFETCH(bool, intervalo);

    Abrir(CriarArquivo(60));
    const int alturaLinha = Grade->verticalHeader()->defaultSectionSize();
    for (const QString& passo : passos.split(QLatin1Char(';'))) {
        const int antes = Lista->RecNo();
        Executar(passo);
        if (passo == QLatin1String("tecla PgDown")) {
            // One page: as many rows as the grid shows.
            atual = antes + Grade->viewport()->height() / alturaLinha;
        }
    }
    QCOMPARE(Marcadas(), marcas);
    QCOMPARE(Lista->RecNo(), atual);
    QCOMPARE(Grade->CurrentRow(), atual);
    QCOMPARE(Grade->RangeInProgress(), intervalo);
    QCOMPARE(Grade->currentIndex().row(), atual);
    QCOMPARE(Erros, QStringList());
}

void TstDBGrid::listaDeMarcasEmOrdemDaGrade() {
    Abrir(CriarArquivo(60));
    for (const int linha : {40, 3, 17, 0, 59, 22, 9}) {
        Executar(QStringLiteral("ctrl+clique %1").arg(linha));
    }
    QCOMPARE(Marcadas(), QList<int>({0, 3, 9, 17, 22, 40, 59}));
    // Each entry brings its own row back as the current one.
    for (int i = 0; i < Grade->SelectedRowCount(); ++i) {
        Lista->GotoBookmark(Grade->SelectedRow(i));
        QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), Marcadas().at(i) + 1);
    }
    Executar(QStringLiteral("ctrl+clique 17"));
    QCOMPARE(Marcadas(), QList<int>({0, 3, 9, 22, 40, 59}));
}

// Thousands of marks made and removed in scattered order: the list stays sorted, each row at most once, and walking
// it forwards or backwards by index gives the same rows.
void TstDBGrid::milharesDeMarcasFicamEmOrdem() {
    constexpr int Linhas = 3000;
    Abrir(CriarArquivo(Linhas));
    Lista->MoveTo(Linhas); // every row read
    QCOMPARE(Grade->model()->rowCount(), Linhas);
    std::set<int> esperadas;
    // 1231 is prime to the row count: the steps visit the rows in scattered order.
    for (int passo = 0; passo < 2 * Linhas; ++passo) {
        const int linha = int((qint64(passo) * 1231 + 17) % Linhas);
        if (passo % 5 == 4 && !esperadas.empty()) {
            // Now and then a marked row is unmarked again.
            const int marcada = *esperadas.lower_bound(linha % (*esperadas.rbegin() + 1));
            Grade->PressRow(marcada, Qt::LeftButton, Qt::ControlModifier);
            esperadas.erase(marcada);
        }
        Grade->PressRow(linha, Qt::LeftButton, Qt::ControlModifier);
        if (!esperadas.erase(linha)) {
            esperadas.insert(linha);
        }
    }
    QVERIFY(esperadas.size() > 1000);
    QCOMPARE(Marcadas(), QList<int>(esperadas.begin(), esperadas.end()));
    QList<int> deTrasParaFrente;
    for (int i = Grade->SelectedRowCount() - 1; i >= 0; --i) {
        deTrasParaFrente.prepend(Lista->RowOf(Grade->SelectedRow(i)));
    }
    QCOMPARE(deTrasParaFrente, Marcadas());
    for (int linha = 0; linha < Linhas; ++linha) {
        QCOMPARE(Grade->RowMarked(linha), esperadas.count(linha) == 1);
    }
    QCOMPARE(Erros, QStringList());
}

// Ctrl+A on a list mostly not fetched yet: every row is marked, in grid order, and the current row stays.
void TstDBGrid::ctrlAMarcaMesmoOQueNaoFoiLido() {
    constexpr int Linhas = 3000;
    Abrir(CriarArquivo(Linhas));
    QVERIFY(Lista->FetchedRowCount() < Linhas);
    Executar(QStringLiteral("clique 4"));
    Executar(QStringLiteral("tecla Ctrl+A"));
    QCOMPARE(Grade->SelectedRowCount(), Linhas);
    QCOMPARE(Grade->model()->rowCount(), Linhas);
    QCOMPARE(Lista->RecNo(), 4);
    QList<int> todas(Linhas);
    std::iota(todas.begin(), todas.end(), 0);
    QCOMPARE(Marcadas(), todas);
    QVERIFY(Grade->RowMarked(Linhas - 1));
    // The marks behave as marks made one by one.
    Executar(QStringLiteral("ctrl+clique 2"));
    QVERIFY(!Grade->RowMarked(2));
    QCOMPARE(Grade->SelectedRowCount(), Linhas - 1);
    Executar(QStringLiteral("ctrl+clique 2"));
    QCOMPARE(Marcadas(), todas);
    QCOMPARE(Erros, QStringList());
}

// A row that cannot be read stops Ctrl+A with its error; the marks stay as they were.
void TstDBGrid::ctrlAComLinhaIlegivel() {
    DfeFixture fixture(Dir->filePath(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(500);
    QVariantMap longa = DfeFixture::SimpleRow(501);
    longa.insert(QStringLiteral("ID_ZEVRIK"), QString(51, QLatin1Char('X')));
    fixture.Insert(longa).InsertSimple(10, 502).Close();
    Abrir(fixture.Path());
    Executar(QStringLiteral("ctrl+clique 3"));
    Executar(QStringLiteral("tecla Ctrl+A"));
    QCOMPARE(Erros.size(), 1);
    QVERIFY(Erros.constFirst().contains(QStringLiteral("overflow")));
    QCOMPARE(Marcadas(), QList<int>({3}));
    QCOMPARE(Lista->RecNo(), 3);
}

void TstDBGrid::teclasSemListaAbertaNaoFazemNada() {
    for (const char* tecla : {"Space", "Up", "Down", "Shift+Down", "PgDown", "End", "Esc", "Ctrl+A"}) {
        Executar(QStringLiteral("tecla ") + QLatin1String(tecla));
    }
    const QPoint ponto(20, 20);
    QTest::mouseClick(Grade->viewport(), Qt::LeftButton, {}, ponto);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Grade->CurrentRow(), -1);
    QCoreApplication::processEvents();
    QCOMPARE(Erros, QStringList());
}

void TstDBGrid::reabrirOuFecharApagaAsMarcas() {
    const QString caminho = CriarArquivo(60);
    Abrir(caminho);
    Executar(QStringLiteral("ctrl+clique 2;"));
    Executar(QStringLiteral("ctrl+clique 5"));
    Executar(QStringLiteral("ir 7"));
    Executar(QStringLiteral("tecla Shift+Down"));
    QCOMPARE(Grade->SelectedRowCount(), 4);

    // Running the filter again: the list closes and opens with the same or another statement.
    Lista->Close();
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QVERIFY(!Grade->RangeInProgress());
    QCOMPARE(Grade->model()->rowCount(), 0);
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 10"));
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Grade->CurrentRow(), 0);

    Executar(QStringLiteral("ctrl+clique 2"));
    Executar(QStringLiteral("ir 7"));
    Executar(QStringLiteral("tecla Shift+Down"));
    Modulo->Conectar(caminho); // the next filter run reconnects first
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QVERIFY(!Grade->RangeInProgress());
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 100"));
    QVERIFY(Lista->IsEmpty());
    QCOMPARE(Grade->model()->rowCount(), 0);
    Executar(QStringLiteral("tecla Space"));
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Erros, QStringList());
}

void TstDBGrid::teclasCtrlVaoAsLinhasVisiveis() {
    Abrir(CriarArquivo(200));
    Executar(QStringLiteral("ir 120"));
    Executar(QStringLiteral("ir 100"));
    QCoreApplication::processEvents();
    const int altura = Grade->viewport()->height();
    int topo = -1;
    int base = -1;
    for (int linha = 0; linha < Grade->model()->rowCount(); ++linha) {
        const QRect area = Grade->visualRect(Grade->model()->index(linha, 0));
        if (area.top() >= 0 && area.bottom() < altura) {
            topo = topo < 0 ? linha : topo;
            base = linha;
        }
    }
    QVERIFY(topo >= 0 && base > topo);
    QVERIFY(topo <= 100 && 100 <= base);

    Executar(QStringLiteral("ctrl+clique 100"));
    Executar(QStringLiteral("tecla Ctrl+Down"));
    QCOMPARE(Lista->RecNo(), base);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    Executar(QStringLiteral("tecla Ctrl+Up"));
    QCOMPARE(Lista->RecNo(), topo);
    Executar(QStringLiteral("tecla Ctrl+PgDown"));
    QCOMPARE(Lista->RecNo(), base);
    Executar(QStringLiteral("tecla Ctrl+Shift+PgUp"));
    QCOMPARE(Lista->RecNo(), topo);
}

void TstDBGrid::cliquesForaDasLinhas() {
    Abrir(CriarArquivo(60), QStringLiteral("select * from tb_nfce where NUMERO <= 3"));
    Executar(QStringLiteral("ctrl+clique 0"));
    Executar(QStringLiteral("ctrl+clique 2"));
    Executar(QStringLiteral("ir 1"));
    // Below the last row.
    QTest::mouseClick(Grade->viewport(), Qt::LeftButton, {}, QPoint(40, Grade->viewport()->height() - 5));
    // On a title.
    QHeaderView* titulos = Grade->horizontalHeader();
    QTest::mouseClick(titulos->viewport(), Qt::LeftButton, {},
                      QPoint(titulos->sectionViewportPosition(4) + 10, titulos->height() / 2));
    QCOMPARE(Marcadas(), QList<int>({0, 2}));
    QCOMPARE(Lista->RecNo(), 1);
}

void TstDBGrid::tabSaiDaGrade() {
    Abrir(CriarArquivo(60));
    Executar(QStringLiteral("ctrl+clique 2"));
    Executar(QStringLiteral("ctrl+clique 4"));
    QVERIFY(Grade->hasFocus());
    QTest::keyClick(Grade, Qt::Key_Tab);
    QVERIFY(!Grade->hasFocus());
    Grade->setFocus();
    QTest::keyClick(Grade, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(!Grade->hasFocus());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Janela->CheckBox1));
    QCOMPARE(Marcadas(), QList<int>({2, 4}));
    QCOMPARE(Lista->RecNo(), 4);
}

void TstDBGrid::gradeSegueALinhaAtual() {
    Abrir(CriarArquivo(300));
    Lista->MoveTo(250); // fetches beyond what the grid had
    QCOMPARE(Grade->currentIndex().row(), 250);
    QVERIFY(Grade->viewport()->rect().intersects(Grade->visualRect(Grade->currentIndex())));
    Grade->setCurrentIndex(Grade->model()->index(17, 3));
    QCOMPARE(Lista->RecNo(), 17);
    QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), 18);
}

void TstDBGrid::rolagemHorizontalFica_data() {
    QTest::addColumn<QString>("passos");
    QTest::addColumn<int>("atual");
    QTest::newRow("clique") << "clique 5" << 5;
    QTest::newRow("Ctrl+clique") << "ctrl+clique 5" << 5;
    QTest::newRow("clique no indicador") << "indicador 7" << 7;
    QTest::newRow("Down e Up") << "clique 5;tecla Down;tecla Down;tecla Up" << 6;
    QTest::newRow("Espaço") << "clique 5;tecla Space" << 5;
    QTest::newRow("Shift+Down") << "clique 5;tecla Shift+Down" << 6;
    QTest::newRow("PgDn") << "clique 5;tecla PgDown" << -1;
    QTest::newRow("End rola para baixo, não para o lado") << "clique 5;tecla End" << 199;
    QTest::newRow("Ctrl+Left e Ctrl+Right") << "clique 5;tecla Ctrl+Left;tecla Ctrl+Right;tecla Ctrl+Left" << 5;
    QTest::newRow("roda") << "clique 5;roda -3" << 8;
    QTest::newRow("clique direito") << "direito 9" << 9;
}

// Scrolled right to the last column, the view stays there whatever moves the current row; only rows scroll.
void TstDBGrid::rolagemHorizontalFica() {
    QFETCH(QString, passos);
    QFETCH(int, atual);
    Abrir(CriarArquivo(200));
    QScrollBar* barra = Grade->horizontalScrollBar();
    barra->setValue(barra->maximum());
    QCoreApplication::processEvents();
    const int posicao = barra->value();
    QVERIFY(posicao > 0);
    const int ultima = Grade->model()->columnCount() - 1;
    const auto clicarNaUltimaColuna = [&](int ALinha, Qt::MouseButton ABotao, Qt::KeyboardModifiers AModificadores) {
        const QRect area = Grade->visualRect(Grade->model()->index(ALinha, ultima));
        QVERIFY(Grade->viewport()->rect().contains(area.center()));
        QTest::mouseClick(Grade->viewport(), ABotao, AModificadores, area.center());
    };
    for (const QString& passo : passos.split(QLatin1Char(';'))) {
        const int linha = passo.section(QLatin1Char(' '), -1).toInt();
        // Clicks land on the column in view, not on the first one.
        if (passo.startsWith(QLatin1String("clique"))) {
            clicarNaUltimaColuna(linha, Qt::LeftButton, Qt::NoModifier);
        } else if (passo.startsWith(QLatin1String("ctrl+clique"))) {
            clicarNaUltimaColuna(linha, Qt::LeftButton, Qt::ControlModifier);
        } else if (passo.startsWith(QLatin1String("direito"))) {
            clicarNaUltimaColuna(linha, Qt::RightButton, Qt::NoModifier);
        } else if (passo.startsWith(QLatin1String("indicador"))) {
            QHeaderView* indicador = Grade->verticalHeader();
            const QPoint ponto(indicador->width() / 2, indicador->sectionViewportPosition(linha) + 3);
            QTest::mouseClick(indicador->viewport(), Qt::LeftButton, {}, ponto);
        } else {
            Executar(passo);
        }
        QCoreApplication::processEvents();
        QCOMPARE(barra->value(), posicao);
    }
    if (atual >= 0) {
        QCOMPARE(Lista->RecNo(), atual);
    }
    // The current row is in view: vertical following still works.
    const QRect linhaAtual = Grade->visualRect(Grade->model()->index(Lista->RecNo(), ultima));
    QVERIFY(Grade->viewport()->rect().contains(linhaAtual.center()));
    QCOMPARE(Erros, QStringList());
}

// Reopening at once (as every filter run does) starts the new list at the top left; a list left closed gives an
// empty grid without scroll bars once the event loop has run.
void TstDBGrid::reabrirVoltaAoTopoEFecharEsvazia() {
    const QString caminho = CriarArquivo(500);
    Abrir(caminho);
    const int largura = Grade->columnWidth(8);
    QVERIFY(largura > Grade->fontMetrics().horizontalAdvance(QStringLiteral("XMOTIVO")));
    Lista->MoveTo(499);
    QCoreApplication::processEvents();
    QVERIFY(Grade->verticalScrollBar()->value() > 0);
    Grade->horizontalScrollBar()->setValue(Grade->horizontalScrollBar()->maximum());
    QVERIFY(Grade->horizontalScrollBar()->value() > 0);

    Lista->Close();
    Lista->Open(QStringLiteral("select * from tb_nfce"));
    QCoreApplication::processEvents();
    QCOMPARE(Grade->verticalScrollBar()->value(), 0);
    QCOMPARE(Grade->horizontalScrollBar()->value(), 0);
    QCOMPARE(Grade->rowAt(0), 0);
    QVERIFY(Grade->verticalScrollBar()->isVisible());
    QCOMPARE(Grade->columnWidth(8), largura);

    Modulo->Desconectar();
    QCoreApplication::processEvents();
    QCOMPARE(Grade->model()->columnCount(), 0);
    QTRY_VERIFY(!Grade->verticalScrollBar()->isVisible());
    QTRY_VERIFY(!Grade->horizontalScrollBar()->isVisible());
    QCOMPARE(Erros, QStringList());
}

void TstDBGrid::colunas() {
    Abrir(CriarArquivo(5));
    QAbstractItemModel* modelo = Grade->model();
    QCOMPARE(modelo->columnCount(), 17);
    const QList<DfeFixture::Column> colunas = DfeFixture::DefaultColumns();
    for (int c = 0; c < 17; ++c) {
        QCOMPARE(modelo->headerData(c, Qt::Horizontal).toString(), colunas.at(c).first);
        QVERIFY(!(modelo->flags(modelo->index(0, c)) & Qt::ItemIsEditable));
    }
    const int caractere = Grade->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    QVERIFY(Grade->columnWidth(0) >= 50 * caractere);  // ID_ZEVRIK, 50 characters
    QVERIFY(Grade->columnWidth(8) >= 255 * caractere); // XMOTIVO
    QVERIFY(Grade->columnWidth(11) >= 15 * caractere); // NPROT
    QVERIFY(Grade->columnWidth(11) < Grade->columnWidth(0));
    QVERIFY(Grade->columnWidth(4) < Grade->columnWidth(5)); // NUMERO narrower than DTHR_EMISSAO
    QVERIFY(Grade->columnWidth(5) >= 18 * caractere);
    QVERIFY(Grade->columnWidth(1) >= Grade->fontMetrics().horizontalAdvance(QStringLiteral("ENVIO_MANUAL")));
    QVERIFY(Grade->horizontalHeader()->sectionsMovable());
    QCOMPARE(Grade->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(Grade->verticalHeader()->isVisible());
    QVERIFY(Grade->showGrid());
    QCOMPARE(Grade->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TstDBGrid::textosDasCelulas_data() {
    QTest::addColumn<QString>("coluna");
    QTest::addColumn<QVariant>("armazenado");
    QTest::addColumn<QString>("texto");

    QTest::newRow("texto") << "ID_ZEVRIK" << QVariant(QStringLiteral("ABC-1  ")) << "ABC-1";
    QTest::newRow("um caractere") << "CANCELADO" << QVariant(QStringLiteral("S")) << "S";
    QTest::newRow("inteiro") << "NUMERO" << QVariant(4711) << "4711";
    QTest::newRow("inteiro nulo") << "CMSG" << QVariant() << "";
    QTest::newRow("texto nulo") << "XMSG" << QVariant() << "";
    QTest::newRow("data e hora") << "DTHR_EMISSAO" << QVariant(QStringLiteral("2016-04-30 23:59:59"))
                                 << "30/04/2016 23:59:59";
    QTest::newRow("meia-noite sem hora") << "DHRECBTO" << QVariant(QStringLiteral("2016-04-30 00:00:00"))
                                         << "30/04/2016";
    QTest::newRow("um milissegundo depois da meia-noite")
        << "DHRECBTO" << QVariant(QStringLiteral("2016-04-30 00:00:00.001")) << "30/04/2016 00:00:00";
    QTest::newRow("data nula") << "DTHR_EMISSAO" << QVariant() << "";
    QTest::newRow("XML presente") << "XML_ZEVRIK" << QVariant(QByteArray("<NFe>segredo</NFe>")) << "(BLOB)";
    QTest::newRow("XML vazio mas presente") << "XML_NFCE" << QVariant(QByteArray("")) << "(BLOB)";
    QTest::newRow("XML_CANCELAMENTO nulo") << "XML_CANCELAMENTO" << QVariant() << "(Blob)";
    QTest::newRow("decimal") << "VALOR_DOCUMENTO" << QVariant(12.5) << "12,5";
    QTest::newRow("decimal sem zeros") << "VALOR_DOCUMENTO" << QVariant(12.0) << "12";
    QTest::newRow("decimal sem milhar") << "VALOR_DOCUMENTO" << QVariant(12345678.91) << "12345678,91";
    QTest::newRow("decimal negativo") << "VALOR_DOCUMENTO" << QVariant(-0.05) << "-0,05";
    QTest::newRow("decimal nulo") << "VALOR_DOCUMENTO" << QVariant() << "";
}

void TstDBGrid::textosDasCelulas() {
    QFETCH(QString, coluna);
    QFETCH(QVariant, armazenado);
    QFETCH(QString, texto);

    DfeFixture fixture(Dir->filePath(QStringLiteral("dfe.sqlite")));
    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(coluna, armazenado);
    fixture.Create().Insert(linha).Close();
    Abrir(fixture.Path());

    int c = 0;
    while (Lista->Fields().at(c).Name != coluna) {
        ++c;
    }
    QCOMPARE(Grade->model()->index(0, c).data().toString(), texto);
}

void TstDBGrid::destaqueEIndicador() {
    Abrir(CriarArquivo(10));
    Executar(QStringLiteral("ctrl+clique 2"));
    Executar(QStringLiteral("ctrl+clique 5"));
    Executar(QStringLiteral("ir 7"));
    QVERIFY(Grade->hasFocus());
    QVERIFY(Grade->RowHighlighted(2));
    QVERIFY(Grade->RowHighlighted(5));
    QVERIFY(Grade->RowHighlighted(7)); // current, with the focus
    QVERIFY(!Grade->RowHighlighted(6));
    Janela->edtArquivosDadosDFe->setFocus();
    QVERIFY(!Grade->hasFocus());
    QVERIFY(!Grade->RowHighlighted(7));
    QVERIFY(Grade->RowHighlighted(5));

    // The painted rows show it: a marked row is drawn in the highlight colour, an unmarked one is not.
    const QImage imagem = Grade->viewport()->grab().toImage();
    const QColor destaque = Grade->palette().color(QPalette::Active, QPalette::Highlight);
    const auto corNaLinha = [&](int ALinha) {
        const QRect area = Grade->visualRect(Grade->model()->index(ALinha, 2));
        return imagem.pixelColor(area.left() + 3, area.center().y());
    };
    // The style may shade the highlight slightly: near is enough.
    const auto destacada = [&](int ALinha) {
        const QColor cor = corNaLinha(ALinha);
        return qAbs(cor.red() - destaque.red()) + qAbs(cor.green() - destaque.green()) +
                   qAbs(cor.blue() - destaque.blue()) <
               40;
    };
    QVERIFY(destacada(5));
    QVERIFY(!destacada(6));
    QVERIFY(!destacada(7));

    // The indicator column: arrow at the current row (left half), dot at a marked row, both at a marked current
    // row; nothing at other rows.
    Executar(QStringLiteral("ir 5"));
    Executar(QStringLiteral("ir 7"));
    QHeaderView* indicador = Grade->verticalHeader();
    const QImage indicadores = indicador->viewport()->grab().toImage();
    const QColor tinta = indicador->palette().color(QPalette::WindowText);
    const auto pintado = [&](int ALinha, bool AEsquerda) {
        const int topo = indicador->sectionViewportPosition(ALinha);
        const int meio = indicador->width() / 2;
        int pontos = 0;
        for (int y = topo; y < topo + indicador->sectionSize(ALinha); ++y) {
            for (int x = AEsquerda ? 0 : meio; x < (AEsquerda ? meio : indicador->width()); ++x) {
                pontos += indicadores.pixelColor(x, y) == tinta ? 1 : 0;
            }
        }
        return pontos > 0;
    };
    QVERIFY(pintado(7, true) || pintado(7, false)); // arrow, current and unmarked
    QVERIFY(pintado(2, true) || pintado(2, false)); // dot, marked
    QVERIFY(!pintado(6, true) && !pintado(6, false));
    Executar(QStringLiteral("ir 5"));
    const QImage atualMarcada = indicador->viewport()->grab().toImage();
    const int topo = indicador->sectionViewportPosition(5);
    int esquerda = 0;
    int direita = 0;
    for (int y = topo; y < topo + indicador->sectionSize(5); ++y) {
        for (int x = 0; x < indicador->width(); ++x) {
            if (atualMarcada.pixelColor(x, y) == tinta) {
                (x < indicador->width() / 2 ? esquerda : direita) += 1;
            }
        }
    }
    QVERIFY2(esquerda > 0 && direita > 0, "arrow and dot side by side at a marked current row");
}

// The pointer moved over the titles, as the operator moves it: the title under it is drawn lit, the others not.
void TstDBGrid::tituloSobOPonteiroAceso() {
    Abrir(CriarArquivo(5));
    QHeaderView* titulos = Grade->horizontalHeader();
    const auto pontoEm = [&](int AColuna) {
        return QPoint(titulos->sectionViewportPosition(AColuna) + titulos->sectionSize(AColuna) / 2,
                      titulos->height() / 2);
    };
    // A spot of the title's background, left of its centred text.
    const auto fundo = [&](const QImage& AImagem, int AColuna) {
        return AImagem.pixelColor(titulos->sectionViewportPosition(AColuna) + 4, titulos->height() / 2);
    };
    QTest::mouseMove(titulos->viewport(), pontoEm(2));
    QImage imagem = titulos->viewport()->grab().toImage();
    QVERIFY(fundo(imagem, 2) != fundo(imagem, 3));
    QCOMPARE(fundo(imagem, 3), fundo(imagem, 4));

    QTest::mouseMove(titulos->viewport(), pontoEm(3));
    imagem = titulos->viewport()->grab().toImage();
    QVERIFY(fundo(imagem, 3) != fundo(imagem, 2));
    QCOMPARE(fundo(imagem, 2), fundo(imagem, 4));
    const QColor aceso = fundo(imagem, 3);

    // Leaving the titles puts the light out.
    QTest::mouseMove(Grade->viewport(), Grade->viewport()->rect().center());
    imagem = titulos->viewport()->grab().toImage();
    QCOMPARE(fundo(imagem, 3), fundo(imagem, 2));
    QVERIFY(fundo(imagem, 3) != aceso);
}

void TstDBGrid::cemMilLinhasAbremSemLerTudo() {
    QElapsedTimer relogio;
    relogio.start();
    Abrir(CriarArquivo(100000));
    QCoreApplication::processEvents();
    QVERIFY(!Lista->AllRowsFetched());
    QVERIFY(Lista->FetchedRowCount() < 1000);
    QCOMPARE(Grade->model()->rowCount(), Lista->FetchedRowCount());

    // Scrolling to the end of what is there fetches one more batch, not everything.
    const int antes = Grade->model()->rowCount();
    Grade->verticalScrollBar()->setValue(Grade->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    QVERIFY(Grade->model()->rowCount() > antes);
    QVERIFY(Grade->model()->rowCount() <= antes + 2 * TDBGridModel::BatchSize);

    Executar(QStringLiteral("ctrl+clique 3"));
    Executar(QStringLiteral("tecla End"));
    QCOMPARE(Lista->RecNo(), 99999);
    QCOMPARE(Grade->model()->rowCount(), 100000);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    qInfo("100000 linhas: %lld ms", static_cast<long long>(relogio.elapsed()));
}

void TstDBGrid::estouroAoRolarNaoDerruba() {
    const int ruim = 1000;
    DfeFixture fixture(Dir->filePath(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(ruim);
    QVariantMap longa = DfeFixture::SimpleRow(ruim + 1);
    longa.insert(QStringLiteral("ID_ZEVRIK"), QString(51, QLatin1Char('X')));
    fixture.Insert(longa).InsertSimple(100, ruim + 2).Close();
    Abrir(fixture.Path());

    // Scroll as a user would, until the grid has nothing more to fetch.
    QScrollBar* barra = Grade->verticalScrollBar();
    for (int volta = 0; volta < 100 && Grade->model()->canFetchMore({}); ++volta) {
        barra->setValue(barra->maximum());
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(Erros.size(), 1);
    QCOMPARE(Erros.constFirst(), QStringLiteral("[Strata][DatS]-32. Variable length column [ID_ZEVRIK] overflow. "
                                                "Value length - [51], column maximum length - [50]"));
    // The rows before the bad one are shown; the bad one and those after it are not.
    QCOMPARE(Grade->model()->rowCount(), ruim);
    QVERIFY(!Grade->model()->canFetchMore({}));
    const QModelIndex ultima = Grade->model()->index(ruim - 1, 0);
    QCOMPARE(ultima.data().toString(), QStringLiteral("ID%1").arg(ruim, 6, 10, QLatin1Char('0')));
    barra->setValue(barra->maximum());
    QVERIFY(!Grade->viewport()->grab().isNull());
    QCoreApplication::processEvents();
    QCOMPARE(Erros.size(), 1);

    // Reaching the bad row by keyboard raises the error in the key handler, which the application catches.
    Executar(QStringLiteral("ir %1").arg(ruim - 1));
    Executar(QStringLiteral("tecla End"));
    QCOMPARE(Erros.size(), 2);
    QCOMPARE(Erros.last(), Erros.first());
    QCOMPARE(Lista->RecNo(), ruim - 1);
}

void TstDBGrid::modeloPassaNoTestador() {
    QAbstractItemModelTester testador(Grade->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The tester would fetch from inside its own reset notification, before it has noted the reset's end, and then
    // take the rows arriving as a change within the reset; here the view and the test drive every fetch instead.
    testador.setUseFetchMore(false);
    const QString caminho = CriarArquivo(500);
    Abrir(caminho);
    QScrollBar* barra = Grade->verticalScrollBar();
    for (int volta = 0; volta < 3; ++volta) {
        barra->setValue(barra->maximum());
        QCoreApplication::processEvents();
    }
    Lista->MoveTo(400);
    Lista->Close();
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO <= 70"));
    while (Grade->model()->canFetchMore({})) {
        Grade->model()->fetchMore({});
    }
    QCOMPARE(Grade->model()->rowCount(), 70);
    Modulo->Desconectar();
    QCOMPARE(Grade->model()->rowCount(), 0);
    QCOMPARE(Grade->model()->columnCount(), 0);
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TstDBGrid test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbgrid.moc"
