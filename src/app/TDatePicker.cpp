#include "app/TDatePicker.h"

#include <QLocale>

TDatePicker::TDatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
}

bool TDatePicker::focusNextPrevChild(bool next) {
    // QDateTimeEdit would spend Tab on its own sections.
    return QWidget::focusNextPrevChild(next);
}
