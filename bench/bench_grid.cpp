// The grid in the real main window, offscreen:
//   first page: from the filter press to the grid painting its first page, against the filter's work alone; then,
//   to show where the floor of that figure lies, the filter plus one paint of the toolkit's plain table view holding
//   the same page of texts, against the filter alone;
//   marking: 2,000 Shift+Down presses and 2,000 Ctrl+clicks on the list while it holds 50,000 marks, against the
//   same presses and clicks with no marks.
//
//   bench_grid firstpage FILE FIRST LAST SIZE [REPS]
//   bench_grid marking FILE FIRST LAST SIZE

#include "BenchSupport.h"

#include "app/DBGrid.h"
#include "app/TApplication.h"
#include "app/TDatePicker.h"
#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "data/TDbQuery.h"
#include "dfe/dConexaoLocal.h"
#include "export/FiltroDocumentos.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int Presses = 2000;
constexpr int Marks = 50000;

/// Counts the paints of the grid's viewport.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (AEvent->type() == QEvent::Paint) {
            ++Paints;
        }
        return QObject::eventFilter(AWatched, AEvent);
    }
};

TDBGrid& Grid() {
    auto* grid = qobject_cast<TDBGrid*>(frmPrincipal->DBGrid1);
    if (!grid) {
        throw std::runtime_error("the main window has no document grid");
    }
    return *grid;
}

void SetUpWindow(const QStringList& AArgs) {
    frmPrincipal->show();
    if (!QTest::qWaitForWindowExposed(frmPrincipal)) {
        throw std::runtime_error("the main window was not shown");
    }
    frmPrincipal->edtArquivosDadosDFe->setText(AArgs[2]);
    frmPrincipal->edtDataInicial->setDate(QDate::fromString(AArgs[3], Qt::ISODate));
    frmPrincipal->edtDataFinal->setDate(QDate::fromString(AArgs[4], Qt::ISODate));
}

/// Press "Filtrar..." and run the loop until the grid has painted its first page.
void FilterAndPaint(PaintCounter& ACounter) {
    ACounter.Paints = 0;
    QTest::mouseClick(frmPrincipal->btnFiltrarRegistros, Qt::LeftButton);
    while (ACounter.Paints == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

/// Median time of one synchronous paint of the toolkit's plain table view, as large as the grid and with the same
/// font, holding the texts of the page the grid shows: the least any grid can spend on its first page.
double PlainTablePaintMs(const TDBGrid& AGrid, int ARepetitions) {
    const QAbstractItemModel& source = *AGrid.model();
    const int rows =
        qMin(source.rowCount(), AGrid.viewport()->height() / AGrid.verticalHeader()->defaultSectionSize() + 1);
    QStandardItemModel page(rows, source.columnCount());
    for (int column = 0; column < source.columnCount(); ++column) {
        page.setHeaderData(column, Qt::Horizontal, source.headerData(column, Qt::Horizontal));
        for (int row = 0; row < rows; ++row) {
            page.setData(page.index(row, column), source.data(source.index(row, column)));
        }
    }
    QTableView plain;
    plain.setFont(AGrid.font());
    plain.setModel(&page);
    for (int column = 0; column < source.columnCount(); ++column) {
        plain.setColumnWidth(column, AGrid.columnWidth(column));
    }
    plain.resize(AGrid.size());
    plain.show();
    if (!QTest::qWaitForWindowExposed(&plain)) {
        throw std::runtime_error("the plain table view was not shown");
    }
    QList<double> times;
    for (int i = 0; i <= ARepetitions; ++i) {
        times << Bench::TimeMs([&] { plain.viewport()->repaint(); });
    }
    times.removeFirst(); // warm-up
    return Bench::MedianOf(times);
}

void FirstPage(const QStringList& AArgs) {
    SetUpWindow(AArgs);
    PaintCounter counter;
    Grid().viewport()->installEventFilter(&counter);
    const QDate first = frmPrincipal->edtDataInicial->date();
    const QDate last = frmPrincipal->edtDataFinal->date();
    const Bench::Pair pair = Bench::Alternate(
        AArgs.value(6, QStringLiteral("15")).toInt(), [&] { FilterAndPaint(counter); },
        [&] { TFiltroDocumentos::Executar(AArgs[2], first, last, false); });
    Bench::PrintRow(QStringLiteral("first page"), AArgs[5], pair.ToolMs, pair.RawMs, QStringLiteral("ms"), 1.2);

    const double plainPaint = PlainTablePaintMs(Grid(), AArgs.value(6, QStringLiteral("15")).toInt());
    Bench::PrintRow(QStringLiteral("first page floor (plain table)"), AArgs[5], pair.RawMs + plainPaint, pair.RawMs,
                    QStringLiteral("ms"), 0);
}

/// Shift+Down presses from the top, then Ctrl+clicks on the rows in view, scrolling a page now and then.
double Presses2000(TDBGrid& AGrid) {
    AGrid.setFocus();
    AGrid.DataSet()->MoveTo(0);
    return Bench::TimeMs([&] {
        for (int i = 0; i < Presses; ++i) {
            QTest::keyClick(&AGrid, Qt::Key_Down, Qt::ShiftModifier);
        }
        const int rowHeight = AGrid.verticalHeader()->defaultSectionSize();
        const int visible = qMax(1, AGrid.viewport()->height() / rowHeight - 1);
        for (int i = 0; i < Presses; ++i) {
            const QPoint place(AGrid.columnViewportPosition(0) + 5, (i % visible) * rowHeight + rowHeight / 2);
            QTest::mouseClick(AGrid.viewport(), Qt::LeftButton, Qt::ControlModifier, place);
        }
    });
}

void Marking(const QStringList& AArgs) {
    SetUpWindow(AArgs);
    QTest::mouseClick(frmPrincipal->btnFiltrarRegistros, Qt::LeftButton);
    TDBGrid& grid = Grid();
    TDbQuery& query = *grid.DataSet();
    query.MoveTo(INT_MAX); // every row fetched, so both runs read the same cached list
    const int rows = query.FetchedRowCount();
    if (rows < 2 * Marks) {
        throw std::runtime_error("the list needs at least 100,000 rows");
    }
    const double bare = Presses2000(grid);
    QTest::keyClick(&grid, Qt::Key_Escape);
    for (int row = rows - 1; grid.SelectedRowCount() < Marks; row -= 2) {
        grid.PressRow(row, Qt::LeftButton, Qt::ControlModifier);
    }
    const double marked = Presses2000(grid);
    Bench::PrintRow(QStringLiteral("marking"), AArgs[5], marked, bare, QStringLiteral("ms"), 1.5);
}

} // namespace

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    try {
        const QStringList args = application.arguments();
        if (args.size() < 6) {
            throw std::runtime_error("usage: bench_grid firstpage|marking FILE FIRST LAST SIZE [REPS]");
        }
        TProgram program(application, TApplication::applicationFilePath());
        if (args[1] == QLatin1String("firstpage")) {
            FirstPage(args);
        } else {
            Marking(args);
        }
        frmPrincipal->close();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_grid: %s\n", error.what());
        return 1;
    }
}
