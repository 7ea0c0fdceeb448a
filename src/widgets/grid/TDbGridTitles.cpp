#include "widgets/grid/TDbGridTitles.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TDbGridTitles::TDbGridTitles(QWidget* AParent) : QHeaderView(Qt::Horizontal, AParent) {
    setSectionsMovable(true);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    // Not every style lights a hovered title: the pointer is followed here, with or without a button held.
    viewport()->setMouseTracking(true);
}

// Every filter run gives the grid a new list, usually with the same titles; measuring each title through the style
// again for it costs more than all the rest of the header's reaction to the new list.
QSize TDbGridTitles::sizeHint() const {
    QStringList titles;
    if (model()) {
        for (int section = 0; section < count(); ++section) {
            titles << model()->headerData(section, orientation()).toString();
        }
    }
    if (!Hint.isValid() || titles != HintTitles) {
        Hint = QHeaderView::sizeHint();
        HintTitles = titles;
    }
    return Hint;
}

void TDbGridTitles::changeEvent(QEvent* AEvent) {
    if (AEvent->type() == QEvent::FontChange || AEvent->type() == QEvent::StyleChange) {
        Hint = QSize();
    }
    QHeaderView::changeEvent(AEvent);
}

bool TDbGridTitles::viewportEvent(QEvent* AEvent) {
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

void TDbGridTitles::Light(int ALogicalIndex) {
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

void TDbGridTitles::paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const {
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
