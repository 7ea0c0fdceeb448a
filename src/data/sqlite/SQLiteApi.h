#pragma once

#include "data/TDbErrors.h"

#include <sqlite3.h>

#include <memory>

/// The SQLite back end's own engine error.
class ESQLiteNativeException : public EDbEngineError {
public:
    using EDbEngineError::EDbEngineError;
};

namespace SQLiteApi {

struct DatabaseCloser {
    void operator()(sqlite3* ADb) const { sqlite3_close_v2(ADb); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* AStmt) const { sqlite3_finalize(AStmt); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

/// The engine's error of the last call on ADb as the layer's error.
ESQLiteNativeException MakeError(sqlite3* ADb, int AResultCode);

/// Every call into the engine goes through here: a result code other than the expected ones raises the error.
inline int Check(sqlite3* ADb, int AResultCode, int AExpected = SQLITE_OK, int AAlsoExpected = SQLITE_OK) {
    if (AResultCode != AExpected && AResultCode != AAlsoExpected) {
        throw MakeError(ADb, AResultCode);
    }
    return AResultCode;
}

} // namespace SQLiteApi
