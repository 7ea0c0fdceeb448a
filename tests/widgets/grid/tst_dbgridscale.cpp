// The grid over long lists: it reads only what it shows, survives a row that cannot be read, and its model passes
// the model tester while rows arrive in batches.
#include "GradeDeTeste.h"
#include "GridSteps.h"

#include "DfeFixture.h"

#include "data/TDbQuery.h"
#include "widgets/TApplication.h"
#include "widgets/grid/TDbGrid.h"
#include "widgets/grid/TDbGridModel.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include <memory>

class TstDbGridScale : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void cemMilLinhasAbremSemLerTudo();
    void estouroAoRolarNaoDerruba();
    void modeloPassaNoTestador();

private:
    std::unique_ptr<TGradeDeTeste> Teste;
    TDbQuery* Lista = nullptr;
    TDbGrid* Grade = nullptr;
};

void TstDbGridScale::init() {
    Teste = std::make_unique<TGradeDeTeste>();
    Lista = &Teste->Lista;
    Grade = Teste->Grade;
}

void TstDbGridScale::cleanup() {
    Grade = nullptr;
    Lista = nullptr;
    Teste.reset();
}

void TstDbGridScale::cemMilLinhasAbremSemLerTudo() {
    QElapsedTimer relogio;
    relogio.start();
    Teste->Abrir(Teste->CriarArquivo(100000));
    QCoreApplication::processEvents();
    QVERIFY(!Lista->AllRowsFetched());
    QVERIFY(Lista->FetchedRowCount() < 1000);
    QCOMPARE(Grade->model()->rowCount(), Lista->FetchedRowCount());

    // Scrolling to the end of what is there fetches one more batch, not everything.
    const int antes = Grade->model()->rowCount();
    Grade->verticalScrollBar()->setValue(Grade->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    QVERIFY(Grade->model()->rowCount() > antes);
    QVERIFY(Grade->model()->rowCount() <= antes + 2 * TDbGridModel::BatchSize);

    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 3"));
    ExecutarPasso(*Grade, QStringLiteral("tecla End"));
    QCOMPARE(Lista->RecNo(), 99999);
    QCOMPARE(Grade->model()->rowCount(), 100000);
    QCOMPARE(Grade->SelectedRowCount(), 0);
    qInfo("100000 linhas: %lld ms", static_cast<long long>(relogio.elapsed()));
}

void TstDbGridScale::estouroAoRolarNaoDerruba() {
    const int ruim = 1000;
    DfeFixture fixture(Teste->Caminho(QStringLiteral("dfe.sqlite")));
    fixture.Create().InsertSimple(ruim);
    QVariantMap longa = DfeFixture::SimpleRow(ruim + 1);
    longa.insert(QStringLiteral("ID_ZEVRIK"), QString(51, QLatin1Char('X')));
    fixture.Insert(longa).InsertSimple(100, ruim + 2).Close();
    Teste->Abrir(fixture.Path());

    // Scroll as a user would, until the grid has nothing more to fetch.
    QScrollBar* barra = Grade->verticalScrollBar();
    for (int volta = 0; volta < 100 && Grade->model()->canFetchMore({}); ++volta) {
        barra->setValue(barra->maximum());
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(Teste->Erros.size(), 1);
    QCOMPARE(Teste->Erros.constFirst(),
             QStringLiteral("[Strata][DatS]-32. Variable length column [ID_ZEVRIK] overflow. "
                            "Value length - [51], column maximum length - [50]"));
    // The rows before the bad one are shown; the bad one and those after it are not.
    QCOMPARE(Grade->model()->rowCount(), ruim);
    QVERIFY(!Grade->model()->canFetchMore({}));
    const QModelIndex ultima = Grade->model()->index(ruim - 1, 0);
    QCOMPARE(ultima.data().toString(), QStringLiteral("ID%1").arg(ruim, 6, 10, QLatin1Char('0')));
    barra->setValue(barra->maximum());
    QVERIFY(!Grade->viewport()->grab().isNull());
    QCoreApplication::processEvents();
    QCOMPARE(Teste->Erros.size(), 1);

    // Reaching the bad row by keyboard raises the error in the key handler, which the application catches.
    ExecutarPasso(*Grade, QStringLiteral("ir %1").arg(ruim - 1));
    ExecutarPasso(*Grade, QStringLiteral("tecla End"));
    QCOMPARE(Teste->Erros.size(), 2);
    QCOMPARE(Teste->Erros.last(), Teste->Erros.first());
    QCOMPARE(Lista->RecNo(), ruim - 1);
}

void TstDbGridScale::modeloPassaNoTestador() {
    QAbstractItemModelTester testador(Grade->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The tester would fetch from inside its own reset notification, before it has noted the reset's end, and then
    // take the rows arriving as a change within the reset; here the view and the test drive every fetch instead.
    testador.setUseFetchMore(false);
    const QString caminho = Teste->CriarArquivo(500);
    Teste->Abrir(caminho);
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
    Teste->Modulo.Desconectar();
    QCOMPARE(Grade->model()->rowCount(), 0);
    QCOMPARE(Grade->model()->columnCount(), 0);
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TstDbGridScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbgridscale.moc"
