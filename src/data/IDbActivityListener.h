#pragma once

/// Told before and after each execution of a statement, each open of a result and each fetch of rows
/// (not around opening a connection). The user interface implements it to show the database-wait pointer.
class IDbActivityListener {
public:
    virtual ~IDbActivityListener() = default;
    virtual void OperationBegins() = 0;
    virtual void OperationEnds() = 0;
};
