#pragma once

#include "data/TDbBookmark.h"

#include <vector>

class TDbQuery;

/// The marked rows of a row set: each row at most once, always sorted by row position as the row set's
/// CompareBookmarks orders them, so that walking the list visits the rows top to bottom. UI thread only.
///
/// The sorted list is held in consecutive blocks of bounded length, so that a mark made or removed near the top of
/// tens of thousands of marks moves one block's entries, not all of them. Lookups are binary searches, first over
/// the blocks, then within one.
class TDBGridMarks {
public:
    /// The row set whose CompareBookmarks orders the list; not owned. Changing it empties the list.
    void SetDataSet(const TDbQuery* AQuery);

    int Count() const { return Total; }
    /// The entry at AIndex of the sorted list; walking the indexes in order costs a step each.
    const TDbBookmark& At(int AIndex) const;

    bool Contains(const TDbBookmark& ABookmark) const;
    /// Inserts in place; nothing when the row is already marked.
    void Insert(const TDbBookmark& ABookmark);
    /// Removes and closes the gap; nothing when the row is not marked.
    void Remove(const TDbBookmark& ABookmark);
    void Toggle(const TDbBookmark& ABookmark);
    /// Replaces the list with ASorted: distinct rows, already in row order.
    void Assign(std::vector<TDbBookmark> ASorted);
    void Clear();

private:
    using Block = std::vector<TDbBookmark>;
    /// Where ABookmark is or would go: its block and the index in it of the first entry not before it.
    struct Place {
        std::size_t BlockIndex = 0;
        std::size_t Offset = 0;
        bool Found = false;
    };

    Place Find(const TDbBookmark& ABookmark) const;
    void InsertAt(const Place& APlace, const TDbBookmark& ABookmark);
    void RemoveAt(const Place& APlace);
    int Compare(const TDbBookmark& A, const TDbBookmark& B) const;

    const TDbQuery* Query = nullptr;
    std::vector<Block> Blocks; ///< none empty; their concatenation is the sorted list
    int Total = 0;
    // The block that At served last and the list index of its first entry, for walks in order.
    mutable std::size_t CursorBlock = 0;
    mutable int CursorStart = 0;
};
