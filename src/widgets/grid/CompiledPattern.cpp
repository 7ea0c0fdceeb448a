#include "widgets/grid/CompiledPattern.h"

#include <algorithm>

namespace {

int FieldValue(char AField, int AWidth, const CompiledPattern::Moment& AMoment) {
    switch (AField) {
    case 'd':
        return AMoment.Day;
    case 'M':
        return AMoment.Month;
    case 'y':
        return AWidth == 2 ? AMoment.Year % 100 : AMoment.Year;
    case 'H':
        return AMoment.Hour;
    case 'm':
        return AMoment.Minute;
    default:
        return AMoment.Second;
    }
}

char16_t* WriteNumber(char16_t* AOut, int AValue, int AWidth) {
    int count = 1;
    for (int rest = AValue / 10; rest > 0; rest /= 10) {
        ++count;
    }
    // Written backwards from the end, then padded with zeros up to the width.
    char16_t* const end = AOut + std::max(count, AWidth);
    char16_t* digit = end;
    do {
        *--digit = char16_t(u'0' + AValue % 10);
        AValue /= 10;
    } while (AValue > 0);
    std::fill(AOut, digit, u'0');
    return end;
}

/// Two digits of AValue (0 to 99).
void WritePair(char16_t* AOut, int AValue) {
    AOut[0] = char16_t(u'0' + AValue / 10);
    AOut[1] = char16_t(u'0' + AValue % 10);
}

} // namespace

CompiledPattern::CompiledPattern(QStringView APattern, Of AOf) {
    for (qsizetype i = 0; i < APattern.size();) {
        const QChar c = APattern[i];
        qsizetype repeat = 1;
        while (i + repeat < APattern.size() && APattern[i + repeat] == c) {
            ++repeat;
        }
        if (c == QLatin1Char('\'') || (c.isLetter() && !AddField(c.toLatin1(), int(repeat), AOf))) {
            return; // quoted text, names, AM/PM, zones, milliseconds: the locale formats these
        }
        if (!c.isLetter()) {
            AddLiteral(APattern.mid(i, repeat));
        }
        i += repeat;
    }
    Usable = true;
    MakeFixed();
}

char16_t* CompiledPattern::Write(char16_t* AOut, const Moment& AMoment) const {
    if (!Fixed.empty()) {
        std::copy(Fixed.begin(), Fixed.end(), AOut);
        for (const FixedField& field : FixedFields) {
            const int value = FieldValue(field.Field, field.Width, AMoment);
            char16_t* at = AOut + field.Offset;
            if (field.Width == 4) {
                WritePair(at, value / 100);
                WritePair(at + 2, value % 100);
            } else {
                WritePair(at, value);
            }
        }
        return AOut + Fixed.size();
    }
    for (const Part& part : Parts) {
        if (part.Field == 0) {
            AOut = std::copy_n(reinterpret_cast<const char16_t*>(part.Literal.constData()), part.Literal.size(), AOut);
        } else {
            AOut = WriteNumber(AOut, FieldValue(part.Field, part.Width, AMoment), part.Width);
        }
    }
    return AOut;
}

bool CompiledPattern::AddField(char AField, int ARepeat, Of AOf) {
    const bool date = AField == 'd' || AField == 'M' || AField == 'y';
    const bool time = AField == 'h' || AField == 'H' || AField == 'm' || AField == 's';
    if ((AOf == Of::Date && !date) || (AOf == Of::Time && !time)) {
        return false;
    }
    if (AField == 'y' ? ARepeat != 2 && ARepeat != 4 : ARepeat > 2) {
        return false;
    }
    // Without AM/PM (refused above) "h" is the 24-hour clock as well.
    Parts.push_back({AField == 'h' ? 'H' : AField, ARepeat, {}});
    // Years up to 9999, the other fields up to 59.
    Longest += qMax(ARepeat, AField == 'y' ? 4 : 2);
    return true;
}

void CompiledPattern::AddLiteral(QStringView AText) {
    if (Parts.empty() || Parts.back().Field != 0) {
        Parts.push_back({});
    }
    Parts.back().Literal += AText;
    Longest += AText.size();
}

void CompiledPattern::MakeFixed() {
    const bool fixed = std::all_of(Parts.begin(), Parts.end(), [](const Part& APart) {
        return APart.Field == 0 || APart.Width == 2 || (APart.Field == 'y' && APart.Width == 4);
    });
    if (!fixed) {
        return;
    }
    for (const Part& part : Parts) {
        if (part.Field == 0) {
            const auto* text = reinterpret_cast<const char16_t*>(part.Literal.constData());
            Fixed.insert(Fixed.end(), text, text + part.Literal.size());
        } else {
            FixedFields.push_back({part.Field, part.Width, qsizetype(Fixed.size())});
            Fixed.insert(Fixed.end(), std::size_t(part.Width), u'0');
        }
    }
}
