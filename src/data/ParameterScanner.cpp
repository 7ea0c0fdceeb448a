#include "data/ParameterScanner.h"

namespace {

bool IsNameChar(QChar AChar) {
    return AChar.isLetterOrNumber() || AChar == u'_';
}

/// Index just past the end of a quoted part that starts at AStart with AOpen; doubled closers are escapes.
qsizetype SkipQuoted(const QString& ASql, qsizetype AStart, QChar AClose) {
    qsizetype i = AStart + 1;
    while (i < ASql.size()) {
        if (ASql[i] == AClose) {
            if (i + 1 < ASql.size() && ASql[i + 1] == AClose) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return ASql.size();
}

} // namespace

ParameterScanner::ParameterScanner(const QString& ASql) {
    Positional.reserve(ASql.size());
    const qsizetype n = ASql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = ASql[i];
        qsizetype end = i + 1;
        if (c == u'\'') {
            end = SkipQuoted(ASql, i, u'\'');
        } else if (c == u'"') {
            end = SkipQuoted(ASql, i, u'"');
        } else if (c == u'[') {
            end = SkipQuoted(ASql, i, u']');
        } else if (c == u'-' && i + 1 < n && ASql[i + 1] == u'-') {
            end = ASql.indexOf(u'\n', i);
            end = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && ASql[i + 1] == u'*') {
            end = ASql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if (c == u':' && i + 1 < n && ASql[i + 1] == u':') {
            end = i + 2;
        } else if (c == u':' && i + 1 < n && IsNameChar(ASql[i + 1])) {
            end = i + 1;
            while (end < n && IsNameChar(ASql[end])) {
                ++end;
            }
            AddMarker(ASql.mid(i + 1, end - i - 1));
            Positional += u'?';
            i = end;
            continue;
        }
        Positional += QStringView(ASql).mid(i, end - i);
        i = end;
    }
}

void ParameterScanner::AddMarker(const QString& AName) {
    Names.append(AName);
    qsizetype index = 0;
    while (index < Distinct.size() && Distinct[index].compare(AName, Qt::CaseInsensitive) != 0) {
        ++index;
    }
    if (index == Distinct.size()) {
        Distinct.append(AName);
    }
    Indexes.append(int(index));
}
