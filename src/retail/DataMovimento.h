#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <QStringView>

/// The date separator of a short date format: its first character that is neither a format letter nor a quote;
/// "/" when it has none.
QChar SeparadorDaMascara(QStringView AFormatoCurto);

/// The date separator of the system's regional settings (from the system locale's short date format).
QChar SeparadorDataSistema();

/// The day as "dd/mm/yyyy" with each "/" replaced by ASeparador: 25/04/2016, or 25-04-2016 for "-".
QString FormatarDataMovimento(const QDate& AData, QChar ASeparador);
