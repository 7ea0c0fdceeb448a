#pragma once

#include <QHeaderView>

/// The grid's title row: titles that can be resized and dragged, and the title under the mouse pointer lit.
class TDBGridTitles : public QHeaderView {
    Q_OBJECT
public:
    explicit TDBGridTitles(QWidget* AParent);

protected:
    bool viewportEvent(QEvent* AEvent) override;
    void paintSection(QPainter* APainter, const QRect& ARect, int ALogicalIndex) const override;

private:
    void Light(int ALogicalIndex);

    int Lit = -1; ///< the column whose title is lit; -1 when the pointer is over none
};
