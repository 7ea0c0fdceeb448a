#include "widgets/grid/TDBGridTitles.h"

#include <QMouseEvent>
#include <QPainter>

TDBGridTitles::TDBGridTitles(QWidget* AParent) : QHeaderView(Qt::Horizontal, AParent) {
    setSectionsMovable(true);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    // Not every style lights a hovered title: the pointer is followed here, with or without a button held.
    viewport()->setMouseTracking(true);
}

bool TDBGridTitles::viewportEvent(QEvent* AEvent) {
    switch (AEvent->type()) {
    case QEvent::MouseMove:
        Light(logicalIndexAt(static_cast<QMouseEvent*>(AEvent)->position().toPoint()));
        break;
    case QEvent::Leave:
        Light(-1);
        break;
    default:
        break;
    }
    return QHeaderView::viewportEvent(AEvent);
}

void TDBGridTitles::Light(int ALogicalIndex) {
    if (ALogicalIndex == Lit) {
        return;
    }
    const int previous = Lit;
    Lit = ALogicalIndex;
    if (previous >= 0) {
        updateSection(previous);
    }
    if (Lit >= 0) {
        updateSection(Lit);
    }
}

void TDBGridTitles::paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const {
    QHeaderView::paintSection(APainter, ARect, ALogicalIndex);
    if (ALogicalIndex != Lit) {
        return;
    }
    // A wash of the highlight colour over the title, light enough to keep its text readable.
    QColor wash = palette().color(QPalette::Highlight);
    wash.setAlpha(64);
    APainter->save();
    // The style may leave a clip behind that would hide the wash.
    APainter->setClipRect(ARect);
    APainter->fillRect(ARect.adjusted(1, 1, -1, -1), wash);
    APainter->restore();
}
