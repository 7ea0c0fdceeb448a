#pragma once

#include <QString>

namespace ExecutablePath {

/// Full path of the running executable as the system names it (on Windows with "\" separators). Needs the
/// application object on platforms that ask it.
QString Get();

} // namespace ExecutablePath
