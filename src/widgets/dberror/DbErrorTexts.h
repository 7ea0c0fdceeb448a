#pragma once

#include "data/TDbErrors.h"

#include <QString>

/// The texts of the database error window, apart from its widgets: what its fields show and what Copy puts on the
/// clipboard.
namespace DbErrorTexts {
QString Caption();
QString BandText();
/// A native error code as the window shows it: zero-padded to five digits when greater than 0.
QString FormatErrorCode(int ACode);
/// A command text offset as the window shows it: empty for -1 (none).
QString FormatCommandTextOffset(int AOffset);
/// AText with every line break (CR LF, lone CR or lone LF) made CR LF.
QString ToCrLf(const QString& AText);
/// True when ACommandText has a character other than a blank or a control character.
bool HasCommandText(const QString& ACommandText);
/// What Copy puts on the clipboard for AError with its record ARecord shown (no record fields when it has none):
/// every line ends in CR LF.
QString CopyText(const EDbEngineError& AError, int ARecord);
} // namespace DbErrorTexts
