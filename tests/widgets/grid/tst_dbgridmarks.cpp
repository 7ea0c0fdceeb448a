// Marking in the grid alone: the mouse, the grid's own keys, Ctrl+A, the marked-row list in grid order. The main
// window's keys on the grid (Space, plain Up and Down, Tab) are tst_dbgrid1keydown's; the mark rules without a view,
// tst_dbgridmarkrules'.
#include "GradeDeTeste.h"
#include "GridSteps.h"

#include "DfeFixture.h"

#include "data/TDbQuery.h"
#include "widgets/TApplication.h"
#include "widgets/grid/TDbGrid.h"

#include <QHeaderView>
#include <QTest>

#include <memory>
#include <numeric>

class TstDbGridMarks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void marcas_data();
    void marcas();
    void listaDeMarcasEmOrdemDaGrade();
    void ctrlAMarcaMesmoOQueNaoFoiLido();
    void ctrlAComLinhaIlegivel();
    void teclasSemListaAbertaNaoFazemNada();
    void reabrirOuFecharApagaAsMarcas();
    void teclasCtrlVaoAsLinhasVisiveis();
    void cliquesForaDasLinhas();
    void arrastarNaoMarcaNemMove_data();
    void arrastarNaoMarcaNemMove();
    void gradeSegueALinhaAtual();

private:
    std::unique_ptr<TGradeDeTeste> Teste;
    TDbQuery* Lista = nullptr;
    TDbGrid* Grade = nullptr;
};

void TstDbGridMarks::init() {
    Teste = std::make_unique<TGradeDeTeste>();
    Lista = &Teste->Lista;
    Grade = Teste->Grade;
}

void TstDbGridMarks::cleanup() {
    Grade = nullptr;
    Lista = nullptr;
    Teste.reset();
}

void TstDbGridMarks::marcas_data() {
    ColunasDeMarcas();

    using L = QList<int>;
    // Rows are numbered from 0: the fifth row is 4.
    QTest::newRow("quinta, segunda, nona com Ctrl+clique")
        << "ctrl+clique 4;ctrl+clique 1;ctrl+clique 8" << L{1, 4, 8} << 8 << false;
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
    QTest::newRow("Espaço, Up e Down simples são da janela, não da grade")
        << varias + ";tecla Down;tecla Up;tecla Space;tecla Up" << L{2, 4, 6} << 6 << false;
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

void TstDbGridMarks::marcas() {
    Teste->Abrir(Teste->CriarArquivo(60));
    VerificarMarcas(*Grade);
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDbGridMarks::listaDeMarcasEmOrdemDaGrade() {
    Teste->Abrir(Teste->CriarArquivo(60));
    for (const int linha : {40, 3, 17, 0, 59, 22, 9}) {
        ExecutarPasso(*Grade, QStringLiteral("ctrl+clique %1").arg(linha));
    }
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({0, 3, 9, 17, 22, 40, 59}));
    // Each entry brings its own row back as the current one.
    for (int i = 0; i < Grade->SelectedRowCount(); ++i) {
        Lista->GotoBookmark(Grade->SelectedRow(i));
        QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), LinhasMarcadas(*Grade).at(i) + 1);
    }
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 17"));
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({0, 3, 9, 22, 40, 59}));
}

// Ctrl+A on a list mostly not fetched yet: every row is marked, in grid order, and the current row stays.
void TstDbGridMarks::ctrlAMarcaMesmoOQueNaoFoiLido() {
    constexpr int Linhas = 3000;
    Teste->Abrir(Teste->CriarArquivo(Linhas));
    QVERIFY(Lista->FetchedRowCount() < Linhas);
    ExecutarPasso(*Grade, QStringLiteral("clique 4"));
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+A"));
    QCOMPARE(Grade->SelectedRowCount(), Linhas);
    QCOMPARE(Grade->model()->rowCount(), Linhas);
    QCOMPARE(Lista->RecNo(), 4);
    QList<int> todas(Linhas);
    std::iota(todas.begin(), todas.end(), 0);
    QCOMPARE(LinhasMarcadas(*Grade), todas);
    QVERIFY(Grade->RowMarked(Linhas - 1));
    // The marks behave as marks made one by one.
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    QVERIFY(!Grade->RowMarked(2));
    QCOMPARE(Grade->SelectedRowCount(), Linhas - 1);
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    QCOMPARE(LinhasMarcadas(*Grade), todas);
    QCOMPARE(Teste->Erros, QStringList());
}

// A row that cannot be read stops Ctrl+A with its error; the marks stay as they were.
void TstDbGridMarks::ctrlAComLinhaIlegivel() {
    DfeFixture fixture(Teste->Caminho(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(500);
    QVariantMap longa = DfeFixture::SimpleRow(501);
    longa.insert(QStringLiteral("ID_ZEVRIK"), QString(51, QLatin1Char('X')));
    fixture.Insert(longa).InsertSimple(10, 502).Close();
    Teste->Abrir(fixture.Path());
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 3"));
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+A"));
    QCOMPARE(Teste->Erros.size(), 1);
    QVERIFY(Teste->Erros.constFirst().contains(QStringLiteral("overflow")));
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({3}));
    QCOMPARE(Lista->RecNo(), 3);
}

void TstDbGridMarks::teclasSemListaAbertaNaoFazemNada() {
    // Space and plain Up and Down are the main window's: tst_dbgrid1keydown.
    for (const char* tecla : {"Shift+Down", "PgDown", "End", "Esc", "Ctrl+A"}) {
        ExecutarPasso(*Grade, QStringLiteral("tecla ") + QLatin1String(tecla));
    }
    const QPoint ponto(20, 20);
    QTest::mouseClick(Grade->viewport(), Qt::LeftButton, {}, ponto);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Grade->CurrentRow(), -1);
    QCoreApplication::processEvents();
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDbGridMarks::reabrirOuFecharApagaAsMarcas() {
    const QString caminho = Teste->CriarArquivo(60);
    Teste->Abrir(caminho);
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2;"));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 5"));
    ExecutarPasso(*Grade, QStringLiteral("ir 7"));
    ExecutarPasso(*Grade, QStringLiteral("tecla Shift+Down"));
    QCOMPARE(Grade->SelectedRowCount(), 4);

    // Running the filter again: the list closes and opens with the same or another statement.
    Lista->Close();
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QVERIFY(!Grade->RangeInProgress());
    QCOMPARE(Grade->model()->rowCount(), 0);
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 10"));
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Grade->CurrentRow(), 0);

    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    ExecutarPasso(*Grade, QStringLiteral("ir 7"));
    ExecutarPasso(*Grade, QStringLiteral("tecla Shift+Down"));
    Teste->Modulo.Conectar(caminho); // the next filter run reconnects first
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QVERIFY(!Grade->RangeInProgress());
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 100"));
    QVERIFY(Lista->IsEmpty());
    QCOMPARE(Grade->model()->rowCount(), 0);
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDbGridMarks::teclasCtrlVaoAsLinhasVisiveis() {
    Teste->Abrir(Teste->CriarArquivo(200));
    ExecutarPasso(*Grade, QStringLiteral("ir 120"));
    ExecutarPasso(*Grade, QStringLiteral("ir 100"));
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

    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 100"));
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+Down"));
    QCOMPARE(Lista->RecNo(), base);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+Up"));
    QCOMPARE(Lista->RecNo(), topo);
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+PgDown"));
    QCOMPARE(Lista->RecNo(), base);
    ExecutarPasso(*Grade, QStringLiteral("tecla Ctrl+Shift+PgUp"));
    QCOMPARE(Lista->RecNo(), topo);
}

void TstDbGridMarks::cliquesForaDasLinhas() {
    Teste->Abrir(Teste->CriarArquivo(60), QStringLiteral("select * from tb_nfce where NUMERO <= 3"));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 0"));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    ExecutarPasso(*Grade, QStringLiteral("ir 1"));
    // Below the last row.
    QTest::mouseClick(Grade->viewport(), Qt::LeftButton, {}, QPoint(40, Grade->viewport()->height() - 5));
    // On a title.
    QHeaderView* titulos = Grade->horizontalHeader();
    QTest::mouseClick(titulos->viewport(), Qt::LeftButton, {},
                      QPoint(titulos->sectionViewportPosition(4) + 10, titulos->height() / 2));
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({0, 2}));
    QCOMPARE(Lista->RecNo(), 1);
}

void TstDbGridMarks::arrastarNaoMarcaNemMove_data() {
    QTest::addColumn<bool>("indicador");
    QTest::newRow("nas células") << false;
    QTest::newRow("nos indicadores") << true;
}

// Dragging over the rows with the button held: the press marks its row; the moves and the release neither mark nor
// move the current row.
void TstDbGridMarks::arrastarNaoMarcaNemMove() {
    QFETCH(bool, indicador);
    Teste->Abrir(Teste->CriarArquivo(60));
    QHeaderView* indicadores = Grade->verticalHeader();
    QWidget* superficie = indicador ? indicadores->viewport() : Grade->viewport();
    const auto ponto = [&](int ALinha) {
        return indicador ? QPoint(indicadores->width() / 2, indicadores->sectionViewportPosition(ALinha) + 3)
                         : Grade->visualRect(Grade->model()->index(ALinha, 1)).center();
    };
    QTest::mousePress(superficie, Qt::LeftButton, {}, ponto(3));
    for (int linha = 4; linha <= 7; ++linha) {
        QTest::mouseMove(superficie, ponto(linha));
    }
    QTest::mouseRelease(superficie, Qt::LeftButton, {}, ponto(7));
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({3}));
    QCOMPARE(Lista->RecNo(), 3);
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDbGridMarks::gradeSegueALinhaAtual() {
    Teste->Abrir(Teste->CriarArquivo(300));
    Lista->MoveTo(250); // fetches beyond what the grid had
    QCOMPARE(Grade->currentIndex().row(), 250);
    QVERIFY(Grade->viewport()->rect().intersects(Grade->visualRect(Grade->currentIndex())));
    Grade->setCurrentIndex(Grade->model()->index(17, 3));
    QCOMPARE(Lista->RecNo(), 17);
    QCOMPARE(Lista->FieldByName(QStringLiteral("NUMERO")).AsInteger(), 18);
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TstDbGridMarks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbgridmarks.moc"
