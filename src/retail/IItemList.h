#pragma once

#include <QString>

/// The item list of a drop-down list control, as the retail module fills it. The user-interface library adapts
/// its combo boxes to it, so the module stays free of widgets.
class IItemList {
public:
    virtual ~IItemList() = default;
    /// Starts a bulk update: no repainting until EndUpdate.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual void Clear() = 0;
    /// Appends an item; the selection stays as it was.
    virtual void Add(const QString& AItem) = 0;
};
