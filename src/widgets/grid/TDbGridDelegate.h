#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class TDbGrid;

/// Draws the grid's cells with the whole-row highlight: marked rows, and the current row while the grid has the
/// keyboard focus. The grid's selection model plays no part in it.
///
/// A cell is a background and one line of text cut at the cell's edge; it is drawn straight, not through the
/// style's item-view machinery, which lays every cell's text out twice (eliding, then drawing) on each repaint.
/// The laid-out texts are kept, so that the repaints that follow every key press and mark reuse them.
class TDbGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TDbGridDelegate(TDbGrid& AGrid);

    void paint(QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override;

private:
    const QStaticText& LaidOut(const QString& AText, const QFont& AFont) const;

    TDbGrid& Grid;
    // Laid-out cell texts for one font; emptied when it fills up or the font changes.
    mutable QHash<QString, QStaticText> Texts;
    mutable QFont TextFont;
};
