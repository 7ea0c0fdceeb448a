#include "widgets/grid/TDbGridMarks.h"

#include "data/TDbQuery.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace {

/// A block that grows beyond this is split in two halves.
constexpr std::size_t MaxBlockLength = 512;

} // namespace

void TDbGridMarks::SetDataSet(TDbQuery* AQuery) {
    Query = AQuery;
    Clear();
}

void TDbGridMarks::Clear() {
    Blocks.clear();
    Total = 0;
    CursorBlock = 0;
    CursorStart = 0;
    Anchor = TDbBookmark();
    RangeActive = false;
}

bool TDbGridMarks::RowMarked(int ARow) const {
    return Total > 0 && ARow >= 0 && ARow < Query->FetchedRowCount() && Find(Query->BookmarkAt(ARow)).Found;
}

bool TDbGridMarks::CurrentMarked() const {
    return HasRows() && Find(Query->GetBookmark()).Found;
}

void TDbGridMarks::SetCurrentMarked(bool AMarked) {
    if (!HasRows()) {
        return;
    }
    if (AMarked) {
        Insert(Query->GetBookmark());
    } else {
        Remove(Query->GetBookmark());
    }
}

void TDbGridMarks::MarkOnlyCurrent() {
    if (!HasRows()) {
        return;
    }
    const TDbBookmark current = Query->GetBookmark();
    Clear();
    Insert(current);
}

void TDbGridMarks::ToggleCurrent() {
    if (!HasRows()) {
        return;
    }
    RangeActive = false;
    const TDbBookmark current = Query->GetBookmark();
    const Place place = Find(current);
    if (place.Found) {
        RemoveAt(place);
    } else {
        InsertAt(place, current);
    }
}

void TDbGridMarks::StepRange(int ADirection) {
    if (!HasRows()) {
        return;
    }
    const TDbBookmark current = Query->GetBookmark();
    if (!RangeActive) {
        Anchor = current;
        RangeActive = true;
        Insert(current);
        Step(ADirection);
        Insert(Query->GetBookmark());
        return;
    }
    const int order = Compare(current, Anchor);
    if ((ADirection < 0 && order > 0) || (ADirection > 0 && order < 0)) {
        Remove(current);
        Step(ADirection);
    } else {
        Step(ADirection);
        Insert(Query->GetBookmark());
    }
}

void TDbGridMarks::MarkAll() {
    if (!HasRows()) {
        return;
    }
    // A read error met on the way comes back from the next fetch, and travels on from there.
    while (!Query->AllRowsFetched() && Query->FetchMore(INT_MAX) > 0) {
    }
    std::vector<TDbBookmark> rows;
    rows.reserve(std::size_t(Query->FetchedRowCount()));
    for (int row = 0; row < Query->FetchedRowCount(); ++row) {
        rows.push_back(Query->BookmarkAt(row));
    }
    Assign(std::move(rows));
}

bool TDbGridMarks::HasRows() const {
    return Query && !Query->IsEmpty();
}

void TDbGridMarks::Step(int ADirection) {
    if (ADirection < 0) {
        Query->Prior();
    } else {
        Query->Next();
    }
}

int TDbGridMarks::Compare(const TDbBookmark& A, const TDbBookmark& B) const {
    return Query->CompareBookmarks(A, B);
}

const TDbBookmark& TDbGridMarks::At(int AIndex) const {
    if (AIndex < 0 || AIndex >= Total) {
        throw std::out_of_range("marked-row index out of range");
    }
    if (CursorBlock >= Blocks.size() || AIndex < CursorStart) {
        CursorBlock = 0;
        CursorStart = 0;
    }
    while (AIndex >= CursorStart + int(Blocks[CursorBlock].size())) {
        CursorStart += int(Blocks[CursorBlock].size());
        ++CursorBlock;
    }
    return Blocks[CursorBlock][std::size_t(AIndex - CursorStart)];
}

TDbGridMarks::Place TDbGridMarks::Find(const TDbBookmark& ABookmark) const {
    Place place;
    if (!Query || Blocks.empty()) {
        return place;
    }
    // The first block whose last entry is not before the bookmark; past the end, the last block's end.
    std::size_t low = 0;
    std::size_t high = Blocks.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (Compare(Blocks[middle].back(), ABookmark) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == Blocks.size()) {
        place.BlockIndex = Blocks.size() - 1;
        place.Offset = Blocks.back().size();
        return place;
    }
    const Block& block = Blocks[low];
    std::size_t first = 0;
    std::size_t last = block.size();
    while (first < last) {
        const std::size_t middle = (first + last) / 2;
        if (Compare(block[middle], ABookmark) < 0) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    place.BlockIndex = low;
    place.Offset = first;
    place.Found = first < block.size() && Compare(block[first], ABookmark) == 0;
    return place;
}

void TDbGridMarks::InsertAt(const Place& APlace, const TDbBookmark& ABookmark) {
    if (Blocks.empty()) {
        Blocks.emplace_back();
    }
    Block& block = Blocks[APlace.BlockIndex];
    block.insert(block.begin() + std::ptrdiff_t(APlace.Offset), ABookmark);
    if (block.size() > MaxBlockLength) {
        const auto half = block.begin() + std::ptrdiff_t(block.size() / 2);
        Block upper(std::make_move_iterator(half), std::make_move_iterator(block.end()));
        block.erase(half, block.end());
        Blocks.insert(Blocks.begin() + std::ptrdiff_t(APlace.BlockIndex) + 1, std::move(upper));
    }
    ++Total;
    CursorBlock = 0;
    CursorStart = 0;
}

void TDbGridMarks::RemoveAt(const Place& APlace) {
    Block& block = Blocks[APlace.BlockIndex];
    block.erase(block.begin() + std::ptrdiff_t(APlace.Offset));
    if (block.empty()) {
        Blocks.erase(Blocks.begin() + std::ptrdiff_t(APlace.BlockIndex));
    }
    --Total;
    CursorBlock = 0;
    CursorStart = 0;
}

void TDbGridMarks::Insert(const TDbBookmark& ABookmark) {
    const Place place = Find(ABookmark);
    if (!place.Found && !ABookmark.IsEmpty()) {
        InsertAt(place, ABookmark);
    }
}

void TDbGridMarks::Remove(const TDbBookmark& ABookmark) {
    const Place place = Find(ABookmark);
    if (place.Found) {
        RemoveAt(place);
    }
}

void TDbGridMarks::Assign(std::vector<TDbBookmark> ASorted) {
    Clear();
    // Half-full blocks leave room for the marks made and removed afterwards.
    const std::size_t length = MaxBlockLength / 2;
    for (std::size_t first = 0; first < ASorted.size(); first += length) {
        const auto begin = ASorted.begin() + std::ptrdiff_t(first);
        const auto end = ASorted.begin() + std::ptrdiff_t(std::min(first + length, ASorted.size()));
        Blocks.emplace_back(std::make_move_iterator(begin), std::make_move_iterator(end));
    }
    Total = int(ASorted.size());
}
