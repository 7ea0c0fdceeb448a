#include "widgets/grid/CompiledPattern.h"

#include <array>

namespace {

void AppendNumber(CompiledPattern::Text& AText, int AValue, int AWidth) {
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
        AText.append(digits[std::size_t(--count)]);
    }
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

void CompiledPattern::Append(Text& AText, const Moment& AMoment) const {
    for (const Part& part : Parts) {
        switch (part.Field) {
        case 0:
            AText.append(reinterpret_cast<const char16_t*>(part.Literal.constData()), part.Literal.size());
            break;
        case 'd':
            AppendNumber(AText, AMoment.Day, part.Width);
            break;
        case 'M':
            AppendNumber(AText, AMoment.Month, part.Width);
            break;
        case 'y':
            AppendNumber(AText, part.Width == 2 ? AMoment.Year % 100 : AMoment.Year, part.Width);
            break;
        case 'H':
            AppendNumber(AText, AMoment.Hour, part.Width);
            break;
        case 'm':
            AppendNumber(AText, AMoment.Minute, part.Width);
            break;
        default:
            AppendNumber(AText, AMoment.Second, part.Width);
            break;
        }
    }
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
    return true;
}

void CompiledPattern::AddLiteral(QStringView AText) {
    if (Parts.empty() || Parts.back().Field != 0) {
        Parts.push_back({});
    }
    Parts.back().Literal += AText;
}
