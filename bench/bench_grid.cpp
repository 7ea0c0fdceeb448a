// The grid in the real main window, offscreen:
//   first page: from the click on "Filtrar..." until the grid's viewport has been painted with the new list (events
//   drained before each run, so no paint left over from before counts), against the floor a real table pays: the
//   windowless filter, then a plain table view over a minimal model holding the same visible rows as ready texts,
//   in a window of the same size with the table where the grid is, until its viewport has been painted; and against
//   the windowless filter alone (no target: the difference is what painting costs);
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
#include "widgets/grid/TDbGrid.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QThread>

#include <array>
#include <cstdio>
#include <functional>
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

/// The least a table model can be: rows of ready texts, replaced all at once.
class ReadyTexts : public QAbstractTableModel {
public:
    QStringList Titles;
    void Replace(QList<QStringList> ARows) {
        beginResetModel();
        Rows = std::move(ARows);
        endResetModel();
    }
    int rowCount(const QModelIndex& AParent = {}) const override { return AParent.isValid() ? 0 : int(Rows.size()); }
    int columnCount(const QModelIndex& AParent = {}) const override {
        return AParent.isValid() ? 0 : int(Titles.size());
    }
    QVariant data(const QModelIndex& AIndex, int ARole) const override {
        return ARole == Qt::DisplayRole ? QVariant(Rows.at(AIndex.row()).at(AIndex.column())) : QVariant();
    }
    QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole) const override {
        return AOrientation == Qt::Horizontal && ARole == Qt::DisplayRole ? QVariant(Titles.at(ASection)) : QVariant();
    }

private:
    QList<QStringList> Rows;
};

TDbGrid& Grid() {
    auto* grid = qobject_cast<TDbGrid*>(frmPrincipal->DBGrid1);
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

/// The texts of the rows the grid shows, as the grid paints them.
QList<QStringList> VisibleTexts(TDbGrid& AGrid) {
    const QAbstractItemModel& model = *AGrid.model();
    const int below = AGrid.rowAt(AGrid.viewport()->height() - 1);
    const int last = below < 0 ? model.rowCount() - 1 : below;
    QList<QStringList> rows;
    for (int row = qMax(0, AGrid.rowAt(0)); row <= last; ++row) {
        QStringList texts;
        for (int column = 0; column < model.columnCount(); ++column) {
            texts << model.index(row, column).data().toString();
        }
        rows << texts;
    }
    return rows;
}

void FirstPage(const QStringList& AArgs) {
    SetUpWindow(AArgs);
    // The floor's filter runs on a data module of its own, so that the tool's grid does not react to it.
    TdtmConexaoLocal* const toolModule = dtmConexaoLocal;
    TdtmConexaoLocal windowless;
    const auto windowlessFilter = [&](const QString& AFile, const QDate& AFirst, const QDate& ALast) {
        dtmConexaoLocal = &windowless;
        try {
            TFiltroDocumentos::Executar(AFile, AFirst, ALast);
        } catch (...) {
            dtmConexaoLocal = toolModule;
            throw;
        }
        dtmConexaoLocal = toolModule;
    };
    QTest::mouseClick(frmPrincipal->btnFiltrarRegistros, Qt::LeftButton);
    DrainEvents();
    QWidget floorWindow;
    floorWindow.resize(frmPrincipal->size());
    auto* table = new QTableView(&floorWindow);
    table->setGeometry(QRect(Grid().mapTo(frmPrincipal, QPoint(0, 0)), Grid().size()));
    ReadyTexts texts;
    for (int column = 0; column < Grid().model()->columnCount(); ++column) {
        texts.Titles << Grid().model()->headerData(column, Qt::Horizontal).toString();
    }
    const QList<QStringList> visible = VisibleTexts(Grid());
    texts.Replace(visible);
    table->setModel(&texts);
    // The same cells in view as in the grid: its column widths and row height (a reset with the same number of
    // columns keeps a plain table's widths).
    for (int column = 0; column < texts.Titles.size(); ++column) {
        table->setColumnWidth(column, Grid().columnWidth(column));
    }
    table->verticalHeader()->setDefaultSectionSize(Grid().verticalHeader()->defaultSectionSize());
    floorWindow.show();
    if (!QTest::qWaitForWindowExposed(&floorWindow)) {
        throw std::runtime_error("the floor's window was not shown");
    }
    PaintCounter tableCounter;
    table->viewport()->installEventFilter(&tableCounter);
    tableCounter.Armed = true;

    PaintCounter counter;
    Grid().viewport()->installEventFilter(&counter);
    QObject::connect(Grid().DataSet(), &TDbQuery::Opened, &counter, [&counter] { counter.Armed = true; });
    const QDate first = frmPrincipal->edtDataInicial->date();
    const QDate last = frmPrincipal->edtDataFinal->date();
    const int reps = AArgs.value(6, QStringLiteral("15")).toInt();
    QList<double> tool;
    QList<double> raw;
    QList<double> floor;
    const auto timeFloor = [&] {
        DrainEvents();
        tableCounter.Paints = 0;
        floor << Bench::TimeMs([&] {
            windowlessFilter(AArgs[2], first, last);
            texts.Replace(visible);
            while (tableCounter.Paints == 0) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        });
    };
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
        raw << Bench::TimeMs([&] { windowlessFilter(AArgs[2], first, last); });
    };
    // The order turns every round, so that no side always starts on a warmer cache.
    const std::array<std::function<void()>, 3> sides = {timeTool, timeFloor, timeRaw};
    for (int i = -1; i < reps; ++i) {
        for (std::size_t k = 0; k < sides.size(); ++k) {
            sides[(std::size_t(i + 1) + k) % sides.size()]();
        }
        if (i < 0) { // the warm-up round
            tool.clear();
            floor.clear();
            raw.clear();
        }
    }
    Bench::PrintRow(QStringLiteral("first page, plain table"), AArgs[5], Bench::MedianOf(tool), Bench::MedianOf(floor),
                    QStringLiteral("ms"), 1.25);
    Bench::PrintRow(QStringLiteral("first page, windowless filter"), AArgs[5], Bench::MedianOf(tool),
                    Bench::MedianOf(raw), QStringLiteral("ms"), 0);
}

/// Shift+Down presses from the top, then Ctrl+clicks on the rows in view; the events each press causes run before
/// the next one, so the grid lays out and paints as it would for an operator.
double TimePresses(TDbGrid& AGrid) {
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
    TDbGrid& grid = Grid();
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
double TimeKeyOnFreshList(TDbGrid& AGrid, Qt::Key AKey, Qt::KeyboardModifiers AModifiers) {
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
    TDbGrid& grid = Grid();
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
