#include "retail/DataMovimento.h"

#include <QLocale>

QChar SeparadorDaMascara(QStringView AFormatoCurto) {
    for (const QChar C : AFormatoCurto) {
        if (!C.isLetter() && C != u'\'' && C != u'"' && !C.isSpace())
            return C;
    }
    return u'/';
}

QChar SeparadorDataSistema() {
    return SeparadorDaMascara(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString FormatarDataMovimento(const QDate& AData, QChar ASeparador) {
    const auto Digitos = [](int AValor, int ALargura) {
        return QStringLiteral("%1").arg(AValor, ALargura, 10, QLatin1Char('0'));
    };
    const QString Separador(ASeparador);
    return Digitos(AData.day(), 2) + Separador + Digitos(AData.month(), 2) + Separador + Digitos(AData.year(), 4);
}
