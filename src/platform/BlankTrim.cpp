#include "platform/BlankTrim.h"

#include <algorithm>

namespace BlankTrim {

namespace {

bool Blank(QChar ACharacter) {
    return ACharacter.unicode() <= 0x20;
}

} // namespace

QString Trimmed(const QString& ATexto) {
    qsizetype first = 0;
    qsizetype end = ATexto.size();
    while (first < end && Blank(ATexto.at(first))) {
        ++first;
    }
    while (end > first && Blank(ATexto.at(end - 1))) {
        --end;
    }
    return ATexto.mid(first, end - first);
}

bool IsBlank(const QString& ATexto) {
    return std::all_of(ATexto.cbegin(), ATexto.cend(), Blank);
}

} // namespace BlankTrim
