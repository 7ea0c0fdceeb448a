#pragma once

#include "data/IDbCursor.h"

#include <QString>

/// How an ODBC result column (as SQLDescribeCol gives it) maps to the layer's field kinds. Pure.
namespace OdbcColumnKinds {

/// Columns of this many characters or bytes or more (and those of size 0) are long: Memo, WideMemo or Blob.
inline constexpr qint64 LongThreshold = 8001;

/// AColumnSize is characters for text, bytes for binary, digits for numbers; 0 when the driver gives none.
TDbColumnInfo Classify(const QString& AName, int ASqlType, qint64 AColumnSize, int ADecimalDigits);

} // namespace OdbcColumnKinds
