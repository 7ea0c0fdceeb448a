#pragma once

#include <QStyledItemDelegate>

class TDBGrid;

/// Draws the grid's cells with the whole-row highlight: marked rows, and the current row while the grid has the
/// keyboard focus. The grid's selection model plays no part in it.
class TDBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TDBGridDelegate(TDBGrid& AGrid);

protected:
    void initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const override;

private:
    TDBGrid& Grid;
};
