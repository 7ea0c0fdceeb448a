// The mark rules without a view, over a real row set: presses, ranges from their anchor, Ctrl+A. The keys and the
// mouse that reach them in the grid are tst_dbgridmarks'.
#include "SqliteTestFile.h"

#include "data/TDbConnection.h"
#include "data/TDbErrors.h"
#include "data/TDbQuery.h"
#include "data/sqlite/SQLiteBackend.h"
#include "widgets/grid/TDbGridMarks.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <numeric>
#include <set>

class TestDbGridMarkRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RegisterSQLiteBackend(); }
    void init();
    void cleanup();

    void rules_data();
    void rules();
    void nothingWithoutRows_data();
    void nothingWithoutRows();
    void thousandsOfMarksStayInOrder();
    void markAllFetchesTheRest();
    void markAllStopsAtAnUnreadableRow();

private:
    /// A table of ARows rows numbered from 1, a text longer than its field in row ALongRow (from 1), and the row set
    /// over it in order.
    void Open(int ARows, int ALongRow = 0);
    /// Steps separated by ";": "go 3" (the row set moves), "click 3", "ctrl+click 3", "shift+up", "shift+down",
    /// "ctrl+a", "clear", "mark", "unmark". A step it does not know fails the running test.
    void Run(const QString& ASteps);
    /// The rows (from 0) of the marked-row list, in list order.
    QList<int> MarkedRows() const;

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TDbConnection> Conn;
    std::unique_ptr<TDbQuery> Query;
    std::unique_ptr<TDbGridMarks> Marks;
};

void TestDbGridMarkRules::init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Conn = std::make_unique<TDbConnection>();
    Query = std::make_unique<TDbQuery>(Conn.get());
    Query->AddFieldDef({QStringLiteral("n"), TDbFieldKind::Integer});
    Query->AddFieldDef({QStringLiteral("texto"), TDbFieldKind::String, 10});
    Marks = std::make_unique<TDbGridMarks>();
    Marks->SetDataSet(Query.get());
}

void TestDbGridMarkRules::cleanup() {
    Marks.reset();
    Query.reset();
    Conn.reset();
    Dir.reset();
}

void TestDbGridMarkRules::Open(int ARows, int ALongRow) {
    const QString path = Dir->filePath(QStringLiteral("marks.db"));
    {
        SqliteTestFile file(path);
        file.Exec("create table numeros (n integer, texto varchar(10))");
        file.Exec(QStringLiteral("with recursive s(n) as (select 1 union all select n + 1 from s where n < %1) "
                                 "insert into numeros select n, iif(n = %2, 'longer than ten', 'linha') from s "
                                 "where n <= %1")
                      .arg(ARows)
                      .arg(ALongRow));
    }
    Conn->Params = QStringList{QStringLiteral("DriverID=SQLite"), QStringLiteral("Database=") + path};
    Conn->Open();
    Query->Open(QStringLiteral("select n, texto from numeros order by n"));
}

void TestDbGridMarkRules::Run(const QString& ASteps) {
    for (const QString& step : ASteps.split(QLatin1Char(';'))) {
        const QString action = step.section(QLatin1Char(' '), 0, 0);
        const int row = step.section(QLatin1Char(' '), 1).toInt();
        if (action == QLatin1String("go")) {
            Query->MoveTo(row);
        } else if (action == QLatin1String("click")) {
            Query->MoveTo(row);
            Marks->MarkOnlyCurrent();
        } else if (action == QLatin1String("ctrl+click")) {
            Query->MoveTo(row);
            Marks->ToggleCurrent();
        } else if (action == QLatin1String("shift+up") || action == QLatin1String("shift+down")) {
            Marks->StepRange(action == QLatin1String("shift+up") ? -1 : 1);
        } else if (action == QLatin1String("ctrl+a")) {
            Marks->MarkAll();
        } else if (action == QLatin1String("clear")) {
            Marks->Clear();
        } else if (action == QLatin1String("mark") || action == QLatin1String("unmark")) {
            Marks->SetCurrentMarked(action == QLatin1String("mark"));
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
        }
    }
}

QList<int> TestDbGridMarkRules::MarkedRows() const {
    QList<int> rows;
    for (int i = 0; i < Marks->Count(); ++i) {
        rows.append(Query->RowOf(Marks->At(i)));
    }
    return rows;
}

void TestDbGridMarkRules::rules_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<int>>("marks");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("range");

    using L = QList<int>;
    QTest::newRow("click marks only its row") << "ctrl+click 2;ctrl+click 7;click 5" << L{5} << 5 << false;
    QTest::newRow("ctrl+click adds in row order")
        << "ctrl+click 4;ctrl+click 1;ctrl+click 8" << L{1, 4, 8} << 8 << false;
    QTest::newRow("ctrl+click on a marked row unmarks only it")
        << "click 2;ctrl+click 5;ctrl+click 7;ctrl+click 5" << L{2, 7} << 5 << false;

    const QString threeDown = QStringLiteral("go 3;shift+down;shift+down;shift+down");
    QTest::newRow("range grows from the anchor") << threeDown << L{3, 4, 5, 6} << 6 << true;
    QTest::newRow("steps back unmark the rows left") << threeDown + ";shift+up;shift+up" << L{3, 4} << 4 << true;
    QTest::newRow("back at the anchor, only it") << threeDown + ";shift+up;shift+up;shift+up" << L{3} << 3 << true;
    QTest::newRow("past the anchor, the range grows the other way")
        << threeDown + ";shift+up;shift+up;shift+up;shift+up" << L{2, 3} << 2 << true;
    QTest::newRow("and crosses back over it")
        << "go 5;shift+up;shift+up;shift+down;shift+down;shift+down" << L{5, 6} << 6 << true;
    QTest::newRow("first step on the first row marks it") << "go 0;shift+up" << L{0} << 0 << true;
    QTest::newRow("first step on the last row marks it") << "go 9;shift+down" << L{9} << 9 << true;
    QTest::newRow("marks made before stay") << "ctrl+click 9;go 3;shift+down" << L{3, 4, 9} << 4 << true;
    QTest::newRow("a step back unmarks a row marked before")
        << "ctrl+click 4;go 3;shift+down;shift+up" << L{3} << 3 << true;
    QTest::newRow("marking the current row keeps the range")
        << "go 3;shift+down;unmark;shift+down" << L{3, 5} << 5 << true;
    QTest::newRow("click ends the range") << "go 3;shift+down;click 8" << L{8} << 8 << false;
    QTest::newRow("ctrl+click ends the range") << "go 3;shift+down;ctrl+click 8" << L{3, 4, 8} << 8 << false;
    QTest::newRow("clear ends the range") << "go 3;shift+down;clear" << L{} << 4 << false;
    QTest::newRow("a new range has a new anchor")
        << "go 3;shift+down;clear;go 6;shift+up;shift+up;shift+down" << L{5, 6} << 5 << true;
    QTest::newRow("mark and unmark the current row")
        << "go 2;mark;go 4;mark;mark;go 2;unmark;go 6;unmark" << L{4} << 6 << false;

    L all(10);
    std::iota(all.begin(), all.end(), 0);
    QTest::newRow("ctrl+a marks all, the current row stays") << "go 7;ctrl+a" << all << 7 << false;
    QTest::newRow("ctrl+a ends the range") << "go 3;shift+down;ctrl+a" << all << 4 << false;
    QTest::newRow("after ctrl+a, ctrl+click unmarks one")
        << "ctrl+a;ctrl+click 5" << all.mid(0, 5) + all.mid(6) << 5 << false;
}

void TestDbGridMarkRules::rules() {
    QFETCH(QString, steps);
    QFETCH(QList<int>, marks);
    QFETCH(int, current);
    QFETCH(bool, range);
    Open(10);
    Run(steps);
    QCOMPARE(MarkedRows(), marks);
    QCOMPARE(Query->RecNo(), current);
    QCOMPARE(Marks->RangeInProgress(), range);
    for (int row = 0; row < Query->FetchedRowCount(); ++row) {
        QCOMPARE(Marks->RowMarked(row), marks.contains(row));
    }
    QCOMPARE(Marks->CurrentMarked(), marks.contains(current));
}

void TestDbGridMarkRules::nothingWithoutRows_data() {
    QTest::addColumn<bool>("open");
    QTest::newRow("closed") << false;
    QTest::newRow("empty") << true;
}

// Every marking operation leaves a closed or empty row set alone, rather than fail on it.
void TestDbGridMarkRules::nothingWithoutRows() {
    QFETCH(bool, open);
    if (open) {
        Open(0);
        QVERIFY(Query->IsEmpty());
    }
    Marks->StepRange(1);
    Marks->MarkOnlyCurrent();
    Marks->ToggleCurrent();
    Marks->SetCurrentMarked(true);
    Marks->MarkAll();
    Marks->StepRange(-1);
    QCOMPARE(Marks->Count(), 0);
    QVERIFY(!Marks->RangeInProgress());
    QVERIFY(!Marks->CurrentMarked());
    QVERIFY(!Marks->RowMarked(0));
}

// Thousands of marks made and removed in scattered order: the list stays sorted, each row at most once, and walking
// it forwards or backwards by index gives the same rows.
void TestDbGridMarkRules::thousandsOfMarksStayInOrder() {
    constexpr int Rows = 3000;
    Open(Rows);
    std::set<int> expected;
    // 1231 is prime to the row count: the steps visit the rows in scattered order.
    for (int step = 0; step < 2 * Rows; ++step) {
        const int row = int((qint64(step) * 1231 + 17) % Rows);
        if (step % 5 == 4 && !expected.empty()) {
            // Now and then a marked row is unmarked again.
            const int marked = *expected.lower_bound(row % (*expected.rbegin() + 1));
            Query->MoveTo(marked);
            Marks->ToggleCurrent();
            expected.erase(marked);
        }
        Query->MoveTo(row);
        Marks->ToggleCurrent();
        if (!expected.erase(row)) {
            expected.insert(row);
        }
    }
    QVERIFY(expected.size() > 1000);
    QCOMPARE(MarkedRows(), QList<int>(expected.begin(), expected.end()));
    QList<int> backwards;
    for (int i = Marks->Count() - 1; i >= 0; --i) {
        backwards.prepend(Query->RowOf(Marks->At(i)));
    }
    QCOMPARE(backwards, MarkedRows());
    for (int row = 0; row < Rows; ++row) {
        QCOMPARE(Marks->RowMarked(row), expected.count(row) == 1);
    }
}

void TestDbGridMarkRules::markAllFetchesTheRest() {
    constexpr int Rows = 3000;
    Open(Rows);
    Run(QStringLiteral("go 4"));
    QVERIFY(Query->FetchedRowCount() < Rows);
    Marks->MarkAll();
    QCOMPARE(Query->FetchedRowCount(), Rows);
    QCOMPARE(Query->RecNo(), 4);
    QList<int> all(Rows);
    std::iota(all.begin(), all.end(), 0);
    QCOMPARE(MarkedRows(), all);
}

// The error of a row that cannot be read travels on; the marks and the range stay as they were.
void TestDbGridMarkRules::markAllStopsAtAnUnreadableRow() {
    Open(510, 501);
    Run(QStringLiteral("ctrl+click 3;go 7;shift+down"));
    try {
        Marks->MarkAll();
        QFAIL("Ctrl+A read past the unreadable row");
    } catch (const EDbError& error) {
        QVERIFY(QString::fromUtf8(error.what()).contains(QStringLiteral("overflow")));
    }
    QCOMPARE(MarkedRows(), QList<int>({3, 7, 8}));
    QVERIFY(Marks->RangeInProgress());
    QCOMPARE(Query->RecNo(), 8);
}

QTEST_GUILESS_MAIN(TestDbGridMarkRules)

#include "tst_dbgridmarkrules.moc"
