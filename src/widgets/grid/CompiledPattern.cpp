#include "widgets/grid/CompiledPattern.h"

#include <algorithm>
#include <array>

namespace {

char16_t* WriteNumber(char16_t* AOut, int AValue, int AWidth) {
    std::array<char16_t, 8> digits{};
    int count = 0;
    do {
        digits[std::size_t(count++)] = char16_t(u'0' + AValue % 10);
        AValue /= 10;
    } while (AValue > 0);
    while (count < AWidth) {
        digits[std::size_t(count++)] = u'0';
    }
    while (count > 0) {
        *AOut++ = digits[std::size_t(--count)];
    }
    return AOut;
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
}

char16_t* CompiledPattern::Write(char16_t* AOut, const Moment& AMoment) const {
    for (const Part& part : Parts) {
        switch (part.Field) {
        case 0:
            AOut = std::copy_n(reinterpret_cast<const char16_t*>(part.Literal.constData()), part.Literal.size(), AOut);
            break;
        case 'd':
            AOut = WriteNumber(AOut, AMoment.Day, part.Width);
            break;
        case 'M':
            AOut = WriteNumber(AOut, AMoment.Month, part.Width);
            break;
        case 'y':
            AOut = WriteNumber(AOut, part.Width == 2 ? AMoment.Year % 100 : AMoment.Year, part.Width);
            break;
        case 'H':
            AOut = WriteNumber(AOut, AMoment.Hour, part.Width);
            break;
        case 'm':
            AOut = WriteNumber(AOut, AMoment.Minute, part.Width);
            break;
        default:
            AOut = WriteNumber(AOut, AMoment.Second, part.Width);
            break;
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
