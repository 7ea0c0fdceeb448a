#include "widgets/TDatePicker.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

/// The highest value a section takes, and how many digits complete it.
struct SectionShape {
    int Max;
    int Digits;
};

SectionShape ShapeOf(QDateTimeEdit::Section ASection) {
    switch (ASection) {
    case QDateTimeEdit::DaySection:
        return {31, 2};
    case QDateTimeEdit::MonthSection:
        return {12, 2};
    default:
        return {9999, 4};
    }
}

QDate WithDay(int AYear, int AMonth, int ADay) {
    return {AYear, AMonth, qMin(ADay, QDate(AYear, AMonth, 1).daysInMonth())};
}

/// The runs of digits of a date's text, as start and length: one a section.
QList<QPair<int, int>> DigitRuns(const QString& AText) {
    QList<QPair<int, int>> runs;
    for (int i = 0; i < AText.size(); ++i) {
        if (AText.at(i).isDigit() && (i == 0 || !AText.at(i - 1).isDigit())) {
            runs.append({i, 0});
        }
        if (AText.at(i).isDigit()) {
            ++runs.last().second;
        }
    }
    return runs;
}

} // namespace

TDatePicker::TDatePicker(QWidget* AParent) : QDateEdit(AParent) {
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    // The text changes only through the keys below: nothing can be pasted, cut or deleted into a non-date.
    lineEdit()->setReadOnly(true);
    lineEdit()->installEventFilter(this);
}

bool TDatePicker::focusNextPrevChild(bool ANext) {
    // QDateTimeEdit would spend Tab on its own sections.
    return QWidget::focusNextPrevChild(ANext);
}

void TDatePicker::focusInEvent(QFocusEvent* AEvent) {
    QDateEdit::focusInEvent(AEvent);
    // Whichever way the focus came, the section last selected is selected again.
    Typed.clear();
    TypedDay = 0;
    SelectSection(Active);
}

void TDatePicker::focusOutEvent(QFocusEvent* AEvent) {
    // Also when the drop-down calendar takes the focus: it opens at the date shown.
    Confirmar();
    QDateEdit::focusOutEvent(AEvent);
}

void TDatePicker::Confirmar() {
    Typed.clear();
    const bool pending = PendingDay() != 0;
    TypedDay = 0;
    if (pending) {
        // The date held stays; setDate redraws its text all the same.
        setDate(date());
        if (hasFocus()) {
            SelectSection(Active);
        }
    }
}

int TDatePicker::PendingDay() const {
    return TypedDay > date().daysInMonth() ? TypedDay : 0;
}

QString TDatePicker::textFromDateTime(const QDateTime& ADateTime) const {
    QString text = QDateEdit::textFromDateTime(ADateTime);
    const int day = PendingDay();
    if (day == 0 || ADateTime.date() != date()) {
        return text;
    }
    int index = 0;
    while (index < sectionCount() && sectionAt(index) != DaySection) {
        ++index;
    }
    // Days past a month's end and a month's last day both have two digits.
    const QList<QPair<int, int>> runs = DigitRuns(text);
    if (index < runs.size() && runs.at(index).second == 2) {
        text.replace(runs.at(index).first, 2, QString::number(day));
    }
    return text;
}

QValidator::State TDatePicker::validate(QString& AInput, int& APos) const {
    // The edit box checks every text it is given; this one is no date, and the parser would cut its day.
    if (PendingDay() != 0 && AInput == textFromDateTime(dateTime())) {
        return QValidator::Acceptable;
    }
    return QDateEdit::validate(AInput, APos);
}

void TDatePicker::SelectSection(int AIndex) {
    Active = qBound(0, AIndex, sectionCount() - 1);
    setCurrentSectionIndex(Active);
    setSelectedSection(sectionAt(Active));
}

int TDatePicker::SectionAtCursor(int APosition) const {
    // Sections are the runs of digits of the text; the caret belongs to the run it touches.
    const QList<QPair<int, int>> runs = DigitRuns(lineEdit()->text());
    for (int index = 0; index < runs.size(); ++index) {
        if (APosition <= runs.at(index).first + runs.at(index).second) {
            return index;
        }
    }
    return sectionCount() - 1;
}

bool TDatePicker::SetSectionValue(int AValue, int ATypedDay) {
    const QDate current = date();
    const int day = ATypedDay != 0 ? ATypedDay : current.day();
    QDate wanted;
    switch (sectionAt(Active)) {
    case DaySection:
        wanted = WithDay(current.year(), current.month(), AValue);
        break;
    case MonthSection:
        wanted = WithDay(current.year(), AValue, day);
        break;
    default:
        wanted = WithDay(AValue, current.month(), day);
        break;
    }
    if (!wanted.isValid() || wanted < minimumDate() || wanted > maximumDate()) {
        return false;
    }
    TypedDay = ATypedDay;
    setDate(wanted);
    SelectSection(Active);
    return true;
}

void TDatePicker::TypeDigit(int ADigit) {
    const SectionShape shape = ShapeOf(sectionAt(Active));
    Typed += QChar(u'0' + ADigit);
    int value = Typed.toInt();
    const bool year = sectionAt(Active) == YearSection;
    if (!year && value > shape.Max) {
        // Too big with the digits before it: the digit starts a new entry.
        Typed = QChar(u'0' + ADigit);
        value = ADigit;
    }
    if (year && Typed.size() <= 2) {
        value += value < 50 ? 2000 : 1900;
    }
    if (value >= 1) {
        // Operators type the day first: it is kept for the month and year that follow it.
        SetSectionValue(value, sectionAt(Active) == DaySection ? value : TypedDay);
    }
    // Complete when no further digit could follow.
    if (Typed.size() >= shape.Digits || (!year && value * 10 > shape.Max) || (!year && Typed.size() == 2)) {
        Typed.clear();
    }
}

void TDatePicker::Step(int ADelta) {
    // Steps start from the date held, not from a typed day that waits for its month.
    Typed.clear();
    TypedDay = 0;
    const QDate current = date();
    switch (sectionAt(Active)) {
    case DaySection: {
        const int days = current.daysInMonth();
        SetSectionValue((current.day() - 1 + ADelta + days) % days + 1, 0);
        break;
    }
    case MonthSection:
        SetSectionValue((current.month() - 1 + ADelta + 12) % 12 + 1, 0);
        break;
    default:
        SetSectionValue(current.year() + ADelta, 0);
        break;
    }
}

void TDatePicker::keyPressEvent(QKeyEvent* AEvent) {
    const Qt::KeyboardModifiers modifiers =
        AEvent->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const QString text = AEvent->text();
    if (modifiers == Qt::NoModifier && text.size() == 1 && text.at(0).isDigit()) {
        TypeDigit(text.at(0).digitValue());
        return;
    }
    switch (AEvent->key()) {
    case Qt::Key_Slash:
    case Qt::Key_Right:
        Typed.clear();
        SelectSection(Active + 1);
        return;
    case Qt::Key_Left:
        Typed.clear();
        SelectSection(Active - 1);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (modifiers & Qt::AltModifier) {
            break; // opens the calendar
        }
        Step(AEvent->key() == Qt::Key_Up ? 1 : -1);
        return;
    case Qt::Key_F4:
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // For the window's default and cancel buttons.
        Typed.clear();
        AEvent->ignore();
        return;
    default:
        // Nothing else edits the text.
        AEvent->accept();
        return;
    }
    QDateEdit::keyPressEvent(AEvent);
}

void TDatePicker::stepBy(int ASteps) {
    // Alt+Up and Alt+Down step here, from the date held.
    Typed.clear();
    TypedDay = 0;
    QDateEdit::stepBy(ASteps);
}

void TDatePicker::wheelEvent(QWheelEvent* AEvent) {
    const int notches = AEvent->angleDelta().y() / 120;
    if (notches != 0 && hasFocus()) {
        Step(notches);
    }
    AEvent->accept();
}

bool TDatePicker::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == lineEdit()) {
        switch (AEvent->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(AEvent);
            if (mouse->button() != Qt::LeftButton) {
                break;
            }
            // A click selects the whole section under it; it never places a caret inside one.
            Active = SectionAtCursor(lineEdit()->cursorPositionAt(mouse->position().toPoint()));
            Typed.clear();
            if (!hasFocus()) {
                setFocus(Qt::MouseFocusReason);
            }
            SelectSection(Active);
            return true;
        }
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(AEvent)->buttons() & Qt::LeftButton ||
                static_cast<QMouseEvent*>(AEvent)->button() == Qt::LeftButton) {
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDateEdit::eventFilter(AWatched, AEvent);
}
