#include "app/TComboBoxItems.h"

#include <QComboBox>

void TComboBoxItems::BeginUpdate() {
    if (Atualizacoes++ == 0) {
        Combo.setUpdatesEnabled(false);
    }
}

void TComboBoxItems::EndUpdate() {
    if (Atualizacoes > 0 && --Atualizacoes == 0) {
        Combo.setUpdatesEnabled(true);
    }
}

void TComboBoxItems::Clear() {
    Combo.clear();
}

void TComboBoxItems::Add(const QString& AItem) {
    // A combo box selects the first item put into an empty list; this list's contract keeps the selection.
    const int atual = Combo.currentIndex();
    Combo.addItem(AItem);
    Combo.setCurrentIndex(atual);
}
