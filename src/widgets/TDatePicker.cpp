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
    SelectSection(Active);
}

void TDatePicker::focusOutEvent(QFocusEvent* AEvent) {
    Typed.clear();
    QDateEdit::focusOutEvent(AEvent);
}

void TDatePicker::SelectSection(int AIndex) {
    Active = qBound(0, AIndex, sectionCount() - 1);
    setCurrentSectionIndex(Active);
    setSelectedSection(sectionAt(Active));
}

int TDatePicker::SectionAtCursor(int APosition) const {
    // Sections are the runs of digits of the text; the caret belongs to the run it touches.
    const QString text = lineEdit()->text();
    int index = 0;
    for (int i = 0; i < text.size(); ++i) {
        const bool endOfRun = text.at(i).isDigit() && (i + 1 == text.size() || !text.at(i + 1).isDigit());
        if (endOfRun) {
            if (APosition <= i + 1) {
                return index;
            }
            ++index;
        }
    }
    return sectionCount() - 1;
}

bool TDatePicker::SetSectionValue(int AValue) {
    const QDate current = date();
    QDate wanted;
    switch (sectionAt(Active)) {
    case DaySection:
        wanted = WithDay(current.year(), current.month(), AValue);
        break;
    case MonthSection:
        wanted = WithDay(current.year(), AValue, current.day());
        break;
    default:
        wanted = WithDay(AValue, current.month(), current.day());
        break;
    }
    if (!wanted.isValid() || wanted < minimumDate() || wanted > maximumDate()) {
        return false;
    }
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
        SetSectionValue(value);
    }
    // Complete when no further digit could follow.
    if (Typed.size() >= shape.Digits || (!year && value * 10 > shape.Max) || (!year && Typed.size() == 2)) {
        Typed.clear();
    }
}

void TDatePicker::Step(int ADelta) {
    Typed.clear();
    const QDate current = date();
    switch (sectionAt(Active)) {
    case DaySection: {
        const int days = current.daysInMonth();
        SetSectionValue((current.day() - 1 + ADelta + days) % days + 1);
        break;
    }
    case MonthSection:
        SetSectionValue((current.month() - 1 + ADelta + 12) % 12 + 1);
        break;
    default:
        SetSectionValue(current.year() + ADelta);
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
