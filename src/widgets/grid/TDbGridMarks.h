#pragma once

#include "data/TDbBookmark.h"

#include <vector>

class TDbQuery;

/// The marked rows of a row set and the rules that change them, apart from any view: a view maps its keys and
/// presses to these operations and repaints. They act on the row set's current row, which only a range step moves,
/// and do nothing while the row set is closed or empty. UI thread only.
///
/// The marked-row list holds each row at most once, always sorted by row position as the row set's CompareBookmarks
/// orders them, so that walking the list visits the rows top to bottom. It is held in consecutive blocks of bounded
/// length, so that a mark made or removed near the top of tens of thousands of marks moves one block's entries, not
/// all of them. Lookups are binary searches, first over the blocks, then within one.
class TDbGridMarks {
public:
    /// The row set marked; not owned. Changing it empties the list. Its owner calls Clear when it opens or closes,
    /// as that makes every bookmark worthless.
    void SetDataSet(TDbQuery* AQuery);

    int Count() const { return Total; }
    /// The entry at AIndex of the sorted list; walking the indexes in order costs a step each.
    const TDbBookmark& At(int AIndex) const;
    /// Whether row ARow (from 0) is marked; false for a row not fetched.
    bool RowMarked(int ARow) const;
    bool CurrentMarked() const;
    /// Whether Shift+Up or Shift+Down steps grow the range from its anchor; any change of marks but SetCurrentMarked
    /// ends it.
    bool RangeInProgress() const { return RangeActive; }

    void SetCurrentMarked(bool AMarked);
    /// A press: the current row becomes the only one marked.
    void MarkOnlyCurrent();
    /// A press with Ctrl: the current row's mark flips, the others stay.
    void ToggleCurrent();
    /// Shift+Up (ADirection -1) or Shift+Down (1): the current row moves a step. The first step anchors a range at
    /// the row left and marks it and the row reached; later steps away from the anchor mark the row reached, and
    /// steps toward it unmark the row left. Marks made before the range stay.
    void StepRange(int ADirection);
    /// Ctrl+A: every row, fetching what is not fetched yet; the current row stays. A read error on the way travels
    /// on and leaves the marks as they were.
    void MarkAll();
    /// No row marked, no range.
    void Clear();

private:
    using Block = std::vector<TDbBookmark>;
    /// Where ABookmark is or would go: its block and the index in it of the first entry not before it.
    struct Place {
        std::size_t BlockIndex = 0;
        std::size_t Offset = 0;
        bool Found = false;
    };

    bool HasRows() const;
    void Step(int ADirection);
    void Insert(const TDbBookmark& ABookmark);
    void Remove(const TDbBookmark& ABookmark);
    /// Replaces the list with ASorted: distinct rows, already in row order.
    void Assign(std::vector<TDbBookmark> ASorted);
    Place Find(const TDbBookmark& ABookmark) const;
    void InsertAt(const Place& APlace, const TDbBookmark& ABookmark);
    void RemoveAt(const Place& APlace);
    int Compare(const TDbBookmark& A, const TDbBookmark& B) const;

    TDbQuery* Query = nullptr;
    std::vector<Block> Blocks; ///< none empty; their concatenation is the sorted list
    int Total = 0;
    // The block that At served last and the list index of its first entry, for walks in order.
    mutable std::size_t CursorBlock = 0;
    mutable int CursorStart = 0;
    TDbBookmark Anchor; ///< the row where the range began
    bool RangeActive = false;
};
