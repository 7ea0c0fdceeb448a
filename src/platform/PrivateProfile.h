#pragma once

#include <QString>

/// INI files read and written the way the platform's private-profile functions do: lines end in CR LF, LF or CR,
/// section and key names match regardless of case, blanks around names and values are ignored on reading, and one
/// pair of matching quotes around a value is removed on reading. Blanks are tab, line feed, vertical tab, form feed,
/// carriage return, space and ^Z only: a no-break space is text. Files are text in the ANSI code page, or in UTF-8 or
/// UTF-16 (either byte order) behind a byte-order mark, and are written back in the encoding they had. Nothing is
/// cached: every call reads the file again.
class PrivateProfile {
public:
    /// The value of key in section, cut to bufferSize - 1 characters; defaultValue (cut the same way) when the file,
    /// the section or the key is missing or the file cannot be read, or the path names no regular file (a FIFO or a
    /// device reads as missing, without waiting). Never creates the file.
    static QString GetString(const QString& section, const QString& key, const QString& defaultValue, int bufferSize,
                             const QString& fileName);

    /// Stores key=value in section, creating the file (mode 0600, CRLF line ends), the section or the key when
    /// missing and replacing the first matching key otherwise. Every other line is kept byte for byte, and added
    /// lines follow the file's line ends. The file is replaced atomically, keeping its permissions, so a failure
    /// leaves it as it was. Returns false when the write is refused: the folder or file is not writable, the path
    /// names something other than a regular file, or a name or the value cannot be stored (see CanStore).
    static bool WriteString(const QString& section, const QString& key, const QString& value, const QString& fileName);

    /// Whether WriteString can store value so that it reads back as written: no line break, and only characters
    /// that Windows-1252 has.
    static bool CanStore(const QString& value);
};
