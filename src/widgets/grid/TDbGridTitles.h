#pragma once

#include <QHeaderView>
#include <QStringList>

/// The grid's title row: titles that can be resized and dragged, and the title under the mouse pointer lit.
class TDbGridTitles : public QHeaderView {
    Q_OBJECT
public:
    explicit TDbGridTitles(QWidget* AParent);

    /// The room the titles need; measured again only when the titles, the font or the style change.
    QSize sizeHint() const override;

protected:
    bool viewportEvent(QEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const override;

private:
    void Light(int ALogicalIndex);

    int Lit = -1; ///< the column whose title is lit; -1 when the pointer is over none
    // The last measured room and what it was measured for.
    mutable QSize Hint;
    mutable QStringList HintTitles;
};
