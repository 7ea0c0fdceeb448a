#include "widgets/grid/TDbGridMouse.h"

#include "widgets/grid/TDbGrid.h"

#include <QMouseEvent>

TDbGridMouse::TDbGridMouse(TDbGrid& AGrid, QWidget& ASurface, RowAt ARowAt)
    : QObject(&ASurface), Grid(AGrid), RowAtPoint(std::move(ARowAt)) {
    ASurface.installEventFilter(this);
}

bool TDbGridMouse::eventFilter(QObject* AWatched, QEvent* AEvent) {
    switch (AEvent->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(AEvent);
        // Presses outside the rows (below the last one, for instance) touch neither marks nor the current row.
        const int row = RowAtPoint(press->position().toPoint());
        if (row >= 0) {
            Grid.PressRow(row, press->button(), press->modifiers());
        }
        break;
    }
    // The second press of a double click does nothing; dragging does not mark or move.
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return QObject::eventFilter(AWatched, AEvent);
    }
    AEvent->accept();
    return true;
}
