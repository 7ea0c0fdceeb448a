// The main window's own keys on its grid (the window's DBGrid1KeyDown): Space, plain Up and Down act there and
// the grid's own handling never sees them; Tab leaves the grid for the window's next control.
#include "GridSteps.h"
#include "ListaDeTeste.h"

#include "app/uPrincipal.h"
#include "data/TDbQuery.h"
#include "widgets/TApplication.h"
#include "widgets/grid/TDbGrid.h"

#include <QCheckBox>
#include <QTest>

#include <memory>

class TstDBGrid1KeyDown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void marcas_data();
    void marcas();
    void teclasSemListaAbertaNaoFazemNada();
    void espacoNumaListaVaziaNaoFazNada();
    void tabSaiDaGrade();
    void rolagemHorizontalFica_data();
    void rolagemHorizontalFica();

private:
    std::unique_ptr<TListaDeTeste> Teste;
    TDbQuery* Lista = nullptr;
    std::unique_ptr<TfrmPrincipal> Janela;
    TDbGrid* Grade = nullptr;
};

void TstDBGrid1KeyDown::init() {
    Teste = std::make_unique<TListaDeTeste>();
    dtmConexaoLocal = &Teste->Modulo;
    Lista = &Teste->Lista;
    Janela = std::make_unique<TfrmPrincipal>();
    frmPrincipal = Janela.get();
    Grade = Janela->DBGrid1;
    Janela->show();
    QVERIFY(QTest::qWaitForWindowExposed(Janela.get()));
    Grade->setFocus();
}

void TstDBGrid1KeyDown::cleanup() {
    Grade = nullptr;
    frmPrincipal = nullptr;
    Janela.reset();
    Lista = nullptr;
    dtmConexaoLocal = nullptr;
    Teste.reset();
}

void TstDBGrid1KeyDown::marcas_data() {
    ColunasDeMarcas();

    using L = QList<int>;
    // Rows are numbered from 0: the fifth row is 4.
    QTest::newRow("quinta, segunda, nona com Espaço")
        << "ir 4;tecla Space;ir 1;tecla Space;ir 8;tecla Space" << L{1, 4, 8} << 8 << false;
    QTest::newRow("Espaço não encerra o intervalo") << "ir 3;tecla Shift+Down;tecla Space" << L{3} << 4 << true;
    QTest::newRow("Espaço duas vezes") << "clique 3;ir 5;tecla Space;tecla Space" << L{3} << 5 << false;
    QTest::newRow("Espaço desmarca a marcada") << "clique 3;tecla Space" << L{} << 3 << false;
    QTest::newRow("Up e Down simples mantêm as marcas")
        << "ctrl+clique 2;ctrl+clique 4;ctrl+clique 6;tecla Down;tecla Down;tecla Up" << L{2, 4, 6} << 7 << false;
    QTest::newRow("Up na primeira linha") << "clique 0;tecla Up" << L{0} << 0 << false;
}

void TstDBGrid1KeyDown::marcas() {
    Teste->Abrir(Teste->CriarArquivo(60));
    VerificarMarcas(*Grade);
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDBGrid1KeyDown::teclasSemListaAbertaNaoFazemNada() {
    for (const char* tecla : {"Space", "Up", "Down"}) {
        ExecutarPasso(*Grade, QStringLiteral("tecla ") + QLatin1String(tecla));
    }
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Grade->CurrentRow(), -1);
    QCoreApplication::processEvents();
    QCOMPARE(Teste->Erros, QStringList());
}

// A filter run that found nothing leaves an open, empty list: Space has no row to mark.
void TstDBGrid1KeyDown::espacoNumaListaVaziaNaoFazNada() {
    Teste->Abrir(Teste->CriarArquivo(60), QStringLiteral("select * from tb_nfce where NUMERO > 100"));
    QVERIFY(Lista->IsEmpty());
    ExecutarPasso(*Grade, QStringLiteral("tecla Space"));
    QCOMPARE(Grade->SelectedRowCount(), 0);
    QCOMPARE(Teste->Erros, QStringList());
}

void TstDBGrid1KeyDown::tabSaiDaGrade() {
    Teste->Abrir(Teste->CriarArquivo(60));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 4"));
    QVERIFY(Grade->hasFocus());
    QTest::keyClick(Grade, Qt::Key_Tab);
    QVERIFY(!Grade->hasFocus());
    Grade->setFocus();
    QTest::keyClick(Grade, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(!Grade->hasFocus());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Janela->CheckBox1));
    QCOMPARE(LinhasMarcadas(*Grade), QList<int>({2, 4}));
    QCOMPARE(Lista->RecNo(), 4);
}

void TstDBGrid1KeyDown::rolagemHorizontalFica_data() {
    ColunasDeRolagem();
    QTest::newRow("Down e Up") << "clique 5;tecla Down;tecla Down;tecla Up" << 6;
    QTest::newRow("Espaço") << "clique 5;tecla Space" << 5;
}

// Scrolled right to the last column, the view stays there when the window's keys move the current row.
void TstDBGrid1KeyDown::rolagemHorizontalFica() {
    Teste->Abrir(Teste->CriarArquivo(200));
    VerificarRolagemHorizontalFica(*Grade);
    QCOMPARE(Teste->Erros, QStringList());
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TstDBGrid1KeyDown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbgrid1keydown.moc"
