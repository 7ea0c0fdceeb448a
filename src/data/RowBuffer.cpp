#include "data/RowBuffer.h"

void RowBuffer::Append(QVariantList& ARow) {
    if (Rows % RowsPerChunk == 0) {
        Chunks.emplace_back().reserve(std::size_t(RowsPerChunk) * std::size_t(FieldCount));
    }
    std::vector<QVariant>& chunk = Chunks.back();
    for (int i = 0; i < FieldCount; ++i) {
        chunk.push_back(i < ARow.size() ? std::move(ARow[i]) : QVariant());
    }
    ++Rows;
}
