#pragma once

#include <QByteArray>
#include <QStringView>

#include <array>

/// What the machine's ANSI code page is, asked of the platform; AnsiCodePage converts with it. One source file per
/// platform implements it.
namespace AnsiCodePagePlatform {

using ByteTable = std::array<char16_t, 256>;

/// The character of every byte of the code page. Throws std::runtime_error when the code page cannot be had or
/// has characters of more than one byte.
ByteTable Characters();

/// The bytes that stand for a character the code page lacks (one code point: one unit or a surrogate pair).
QByteArray Replacement(QStringView character);

} // namespace AnsiCodePagePlatform
