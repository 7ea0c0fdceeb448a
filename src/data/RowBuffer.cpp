#include "data/RowBuffer.h"

#include <algorithm>
#include <memory>
#include <new>

RowBuffer::~RowBuffer() {
    for (std::size_t c = 0; c < Chunks.size(); ++c) {
        std::destroy_n(Chunks[c], c + 1 == Chunks.size() ? Made : SlotsPerChunk());
    }
}

QVariant* RowBuffer::NextRow() {
    if (Rows % RowsPerChunk == 0 && std::size_t(Rows / RowsPerChunk) == Chunks.size()) {
        void* room = Bytes.Allocate(SlotsPerChunk() * sizeof(QVariant), alignof(QVariant));
        Chunks.push_back(static_cast<QVariant*>(room));
        Made = 0;
    }
    QVariant* chunk = Chunks.back();
    const std::size_t first = std::size_t((Rows % RowsPerChunk) * FieldCount);
    // The slots of the row after this one are made now as well, so that their memory is in the cache in time.
    const std::size_t ahead = std::min(first + 2 * std::size_t(FieldCount), SlotsPerChunk());
    for (; Made < ahead; ++Made) {
        new (chunk + Made) QVariant();
    }
    return chunk + first;
}

void RowBuffer::DiscardRow() {
    QVariant* row = NextRow();
    for (int i = 0; i < FieldCount; ++i) {
        row[i] = QVariant();
    }
}
