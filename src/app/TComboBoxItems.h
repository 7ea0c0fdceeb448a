#pragma once

#include "retail/IItemList.h"

class QComboBox;

/// The item list of any Qt combo box, for the retail module's store list:
/// `TComboBoxItems Lojas(*cbxLojas); dtmZEVRIK->PopularComboBox(Lojas);`. The combo box must outlive it.
class TComboBoxItems : public IItemList {
public:
    explicit TComboBoxItems(QComboBox& AComboBox) : Combo(AComboBox) {}

    void BeginUpdate() override;
    void EndUpdate() override;
    void Clear() override;
    void Add(const QString& AItem) override;

private:
    QComboBox& Combo;
    int Atualizacoes = 0;
};
