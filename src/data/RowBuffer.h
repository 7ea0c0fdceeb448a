#pragma once

#include <QVariant>

#include <vector>

/// The fetched rows of an open row set, stored in fixed-size chunks so that appending never moves earlier rows.
class RowBuffer {
public:
    explicit RowBuffer(int AFieldCount) : FieldCount(AFieldCount) {}

    int RowCount() const { return Rows; }
    /// Moves the row's values in; ARow keeps its size with moved-from entries.
    void Append(QVariantList& ARow);
    /// ARow < RowCount(), AField < the field count.
    const QVariant& At(int ARow, int AField) const {
        return Chunks[std::size_t(ARow / RowsPerChunk)][std::size_t((ARow % RowsPerChunk) * FieldCount + AField)];
    }

private:
    static constexpr int RowsPerChunk = 256;
    int FieldCount = 0;
    int Rows = 0;
    std::vector<std::vector<QVariant>> Chunks;
};
