#pragma once

/// Data type of a statement parameter.
enum class TDbFieldType {
    ftString,   ///< 8-bit text in the client's ANSI code page
    ftWideMemo, ///< long Unicode text
};
