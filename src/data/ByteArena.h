#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <vector>

/// Storage for the values of a row set's cached rows (bytes of binary large objects, text) and for the rows
/// themselves. Values are copied into big blocks, so that caching a row costs no heap allocation per value and
/// closing the row set frees a handful of blocks instead of one allocation per value.
///
/// Lifetime: a block is reference-counted array data, and every QByteArray or QString that Store / StoreLatin1
/// hand out shares it (the value is a slice of the block, followed by a terminating zero like any other). A value
/// handed out therefore stays valid however long it is kept, also after the row set has closed; it keeps its whole
/// block allocated until the last value of that block is gone. Room from Allocate is valid only while the arena
/// lives.
///
/// The blocks of a destroyed arena that no value outside holds any more are kept for the next arena (the next
/// opening of a row set usually needs as many), so that refilling them costs no page faults. Only the blocks of
/// the last arena destroyed are kept. An arena belongs to one row set on one thread; the values it hands out are
/// ordinary QByteArrays.
class ByteArena {
public:
    ByteArena() = default;
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;
    ~ByteArena();

    /// Copies ASize bytes from AData and returns them as a QByteArray sharing the block; a zero size needs no room
    /// and gives QByteArray(AData, 0).
    QByteArray Store(const char* AData, qsizetype ASize);
    /// The Latin-1 text of ASize bytes from AData as a QString sharing a block; an empty text is QString("").
    QString StoreLatin1(const char* AData, qsizetype ASize);
    /// Uninitialised room for ASize bytes (at least 1) aligned to AAlign (a power of two up to 16), valid as long
    /// as the arena. Objects made there must be destroyed by whoever made them, before the arena goes.
    void* Allocate(std::size_t ASize, std::size_t AAlign);

    /// Size of a block; a larger value gets a block of its own. The first block of an arena is small (most row
    /// sets are). Only blocks of BlockSize are kept for reuse.
    static constexpr qsizetype BlockSize = qsizetype(8) << 20;
    static constexpr qsizetype FirstBlockSize = qsizetype(256) << 10;
    /// Number of blocks that destroyed arenas have left for reuse.
    static int KeptBlocks();

private:
    struct Block {
        QArrayData* Header;
        char* Data;
        qsizetype Size; ///< bytes
    };
    /// Blocks of one element type: bytes (and raw room) or UTF-16 code units, whose headers count differently.
    struct Lane {
        std::vector<Block> Blocks;
        char* Next = nullptr;
        qsizetype Left = 0; ///< bytes
    };
    static char* Take(Lane& ALane, qsizetype ASize, std::size_t AAlign, bool AText);
    static void NewBlock(Lane& ALane, qsizetype AAtLeast, bool AText);
    static void Give(Lane& ALane, bool AText);

    Lane Bytes;
    Lane Text;
};
