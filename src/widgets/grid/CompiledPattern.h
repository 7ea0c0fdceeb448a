#pragma once

#include <QString>
#include <QStringView>

#include <vector>

/// A date or time pattern of the locale made into parts once, so that a cell is formatted by appending digits
/// instead of going through the locale and calendar machinery. Only the plain numeric fields (d, dd, M, MM, yy,
/// yyyy; H, HH, h, hh, m, mm, s, ss) and literal characters are taken; any other pattern is left to the locale.
class CompiledPattern {
public:
    enum class Of { Date, Time };

    CompiledPattern(QStringView APattern, Of AOf);

    /// False when the pattern holds anything but the plain numeric fields and literals.
    bool IsUsable() const { return Usable; }

    /// The fields of one moment; the year between 1 and 9999.
    struct Moment {
        int Year, Month, Day, Hour, Minute, Second;
    };

    /// The most characters Write writes.
    qsizetype MaxLength() const { return Longest; }
    /// Writes the text of AMoment at AOut, which has room for MaxLength() characters; returns the end of the text.
    char16_t* Write(char16_t* AOut, const Moment& AMoment) const;

private:
    struct Part {
        char Field = 0; ///< 0 for literal text
        int Width = 0;  ///< digits at least (zero-padded)
        QString Literal;
    };
    struct FixedField {
        char Field;
        int Width;
        qsizetype Offset; ///< where its digits go in Fixed
    };

    bool AddField(char AField, int ARepeat, Of AOf);
    void AddLiteral(QStringView AText);
    void MakeFixed();

    std::vector<Part> Parts;
    qsizetype Longest = 0;
    bool Usable = false;
    /// For a pattern whose fields all have two digits (four for the year): its text with zeros in the fields, into
    /// which a moment's digits are written at their offsets (the usual numeric patterns: one copy and a few digit
    /// pairs instead of a walk over the parts). Empty for any other pattern.
    std::vector<char16_t> Fixed;
    std::vector<FixedField> FixedFields;
};
