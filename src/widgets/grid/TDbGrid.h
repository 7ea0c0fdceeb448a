#pragma once

#include "data/TDbBookmark.h"
#include "widgets/grid/TDbGridMarks.h"
#include "widgets/grid/TDbGridModel.h"

#include <QFont>
#include <QHash>
#include <QTableView>

#include <functional>

class TDbQuery;

/// Data grid over a row set: one read-only column per field, a title row, an indicator column, and multi-row
/// marking with the mouse and the keyboard. The grid's current row is the row set's current record, both ways.
/// UI thread only.
///
/// Marks live in a marked-row list of bookmarks kept in row order; opening, replacing or closing the row set
/// empties it. Errors of the row set raised by a key or mouse action travel on to the application; an error while
/// fetching rows for display goes to the model's error reporter (see TDbGridModel).
class TDbGrid : public QTableView {
    Q_OBJECT
public:
    /// Runs for every key before the grid's own handling, with the modifiers among Shift, Ctrl and Alt; setting
    /// AKey to 0 consumes the key. Space, Up and Down without a modifier are the hook's alone: the grid's own
    /// handling leaves them as it leaves keys it has no use for.
    using KeyDownHandler = std::function<void(TDbGrid& ASender, int& AKey, Qt::KeyboardModifiers AShift)>;

    explicit TDbGrid(QWidget* AParent = nullptr);
    ~TDbGrid() override;

    /// The row set shown; not owned. Null empties the grid.
    void SetDataSet(TDbQuery* AQuery);
    TDbQuery* DataSet() const;
    /// True while a row set is bound and open.
    bool ListOpen() const;
    TDbGridModel& GridModel() { return *Model; }

    void SetOnKeyDown(KeyDownHandler AHandler) { OnKeyDown = std::move(AHandler); }

    /// The marked-row list, in row order: its length and its entries by index.
    int SelectedRowCount() const { return Marks.Count(); }
    TDbBookmark SelectedRow(int AIndex) const { return Marks.At(AIndex); }
    /// Whether the current row is marked; setting marks or unmarks it. Nothing while no row set is open.
    bool CurrentRowSelected() const { return Marks.CurrentMarked(); }
    void SetCurrentRowSelected(bool ASelected);
    bool RangeInProgress() const { return Marks.RangeInProgress(); }

    /// Row number (from 0) of the current row; -1 when there is none.
    int CurrentRow() const;
    bool RowMarked(int ARow) const { return Marks.RowMarked(ARow); }
    /// Drawn in the highlight colour: marked, or current while the grid has the focus.
    bool RowHighlighted(int ARow) const;

    /// A mouse press on a row (or its indicator cell).
    void PressRow(int ARow, Qt::MouseButton AButton, Qt::KeyboardModifiers AModifiers);

    /// Brings the row into view vertically; the horizontal position is the operator's alone.
    void scrollTo(const QModelIndex& AIndex, ScrollHint AHint = EnsureVisible) override;

protected:
    void keyPressEvent(QKeyEvent* AEvent) override;
    void wheelEvent(QWheelEvent* AEvent) override;
    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;
    void currentChanged(const QModelIndex& ACurrent, const QModelIndex& APrevious) override;
    void updateGeometries() override;

private:
    void ListChanged();
    void FollowCurrentRow(int ARow);
    void AdjustColumnWidths();
    bool HandleKey(int AKey, Qt::KeyboardModifiers AModifiers);
    void ClearMarks();
    void Step(int ADirection);
    void MoveTo(int ARow);
    int TopVisibleRow() const;
    int BottomVisibleRow() const;
    int PageRows() const;
    void Repaint();

    TDbGridModel* Model; ///< child object: outlives the view's own teardown
    TDbGridMarks Marks;
    bool Following = false;
    bool ClosedLayoutPending = false;
    bool WidthsPending = true; ///< the columns have not been given their widths since the model was reset
    int WheelRemainder = 0;
    QHash<QString, int> TitleWidths; ///< measured titles, in TitleFont
    QFont TitleFont;
    KeyDownHandler OnKeyDown;
};
