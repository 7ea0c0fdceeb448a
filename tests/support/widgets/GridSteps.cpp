#include "GridSteps.h"

#include "data/TDbQuery.h"
#include "widgets/grid/TDbGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

/// The middle of row ALinha's cell under the middle of the view, the row brought into view first.
QPoint Centro(TDbGrid& AGrade, int ALinha) {
    AGrade.scrollTo(AGrade.model()->index(ALinha, 0));
    const int coluna = qMax(AGrade.columnAt(AGrade.viewport()->width() / 2), 0);
    return AGrade.visualRect(AGrade.model()->index(ALinha, coluna)).center();
}

} // namespace

void ExecutarPasso(TDbGrid& AGrade, const QString& APasso) {
    const QString acao = APasso.section(QLatin1Char(' '), 0, 0);
    const QString argumento = APasso.section(QLatin1Char(' '), 1);
    const int linha = argumento.section(QLatin1Char(' '), -1).toInt();
    if (acao == QLatin1String("tecla")) {
        const QKeyCombination combinacao = QKeySequence::fromString(argumento)[0];
        QTest::keyClick(&AGrade, combinacao.key(), combinacao.keyboardModifiers());
    } else if (acao.endsWith(QLatin1String("clique"))) {
        Qt::KeyboardModifiers modificadores;
        if (acao.startsWith(QLatin1String("ctrl+"))) {
            modificadores = Qt::ControlModifier;
        } else if (acao.startsWith(QLatin1String("shift+"))) {
            modificadores = Qt::ShiftModifier;
        }
        QTest::mouseClick(AGrade.viewport(), Qt::LeftButton, modificadores, Centro(AGrade, linha));
    } else if (acao == QLatin1String("direito")) {
        QTest::mouseClick(AGrade.viewport(), Qt::RightButton, {}, Centro(AGrade, linha));
    } else if (acao == QLatin1String("duplo")) {
        // As the window system delivers it: press, release, double click (in place of the second press), release.
        const Qt::KeyboardModifiers modificadores =
            argumento.startsWith(QLatin1String("ctrl")) ? Qt::ControlModifier : Qt::NoModifier;
        const QPoint ponto = Centro(AGrade, linha);
        QTest::mouseClick(AGrade.viewport(), Qt::LeftButton, modificadores, ponto);
        QTest::mouseDClick(AGrade.viewport(), Qt::LeftButton, modificadores, ponto);
        QTest::mouseRelease(AGrade.viewport(), Qt::LeftButton, modificadores, ponto);
    } else if (acao == QLatin1String("indicador")) {
        Centro(AGrade, linha);
        QHeaderView* indicador = AGrade.verticalHeader();
        const QPoint ponto(indicador->width() / 2, indicador->sectionViewportPosition(linha) + 3);
        QTest::mouseClick(indicador->viewport(), Qt::LeftButton, {}, ponto);
    } else if (acao == QLatin1String("roda")) {
        const QPoint ponto = AGrade.viewport()->rect().center();
        QWheelEvent roda(ponto, AGrade.viewport()->mapToGlobal(ponto), QPoint(), QPoint(0, 120 * argumento.toInt()),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(AGrade.viewport(), &roda);
    } else if (acao == QLatin1String("ir")) {
        AGrade.DataSet()->MoveTo(linha);
    } else {
        QFAIL(qPrintable(QStringLiteral("passo desconhecido: ") + APasso));
    }
}

void ExecutarPassos(TDbGrid& AGrade, const QString& APassos) {
    for (const QString& passo : APassos.split(QLatin1Char(';'))) {
        ExecutarPasso(AGrade, passo);
    }
}

QList<int> LinhasMarcadas(const TDbGrid& AGrade) {
    QList<int> linhas;
    for (int i = 0; i < AGrade.SelectedRowCount(); ++i) {
        linhas.append(AGrade.DataSet()->RowOf(AGrade.SelectedRow(i)));
    }
    return linhas;
}

void ColunasDeMarcas() {
    QTest::addColumn<QString>("passos");
    QTest::addColumn<QList<int>>("marcas");
    QTest::addColumn<int>("atual");
    QTest::addColumn<bool>("intervalo");
}

void VerificarMarcas(TDbGrid& AGrade) {
    QFETCH(QString, passos);
    QFETCH(QList<int>, marcas);
    QFETCH(int, atual);
    QFETCH(bool, intervalo);
    TDbQuery& lista = *AGrade.DataSet();
    const int alturaLinha = AGrade.verticalHeader()->defaultSectionSize();
    for (const QString& passo : passos.split(QLatin1Char(';'))) {
        const int antes = lista.RecNo();
        ExecutarPasso(AGrade, passo);
        if (passo == QLatin1String("tecla PgDown")) {
            // One page: as many rows as the grid shows.
            atual = antes + AGrade.viewport()->height() / alturaLinha;
        }
    }
    QCOMPARE(LinhasMarcadas(AGrade), marcas);
    QCOMPARE(lista.RecNo(), atual);
    QCOMPARE(AGrade.CurrentRow(), atual);
    QCOMPARE(AGrade.RangeInProgress(), intervalo);
    QCOMPARE(AGrade.currentIndex().row(), atual);
}

void ColunasDeRolagem() {
    QTest::addColumn<QString>("passos");
    QTest::addColumn<int>("atual");
}

void VerificarRolagemHorizontalFica(TDbGrid& AGrade) {
    QFETCH(QString, passos);
    QFETCH(int, atual);
    QScrollBar* barra = AGrade.horizontalScrollBar();
    barra->setValue(barra->maximum());
    QCoreApplication::processEvents();
    const int posicao = barra->value();
    QVERIFY(posicao > 0);
    for (const QString& passo : passos.split(QLatin1Char(';'))) {
        ExecutarPasso(AGrade, passo);
        QCoreApplication::processEvents();
        QCOMPARE(barra->value(), posicao);
    }
    TDbQuery& lista = *AGrade.DataSet();
    if (atual >= 0) {
        QCOMPARE(lista.RecNo(), atual);
    }
    // The current row is in view: vertical following still works.
    const int ultima = AGrade.model()->columnCount() - 1;
    const QRect linhaAtual = AGrade.visualRect(AGrade.model()->index(lista.RecNo(), ultima));
    QVERIFY(AGrade.viewport()->rect().contains(linhaAtual.center()));
}
