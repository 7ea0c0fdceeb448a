#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

/// The machine's ANSI code page: the system's active code page on Windows, Windows-1252 elsewhere (through iconv).
/// Conversions never fail: a character the code page lacks becomes what the platform's conversion makes of it ("?";
/// on Windows its best-fit letter where it has one), and every byte has a character (the five bytes Windows-1252
/// leaves undefined map to the C1 controls of the same value), so bytes survive a round trip.
class AnsiCodePage {
public:
    static QByteArray fromUnicode(QStringView text);
    static QString toUnicode(QByteArrayView bytes);

    /// True when every character of text has a byte in the code page.
    static bool canEncode(QStringView text);
};
