#pragma once

#include <QHeaderView>

class TDbGrid;

/// The grid's indicator column (its vertical header): an arrow at the current row, a dot at each other marked row,
/// an arrow with a dot at a marked current row. A press on it counts as a press on its row.
class TDbGridIndicator : public QHeaderView {
    Q_OBJECT
public:
    explicit TDbGridIndicator(TDbGrid& AGrid);

    /// As wide as the grid makes the column. The stock hint asks the style about the contents of up to two hundred
    /// (empty) sections each time the rows change.
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const override;

private:
    TDbGrid& Grid;
};
