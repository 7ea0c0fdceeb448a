#pragma once

#include <QObject>

#include <functional>

class QPoint;
class QWidget;
class TDbGrid;

/// The grid's mouse on one of its surfaces (the cells' viewport or the indicator column's): a press on a row is a
/// press on that row of the grid; presses elsewhere, releases, double clicks and moves stop here.
class TDbGridMouse : public QObject {
    Q_OBJECT
public:
    /// The row (from 0) at a point of the surface; -1 where there is none.
    using RowAt = std::function<int(const QPoint& APoint)>;

    /// Watches ASurface, which owns it.
    TDbGridMouse(TDbGrid& AGrid, QWidget& ASurface, RowAt ARowAt);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    TDbGrid& Grid;
    RowAt RowAtPoint;
};
