#pragma once

#include <QtGlobal>

/// An expected value the platform decides. A character the ANSI code page lacks is replaced as the platform's own
/// conversion does: by one "?" on Linux; on Windows by its best-fit letter where it has one ("Ω" gives "O"), else by
/// "?" for each UTF-16 unit (two for a character beyond the basic plane).
template <typename T> T PerPlatform([[maybe_unused]] const T& AElsewhere, [[maybe_unused]] const T& AWindows) {
#ifdef Q_OS_WIN
    return AWindows;
#else
    return AElsewhere;
#endif
}
