#pragma once

#include "data/ByteArena.h"

#include <QVariant>

#include <vector>

/// The fetched rows of an open row set, stored in fixed-size chunks so that appending never moves earlier rows.
/// The chunks and the bytes of large values live in the buffer's arena, whose blocks the next row set reuses
/// instead of having them faulted in afresh (see ByteArena for how long values and rows stay valid).
class RowBuffer {
public:
    explicit RowBuffer(int AFieldCount) : FieldCount(AFieldCount) {}
    RowBuffer(const RowBuffer&) = delete;
    RowBuffer& operator=(const RowBuffer&) = delete;
    ~RowBuffer();

    int RowCount() const { return Rows; }
    /// The slots of the row after the last one, null values to be filled in place; the row counts only once
    /// CommitRow is called. Valid until the next call of NextRow or CommitRow.
    QVariant* NextRow();
    /// Counts the row NextRow gave out.
    void CommitRow() { ++Rows; }
    /// Empties the slots NextRow gave out, for a row that could not be read.
    void DiscardRow();
    /// ARow < RowCount(), AField < the field count.
    const QVariant& At(int ARow, int AField) const {
        return Chunks[std::size_t(ARow / RowsPerChunk)][(ARow % RowsPerChunk) * FieldCount + AField];
    }
    ByteArena& Arena() { return Bytes; }

private:
    static constexpr int RowsPerChunk = 256;
    std::size_t SlotsPerChunk() const { return std::size_t(RowsPerChunk) * std::size_t(FieldCount); }

    int FieldCount = 0;
    int Rows = 0;
    // Declared before the chunks so that it outlives them.
    ByteArena Bytes;
    /// Room for RowsPerChunk rows each, in the arena; a row's values are made only shortly before the row is read:
    /// made earlier, they would have left the processor's cache by the time their row is filled.
    std::vector<QVariant*> Chunks;
    std::size_t Made = 0; ///< values made so far in the last chunk
};
