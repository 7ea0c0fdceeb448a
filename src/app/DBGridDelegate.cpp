#include "app/DBGridDelegate.h"

#include "app/DBGrid.h"

TDBGridDelegate::TDBGridDelegate(TDBGrid& AGrid) : QStyledItemDelegate(&AGrid), Grid(AGrid) {}

void TDBGridDelegate::initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const {
    QStyledItemDelegate::initStyleOption(AOption, AIndex);
    // Whole rows are highlighted, so no single cell carries a focus frame.
    AOption->state &= ~QStyle::State_HasFocus;
    if (Grid.RowHighlighted(AIndex.row())) {
        // Marks keep the active highlight colour even while another control has the focus.
        AOption->state |= QStyle::State_Selected | QStyle::State_Active;
    } else {
        AOption->state &= ~QStyle::State_Selected;
    }
}
