#include "widgets/grid/TDbGridDelegate.h"

#include "widgets/grid/TDbGrid.h"

#include <QPainter>

namespace {

/// Enough for many pages of distinct texts; the cache starts over beyond it.
constexpr qsizetype MaxCachedTexts = 4096;

} // namespace

TDbGridDelegate::TDbGridDelegate(TDbGrid& AGrid) : QStyledItemDelegate(&AGrid), Grid(AGrid) {}

void TDbGridDelegate::paint(QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const {
    // Marks keep the active highlight colour even while another control has the focus.
    const bool highlighted = Grid.RowHighlighted(AIndex.row());
    if (highlighted) {
        APainter->fillRect(AOption.rect, AOption.palette.brush(QPalette::Active, QPalette::Highlight));
    }
    const QString text = AIndex.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) {
        return;
    }
    // The style's own text margin, which the column widths allow for.
    const QStyle* style = AOption.widget ? AOption.widget->style() : Grid.style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, AOption.widget) + 1;
    const QRect area = AOption.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText& laidOut = LaidOut(text, AOption.font);
    const QSizeF size = laidOut.size();
    const bool right = Qt::Alignment(AIndex.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignRight;
    const QPointF at(right ? area.right() + 1 - size.width() : area.left(),
                     area.top() + qMax(0.0, (area.height() - size.height()) / 2));
    const bool overflows = size.width() > area.width() || size.height() > area.height();
    if (overflows) {
        APainter->save();
        APainter->setClipRect(area, Qt::IntersectClip);
    }
    APainter->setFont(AOption.font);
    APainter->setPen(highlighted ? AOption.palette.color(QPalette::Active, QPalette::HighlightedText)
                                 : AOption.palette.color(QPalette::Text));
    APainter->drawStaticText(at, laidOut);
    if (overflows) {
        APainter->restore();
    }
}

const QStaticText& TDbGridDelegate::LaidOut(const QString& AText, const QFont& AFont) const {
    if (AFont != TextFont || Texts.size() >= MaxCachedTexts) {
        Texts.clear();
        TextFont = AFont;
    }
    auto found = Texts.find(AText);
    if (found == Texts.end()) {
        QStaticText laidOut(AText);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
        laidOut.prepare(QTransform(), AFont);
        found = Texts.insert(AText, laidOut);
    }
    return *found;
}
