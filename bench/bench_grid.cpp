// The grid in the real main window, offscreen:
//   first page: from the click on "Filtrar..." until the grid's viewport has been painted with the new list (events
//   drained before each run, so no paint left over from before counts), against the windowless filter;
//   marking: Shift+Down presses and Ctrl+clicks on the list while it holds 50,000 marks, against the same presses
//   and clicks with no marks; after each press the events it caused run, painting included, as for an operator.
//
//   mark all: Ctrl+A on a freshly filtered list (every row fetched and marked, then painted), against End on the same
//   fresh list (every row fetched, then painted).
//
//   bench_grid firstpage FILE FIRST LAST SIZE [REPS]
//   bench_grid marking FILE FIRST LAST SIZE
//   bench_grid markall FILE FIRST LAST SIZE

#include "BenchSupport.h"

#include "app/TProgram.h"
#include "app/uPrincipal.h"
#include "data/TDbQuery.h"
#include "dfe/TFiltroDocumentos.h"
#include "dfe/dConexaoLocal.h"
#include "widgets/TApplication.h"
#include "widgets/TDatePicker.h"
#include "widgets/grid/TDBGrid.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int Presses = 500;
constexpr int Marks = 50000;

/// Counts the paints of the grid's viewport that come after the list has opened.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool Armed = false;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (Armed && AEvent->type() == QEvent::Paint) {
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

/// Runs every pending event, paints included, until a few passes in a row find nothing more to do.
void DrainEvents() {
    for (int quiet = 0; quiet < 3;) {
        QCoreApplication::sendPostedEvents();
        quiet = QCoreApplication::instance()->thread()->eventDispatcher()->processEvents(QEventLoop::AllEvents)
                    ? 0
                    : quiet + 1;
    }
}

void SetUpWindow(const QStringList& AArgs) {
    frmPrincipal->show();
    if (!QTest::qWaitForWindowExposed(frmPrincipal)) {
        throw std::runtime_error("the main window was not shown");
    }
    frmPrincipal->edtArquivosDadosDFe->setText(AArgs[2]);
    frmPrincipal->edtDataInicial->setDate(QDate::fromString(AArgs[3], Qt::ISODate));
    frmPrincipal->edtDataFinal->setDate(QDate::fromString(AArgs[4], Qt::ISODate));
    DrainEvents();
}

void FirstPage(const QStringList& AArgs) {
    SetUpWindow(AArgs);
    PaintCounter counter;
    Grid().viewport()->installEventFilter(&counter);
    QObject::connect(Grid().DataSet(), &TDbQuery::Opened, &counter, [&counter] { counter.Armed = true; });
    const QDate first = frmPrincipal->edtDataInicial->date();
    const QDate last = frmPrincipal->edtDataFinal->date();
    const int reps = AArgs.value(6, QStringLiteral("15")).toInt();
    QList<double> tool;
    QList<double> raw;
    const auto timeTool = [&] {
        DrainEvents();
        counter.Paints = 0;
        counter.Armed = false;
        tool << Bench::TimeMs([&] {
            QTest::mouseClick(frmPrincipal->btnFiltrarRegistros, Qt::LeftButton);
            while (counter.Paints == 0) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        });
    };
    const auto timeRaw = [&] {
        DrainEvents();
        raw << Bench::TimeMs([&] { TFiltroDocumentos::Executar(AArgs[2], first, last, false); });
    };
    timeRaw();
    timeTool();
    tool.clear();
    raw.clear();
    for (int i = 0; i < reps; ++i) {
        if (i % 2) {
            timeTool();
            timeRaw();
        } else {
            timeRaw();
            timeTool();
        }
    }
    Bench::PrintRow(QStringLiteral("first page"), AArgs[5], Bench::MedianOf(tool), Bench::MedianOf(raw),
                    QStringLiteral("ms"), 2.5);
}

/// Shift+Down presses from the top, then Ctrl+clicks on the rows in view; the events each press causes run before
/// the next one, so the grid lays out and paints as it would for an operator.
double TimePresses(TDBGrid& AGrid) {
    AGrid.setFocus();
    AGrid.DataSet()->MoveTo(0);
    DrainEvents();
    return Bench::TimeMs([&] {
        for (int i = 0; i < Presses; ++i) {
            QTest::keyClick(&AGrid, Qt::Key_Down, Qt::ShiftModifier);
            QCoreApplication::processEvents();
        }
        const int rowHeight = AGrid.verticalHeader()->defaultSectionSize();
        const int visible = qMax(1, AGrid.viewport()->height() / rowHeight - 1);
        for (int i = 0; i < Presses; ++i) {
            const QPoint place(AGrid.columnViewportPosition(0) + 5, (i % visible) * rowHeight + rowHeight / 2);
            QTest::mouseClick(AGrid.viewport(), Qt::LeftButton, Qt::ControlModifier, place);
            QCoreApplication::processEvents();
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
    QList<double> bare;
    QList<double> marked;
    for (int round = 0; round < 3; ++round) {
        QTest::keyClick(&grid, Qt::Key_Escape);
        bare << TimePresses(grid);
        QTest::keyClick(&grid, Qt::Key_Escape);
        for (int row = rows - 1; grid.SelectedRowCount() < Marks; row -= 2) {
            grid.PressRow(row, Qt::LeftButton, Qt::ControlModifier);
        }
        marked << TimePresses(grid);
    }
    Bench::PrintRow(QStringLiteral("marking (%1 presses, painted)").arg(2 * Presses), AArgs[5], Bench::MedianOf(marked),
                    Bench::MedianOf(bare), QStringLiteral("ms"), 1.5);
}

/// A key pressed on a freshly filtered list, until the events it caused, painting included, have run.
double TimeKeyOnFreshList(TDBGrid& AGrid, Qt::Key AKey, Qt::KeyboardModifiers AModifiers) {
    QTest::mouseClick(frmPrincipal->btnFiltrarRegistros, Qt::LeftButton);
    AGrid.setFocus();
    DrainEvents();
    return Bench::TimeMs([&] {
        QTest::keyClick(&AGrid, AKey, AModifiers);
        DrainEvents();
    });
}

void MarkAll(const QStringList& AArgs) {
    SetUpWindow(AArgs);
    TDBGrid& grid = Grid();
    QList<double> all;
    QList<double> end;
    for (int round = 0; round < 5; ++round) {
        end << TimeKeyOnFreshList(grid, Qt::Key_End, Qt::NoModifier);
        all << TimeKeyOnFreshList(grid, Qt::Key_A, Qt::ControlModifier);
        if (grid.SelectedRowCount() != grid.DataSet()->FetchedRowCount() || !grid.DataSet()->AllRowsFetched()) {
            throw std::runtime_error("Ctrl+A did not mark every row");
        }
    }
    Bench::PrintRow(QStringLiteral("mark all (Ctrl+A, %1 rows, painted)").arg(grid.SelectedRowCount()), AArgs[5],
                    Bench::MedianOf(all), Bench::MedianOf(end), QStringLiteral("ms"), 1.5);
}

} // namespace

int main(int argc, char* argv[]) {
    Bench::KeepFreedMemory();
    TApplication application(argc, argv);
    try {
        const QStringList args = application.arguments();
        if (args.size() < 6) {
            throw std::runtime_error("usage: bench_grid firstpage|marking|markall FILE FIRST LAST SIZE [REPS]");
        }
        TProgram program(application, TApplication::applicationFilePath());
        if (args[1] == QLatin1String("firstpage")) {
            FirstPage(args);
        } else if (args[1] == QLatin1String("markall")) {
            MarkAll(args);
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
