#pragma once

#include "data/TDbBookmark.h"

#include <QList>

class TDbQuery;

/// The marked rows of a row set: each row at most once, always sorted by row position as the row set's
/// CompareBookmarks orders them, so that walking the list visits the rows top to bottom. UI thread only.
class TDBGridMarks {
public:
    /// The row set whose CompareBookmarks orders the list; not owned. Changing it empties the list.
    void SetDataSet(const TDbQuery* AQuery);

    int Count() const { return int(Entries.size()); }
    const TDbBookmark& At(int AIndex) const { return Entries.at(AIndex); }

    bool Contains(const TDbBookmark& ABookmark) const;
    /// Inserts in place; nothing when the row is already marked.
    void Insert(const TDbBookmark& ABookmark);
    /// Removes and closes the gap; nothing when the row is not marked.
    void Remove(const TDbBookmark& ABookmark);
    void Toggle(const TDbBookmark& ABookmark);
    void Clear() { Entries.clear(); }

private:
    /// Binary search: the index of the first entry not before ABookmark; AFound tells whether it is the same row.
    int Find(const TDbBookmark& ABookmark, bool& AFound) const;

    const TDbQuery* Query = nullptr;
    QList<TDbBookmark> Entries;
};
