#pragma once

#include <memory>

/// Opaque token for one row of an open row set; worthless once that row set closes.
/// An empty bookmark names no row.
class TDbBookmark {
public:
    TDbBookmark() = default;
    bool IsEmpty() const { return Row < 0; }

private:
    friend class TDbQuery;
    TDbBookmark(std::weak_ptr<const int> AOpening, int ARow) : Opening(std::move(AOpening)), Row(ARow) {}
    std::weak_ptr<const int> Opening; ///< identity of the opening of the row set that gave it
    int Row = -1;
};
