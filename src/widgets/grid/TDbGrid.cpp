#include "widgets/grid/TDbGrid.h"

#include "data/TDbQuery.h"
#include "widgets/grid/TDbGridDelegate.h"
#include "widgets/grid/TDbGridIndicator.h"
#include "widgets/grid/TDbGridMouse.h"
#include "widgets/grid/TDbGridTitles.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <QtMath>

#include <climits>

namespace {

constexpr Qt::KeyboardModifiers KeyModifiers = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
constexpr int WheelNotch = 120;

} // namespace

TDbGrid::TDbGrid(QWidget* AParent) : QTableView(AParent), Model(new TDbGridModel(this)) {
    setVerticalHeader(new TDbGridIndicator(*this));
    setHorizontalHeader(new TDbGridTitles(this));
    setItemDelegate(new TDbGridDelegate(*this));
    new TDbGridMouse(*this, *viewport(), [this](const QPoint& APoint) {
        const QModelIndex index = indexAt(APoint);
        return index.isValid() ? index.row() : -1;
    });
    setModel(Model);
    connect(Model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { WidthsPending = true; });
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setFocusPolicy(Qt::StrongFocus);

    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setFixedWidth(fontMetrics().height() + 10);
}

TDbGrid::~TDbGrid() = default;

void TDbGrid::SetDataSet(TDbQuery* AQuery) {
    if (TDbQuery* previous = Model->DataSet()) {
        disconnect(previous, nullptr, this, nullptr);
    }
    // The model reloads first: the grid's own reactions below read its rows.
    Model->SetDataSet(AQuery);
    if (AQuery) {
        connect(AQuery, &TDbQuery::Opened, this, &TDbGrid::ListChanged);
        connect(AQuery, &TDbQuery::Closed, this, &TDbGrid::ListChanged);
        connect(AQuery, &TDbQuery::CurrentRowChanged, this, &TDbGrid::FollowCurrentRow);
    }
    Marks.SetDataSet(AQuery);
    ListChanged();
}

TDbQuery* TDbGrid::DataSet() const {
    return Model->DataSet();
}

bool TDbGrid::ListOpen() const {
    const TDbQuery* query = Model->DataSet();
    return query && query->Active();
}

void TDbGrid::SetCurrentRowSelected(bool ASelected) {
    Marks.SetCurrentMarked(ASelected);
    Repaint();
}

int TDbGrid::CurrentRow() const {
    return ListOpen() ? DataSet()->RecNo() : -1;
}

bool TDbGrid::RowHighlighted(int ARow) const {
    return RowMarked(ARow) || (hasFocus() && ARow == CurrentRow());
}

void TDbGrid::ListChanged() {
    Marks.Clear();
    if (WidthsPending) {
        AdjustColumnWidths();
    }
    // A new list is laid out now, before anything paints it: left to the view's own timer, the layout would come
    // after the first paint and paint the grid a second time.
    if (ListOpen() && isVisible()) {
        executeDelayedItemsLayout();
    }
    FollowCurrentRow(CurrentRow());
}

void TDbGrid::AdjustColumnWidths() {
    WidthsPending = false;
    // Display widths count characters as wide as a digit; the cell's own text margins and the grid line come on top.
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
    // The titles are measured once per font: the next filter run usually lists the same columns.
    if (horizontalHeader()->font() != TitleFont) {
        TitleFont = horizontalHeader()->font();
        TitleWidths.clear();
    }
    const QFontMetrics titleMetrics(TitleFont);
    // Digits all have the same advance: a row of them is measured by multiplying, not by laying out a long text.
    const qreal digit = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    // The view hears of each resized column only to lay out and repaint them from a timer, after the grid has been
    // painted once already; it is laid out with the new widths in one go instead (the caller's layout).
    const QSignalBlocker quiet(horizontalHeader());
    for (int column = 0; column < Model->columnCount(); ++column) {
        const QString title = Model->headerData(column, Qt::Horizontal).toString();
        const int digits = qCeil(digit * Model->DisplayWidth(column));
        auto titleWidth = TitleWidths.constFind(title);
        if (titleWidth == TitleWidths.cend()) {
            titleWidth = TitleWidths.insert(title, titleMetrics.horizontalAdvance(title));
        }
        const int width = qMax(digits, *titleWidth) + padding;
        setColumnWidth(column, width);
    }
}

// Every filter run closes the list and opens it again at once. Laying the empty grid out in between would hide the
// scroll bars and move the headers only to show and move them back, and each of those repaints the grid's
// surroundings: while the list is closed, the layout waits for the event loop, and an opening made meanwhile makes
// it unnecessary.
void TDbGrid::updateGeometries() {
    if (ListOpen()) {
        // The columns get their widths before the first layout of a new list, not after it: laying out with the
        // default widths first would change the scroll range twice.
        if (WidthsPending && horizontalHeader()->count() == Model->columnCount()) {
            AdjustColumnWidths();
        }
        QTableView::updateGeometries();
        return;
    }
    // The next list starts from the top left, as it would after the empty grid had been laid out.
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    if (!ClosedLayoutPending) {
        ClosedLayoutPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                ClosedLayoutPending = false;
                if (!ListOpen()) {
                    QTableView::updateGeometries();
                }
            },
            Qt::QueuedConnection);
    }
}

// Whole-row selection does not show the current column, so nothing scrolls sideways on its account: only the
// operator moves the view horizontally. The horizontal bar is quiet while the row is brought into view, so the view
// never moves there and back.
void TDbGrid::scrollTo(const QModelIndex& AIndex, ScrollHint AHint) {
    QScrollBar* bar = horizontalScrollBar();
    const int position = bar->value();
    const QSignalBlocker quiet(bar);
    QTableView::scrollTo(AIndex, AHint);
    bar->setValue(position);
}

void TDbGrid::FollowCurrentRow(int ARow) {
    Model->SyncRows();
    Following = true;
    if (ARow >= 0 && ARow < Model->rowCount()) {
        const QModelIndex index = Model->index(ARow, qMax(currentIndex().column(), 0));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        scrollTo(index);
    } else {
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    }
    Following = false;
    Repaint();
}

void TDbGrid::currentChanged(const QModelIndex& ACurrent, const QModelIndex& APrevious) {
    QTableView::currentChanged(ACurrent, APrevious);
    if (!Following && ACurrent.isValid() && ListOpen() && ACurrent.row() != DataSet()->RecNo()) {
        DataSet()->MoveTo(ACurrent.row());
    }
    Repaint();
}

void TDbGrid::Repaint() {
    viewport()->update();
    verticalHeader()->viewport()->update();
}

void TDbGrid::focusInEvent(QFocusEvent* AEvent) {
    QTableView::focusInEvent(AEvent);
    Repaint();
}

void TDbGrid::focusOutEvent(QFocusEvent* AEvent) {
    QTableView::focusOutEvent(AEvent);
    Repaint();
}

void TDbGrid::PressRow(int ARow, Qt::MouseButton AButton, Qt::KeyboardModifiers AModifiers) {
    setFocus(Qt::MouseFocusReason);
    if (!ListOpen() || ARow < 0 || ARow >= Model->rowCount()) {
        return;
    }
    MoveTo(ARow);
    if (AButton == Qt::LeftButton) {
        if (AModifiers & Qt::ControlModifier) {
            Marks.ToggleCurrent();
        } else {
            Marks.MarkOnlyCurrent();
        }
    }
    Repaint();
}

void TDbGrid::wheelEvent(QWheelEvent* AEvent) {
    AEvent->accept();
    if (!ListOpen()) {
        return;
    }
    WheelRemainder += AEvent->angleDelta().y();
    for (; WheelRemainder >= WheelNotch; WheelRemainder -= WheelNotch) {
        Step(-1);
    }
    for (; WheelRemainder <= -WheelNotch; WheelRemainder += WheelNotch) {
        Step(1);
    }
}

void TDbGrid::keyPressEvent(QKeyEvent* AEvent) {
    const Qt::KeyboardModifiers modifiers = AEvent->modifiers() & KeyModifiers;
    int key = AEvent->key();
    if (OnKeyDown) {
        OnKeyDown(*this, key, modifiers);
        if (key == 0) {
            AEvent->accept();
            return;
        }
    }
    if (ListOpen() && HandleKey(key, modifiers)) {
        AEvent->accept();
    } else {
        AEvent->ignore();
    }
}

bool TDbGrid::HandleKey(int AKey, Qt::KeyboardModifiers AModifiers) {
    const bool ctrl = AModifiers & Qt::ControlModifier;
    const bool shift = AModifiers & Qt::ShiftModifier;
    const bool alt = AModifiers & Qt::AltModifier;
    switch (AKey) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int direction = AKey == Qt::Key_Up ? -1 : 1;
        if (ctrl) {
            ClearMarks();
            MoveTo(direction < 0 ? TopVisibleRow() : BottomVisibleRow());
        } else if (shift) {
            Marks.StepRange(direction);
            Repaint();
        } else if (alt) {
            ClearMarks();
            Step(direction);
        } else {
            break; // without a modifier, the key hook's
        }
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = AKey == Qt::Key_PageUp;
        ClearMarks();
        if (ctrl) {
            MoveTo(up ? TopVisibleRow() : BottomVisibleRow());
        } else {
            MoveTo(qMax(0, CurrentRow() + (up ? -PageRows() : PageRows())));
        }
        return true;
    }
    case Qt::Key_Home:
        ClearMarks();
        MoveTo(0);
        return true;
    case Qt::Key_End:
        ClearMarks();
        MoveTo(INT_MAX);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (ctrl) {
            // Only the current column moves, which whole-row highlighting does not show.
            const int column = AKey == Qt::Key_Left ? 0 : Model->columnCount() - 1;
            const QModelIndex index = Model->index(qMax(CurrentRow(), 0), column);
            if (index.isValid()) {
                selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            }
        } else {
            ClearMarks();
            Step(AKey == Qt::Key_Left ? -1 : 1);
        }
        return true;
    case Qt::Key_Escape:
        ClearMarks();
        return true;
    case Qt::Key_A:
        if (AModifiers != Qt::ControlModifier) {
            return false;
        }
        Marks.MarkAll();
        Repaint();
        return true;
    default:
        break;
    }
    return false;
}

void TDbGrid::ClearMarks() {
    Marks.Clear();
    Repaint();
}

void TDbGrid::Step(int ADirection) {
    if (ADirection < 0) {
        DataSet()->Prior();
    } else {
        DataSet()->Next();
    }
}

void TDbGrid::MoveTo(int ARow) {
    if (ARow >= 0) {
        DataSet()->MoveTo(ARow);
    }
}

int TDbGrid::TopVisibleRow() const {
    return qMax(rowAt(0), 0);
}

int TDbGrid::BottomVisibleRow() const {
    const int top = TopVisibleRow();
    int bottom = rowAt(viewport()->height() - 1);
    if (bottom < 0) {
        return Model->rowCount() - 1;
    }
    // The last fully shown row.
    if (bottom > top && rowViewportPosition(bottom) + rowHeight(bottom) > viewport()->height()) {
        --bottom;
    }
    return bottom;
}

int TDbGrid::PageRows() const {
    return qMax(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}
