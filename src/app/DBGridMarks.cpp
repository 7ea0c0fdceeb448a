#include "app/DBGridMarks.h"

#include "data/TDbQuery.h"

void TDBGridMarks::SetDataSet(const TDbQuery* AQuery) {
    Query = AQuery;
    Entries.clear();
}

int TDBGridMarks::Find(const TDbBookmark& ABookmark, bool& AFound) const {
    AFound = false;
    if (!Query) {
        return 0;
    }
    int low = 0;
    int high = int(Entries.size()) - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = Query->CompareBookmarks(Entries.at(middle), ABookmark);
        if (order < 0) {
            low = middle + 1;
        } else if (order > 0) {
            high = middle - 1;
        } else {
            AFound = true;
            return middle;
        }
    }
    return low;
}

bool TDBGridMarks::Contains(const TDbBookmark& ABookmark) const {
    bool found = false;
    Find(ABookmark, found);
    return found;
}

void TDBGridMarks::Insert(const TDbBookmark& ABookmark) {
    bool found = false;
    const int at = Find(ABookmark, found);
    if (!found && !ABookmark.IsEmpty()) {
        Entries.insert(at, ABookmark);
    }
}

void TDBGridMarks::Remove(const TDbBookmark& ABookmark) {
    bool found = false;
    const int at = Find(ABookmark, found);
    if (found) {
        Entries.removeAt(at);
    }
}

void TDBGridMarks::Toggle(const TDbBookmark& ABookmark) {
    bool found = false;
    const int at = Find(ABookmark, found);
    if (found) {
        Entries.removeAt(at);
    } else if (!ABookmark.IsEmpty()) {
        Entries.insert(at, ABookmark);
    }
}
