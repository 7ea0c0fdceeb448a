#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

/// Storage for a row set's cached rows and the bytes of their values: room is carved out of big blocks, so that
/// caching a row costs no heap allocation per value and closing the row set frees a handful of blocks instead of
/// one allocation per value. Room is valid as long as the arena.
///
/// The full-size blocks of a destroyed arena are kept for the next arena (the next opening of a row set usually
/// needs as many), so that refilling them costs no page faults. Only the blocks of the last arena destroyed are
/// kept. An arena belongs to one row set on one thread.
class ByteArena {
public:
    ByteArena() = default;
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;
    ~ByteArena();

    /// Uninitialised room for ASize bytes (at least 1) aligned to AAlign (a power of two up to 16). Objects made
    /// there must be destroyed by whoever made them, before the arena goes.
    void* Allocate(std::size_t ASize, std::size_t AAlign);

    /// Size of a block; a larger request gets a block of its own. The first block of an arena is small (most row
    /// sets are). Only blocks of BlockSize are kept for reuse.
    static constexpr qsizetype BlockSize = qsizetype(8) << 20;
    static constexpr qsizetype FirstBlockSize = qsizetype(256) << 10;
    /// Number of blocks that destroyed arenas have left for reuse.
    static int KeptBlocks();

private:
    struct Block {
        char* Data;
        qsizetype Size; ///< bytes
    };
    void NewBlock(qsizetype AAtLeast);

    std::vector<Block> Blocks;
    char* Next = nullptr;
    qsizetype Left = 0; ///< bytes
};
