#include "retail/DataMovimento.h"

#include <QLocale>

QChar SeparadorDaMascara(QStringView AFormatoCurto) {
    for (const QChar caractere : AFormatoCurto) {
        if (!caractere.isLetter() && caractere != u'\'' && caractere != u'"' && !caractere.isSpace()) {
            return caractere;
        }
    }
    return u'/';
}

QChar SeparadorDataSistema() {
    return SeparadorDaMascara(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString FormatarDataMovimento(const QDate& AData, QChar ASeparador) {
    const auto digitos = [](int AValor, int ALargura) {
        return QStringLiteral("%1").arg(AValor, ALargura, 10, QLatin1Char('0'));
    };
    const QString separador(ASeparador);
    return digitos(AData.day(), 2) + separador + digitos(AData.month(), 2) + separador + digitos(AData.year(), 4);
}
