#include "widgets/grid/TDbGridIndicator.h"

#include "widgets/grid/TDbGrid.h"
#include "widgets/grid/TDbGridMouse.h"

#include <QPainter>
#include <QPainterPath>

TDbGridIndicator::TDbGridIndicator(TDbGrid& AGrid) : QHeaderView(Qt::Vertical, &AGrid), Grid(AGrid) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    new TDbGridMouse(AGrid, *viewport(), [this](const QPoint& APoint) { return logicalIndexAt(APoint); });
}

QSize TDbGridIndicator::sizeHint() const {
    return {width(), length()};
}

void TDbGridIndicator::paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const {
    QHeaderView::paintSection(APainter, ARect, ALogicalIndex);
    const bool current = ALogicalIndex == Grid.CurrentRow();
    const bool marked = Grid.RowMarked(ALogicalIndex);
    if (!current && !marked) {
        return;
    }
    APainter->save();
    // The painter can arrive with a clip that hides everything drawn here; keep to this section instead.
    APainter->setClipRect(ARect);
    APainter->setRenderHint(QPainter::Antialiasing);
    APainter->setPen(Qt::NoPen);
    APainter->setBrush(palette().color(QPalette::WindowText));
    const QPointF centre = QRectF(ARect).center();
    const qreal size = qMin(ARect.width() / 2.5, ARect.height() / 3.0);
    if (current) {
        QPainterPath arrow;
        const qreal left = marked ? ARect.left() + 3 : centre.x() - size / 2;
        arrow.moveTo(left, centre.y() - size);
        arrow.lineTo(left + size, centre.y());
        arrow.lineTo(left, centre.y() + size);
        arrow.closeSubpath();
        APainter->drawPath(arrow);
    }
    if (marked) {
        const qreal x = current ? ARect.right() - 3 - size / 2 : centre.x();
        APainter->drawEllipse(QPointF(x, centre.y()), size / 2, size / 2);
    }
    APainter->restore();
}
