#pragma once

#include "data/ByteArena.h"
#include "data/RowCell.h"

#include <deque>
#include <vector>

/// The fetched rows of an open row set, stored in fixed-size chunks so that appending never moves earlier rows.
/// A row is its cells (see RowCell); the chunks and the bytes of text and binary values live in the buffer's arena,
/// whose blocks the next row set reuses instead of having them faulted in afresh.
class RowBuffer {
public:
    explicit RowBuffer(int AFieldCount) : FieldCount(AFieldCount) {}
    RowBuffer(const RowBuffer&) = delete;
    RowBuffer& operator=(const RowBuffer&) = delete;

    int RowCount() const { return Rows; }
    /// The cells of the row after the last one, null cells to be filled in place; the row counts only once
    /// CommitRow is called. Valid until the next call of NextRow or CommitRow.
    RowCell* NextRow();
    /// Counts the row NextRow gave out.
    void CommitRow() { ++Rows; }
    /// Empties the cells NextRow gave out, for a row that could not be read.
    void DiscardRow();
    /// ARow < RowCount(), AField < the field count.
    const RowCell& At(int ARow, int AField) const {
        return Chunks[std::size_t(ARow / RowsPerChunk)][(ARow % RowsPerChunk) * FieldCount + AField];
    }

    /// The cell with its text or bytes copied into the buffer, valid as long as the buffer; a cell of a value kept
    /// whole is copied along with its value.
    RowCell Keep(const RowCell& ACell);
    /// A cell of AValue (see RowCell::Of) kept in the buffer.
    RowCell Keep(const QVariant& AValue);

private:
    static constexpr int RowsPerChunk = 256;

    int FieldCount = 0;
    int Rows = 0;
    // Declared before the chunks so that it outlives them.
    ByteArena Bytes;
    /// Room for RowsPerChunk rows each, in the arena.
    std::vector<RowCell*> Chunks;
    /// Values of back ends that give QVariants, where the cells of their rows point.
    std::deque<QVariant> Whole;
};
