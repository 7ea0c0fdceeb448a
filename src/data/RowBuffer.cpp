#include "data/RowBuffer.h"

#include <cstring>
#include <memory>

RowCell* RowBuffer::NextRow() {
    if (Rows % RowsPerChunk == 0 && std::size_t(Rows / RowsPerChunk) == Chunks.size()) {
        const std::size_t cells = std::size_t(RowsPerChunk) * std::size_t(FieldCount);
        auto* chunk = static_cast<RowCell*>(Bytes.Allocate(cells * sizeof(RowCell), alignof(RowCell)));
        std::uninitialized_value_construct_n(chunk, cells);
        Chunks.push_back(chunk);
    }
    return Chunks.back() + std::size_t((Rows % RowsPerChunk) * FieldCount);
}

void RowBuffer::DiscardRow() {
    RowCell* row = NextRow();
    std::fill_n(row, FieldCount, RowCell());
}

RowCell RowBuffer::Keep(const RowCell& ACell) {
    switch (ACell.Kind()) {
    case RowCell::TKind::Ascii:
    case RowCell::TKind::Bytes:
    case RowCell::TKind::Utf16: {
        const std::size_t size = std::size_t(ACell.Size()) * (ACell.Kind() == RowCell::TKind::Utf16 ? 2 : 1);
        if (size == 0) {
            // Nothing to copy; a null pointer stays null (null bytes), any other becomes one that lasts (empty text).
            static const char nothing[2] = {};
            return RowCell::Text(ACell.Kind(), ACell.Data() ? nothing : nullptr, 0);
        }
        char* room = static_cast<char*>(Bytes.Allocate(size, 2));
        std::memcpy(room, ACell.Data(), size);
        return RowCell::Text(ACell.Kind(), room, ACell.Size());
    }
    case RowCell::TKind::Variant:
        return RowCell::Variant(&Whole.emplace_back(ACell.VariantValue()));
    default:
        return ACell;
    }
}

RowCell RowBuffer::Keep(const QVariant& AValue) {
    return Keep(RowCell::Of(AValue));
}
