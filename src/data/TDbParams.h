#pragma once

#include "data/TDbFieldType.h"

#include <QString>

#include <deque>

/// An input parameter: name (matched without regard to case), type and text value.
struct TDbParam {
    QString Name;
    TDbFieldType DataType = TDbFieldType::ftString;
    QString Value;
};

/// Ordered parameter collection, created, filled and released by the caller.
/// Entries keep their address while the collection lives (AddParam hands out a reference).
class TDbParams {
public:
    TDbParam& AddParam(TDbFieldType ADataType, const QString& AName);
    int Count() const { return int(Items.size()); }
    const TDbParam& operator[](int AIndex) const { return Items[std::size_t(AIndex)]; }
    TDbParam& operator[](int AIndex) { return Items[std::size_t(AIndex)]; }

private:
    std::deque<TDbParam> Items;
};
