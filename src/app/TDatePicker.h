#pragma once

#include <QDateEdit>

/// Drop-down date picker: calendar popup, the locale's short date format, and Tab moving to the next control (the
/// arrow keys move between day, month and year).
class TDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDatePicker(QWidget* parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override;
};
