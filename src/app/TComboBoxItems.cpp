#include "app/TComboBoxItems.h"

#include <QComboBox>

void TComboBoxItems::BeginUpdate() {
    if (FAtualizacoes++ == 0)
        FComboBox.setUpdatesEnabled(false);
}

void TComboBoxItems::EndUpdate() {
    if (FAtualizacoes > 0 && --FAtualizacoes == 0)
        FComboBox.setUpdatesEnabled(true);
}

void TComboBoxItems::Clear() {
    FComboBox.clear();
}

void TComboBoxItems::Add(const QString& AItem) {
    // A combo box selects the first item put into an empty list; this list's contract keeps the selection.
    const int Atual = FComboBox.currentIndex();
    FComboBox.addItem(AItem);
    FComboBox.setCurrentIndex(Atual);
}
