#pragma once

#include <QString>

/// The blank rule of the tool's own texts and settings: every character up to U+0020 (the blank and every control
/// character) counts as blank at the ends; other white space (a no-break space among it) is text.
namespace BlankTrim {

/// ATexto without blanks at either end.
QString Trimmed(const QString& ATexto);
/// Whether ATexto holds nothing but blanks (the empty text included).
bool IsBlank(const QString& ATexto);

} // namespace BlankTrim
