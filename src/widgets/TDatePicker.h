#pragma once

#include <QDateEdit>

/// Drop-down date picker that types as the classic one: the section under the caret (day, month or year) is selected
/// whole when the picker gets the focus or a click; digits replace it (two for day and month, four for the year, or
/// fewer followed by "/" or a move; a two-digit year falls in 1950-2049); Left, Right and "/" move between
/// sections; Up and Down step the section within its range. Every keystroke leaves a valid date, and the text is
/// that date's, but for a typed day that the month cannot hold: it stays shown as typed, over the month's last day
/// that the picker holds meanwhile, so that a month and year typed after it can take it. Leaving the picker, or
/// Confirmar, shows the held day instead. Tab moves to the next control. UI thread only.
class TDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDatePicker(QWidget* AParent = nullptr);

    /// Ends the typing under way, as leaving the picker does; for a command that reads the date without taking the
    /// focus.
    void Confirmar();

protected:
    QString textFromDateTime(const QDateTime& ADateTime) const override;
    QValidator::State validate(QString& AInput, int& APos) const override;
    bool focusNextPrevChild(bool ANext) override;
    void focusInEvent(QFocusEvent* AEvent) override;
    void focusOutEvent(QFocusEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void stepBy(int ASteps) override;
    void wheelEvent(QWheelEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void SelectSection(int AIndex);
    int SectionAtCursor(int APosition) const;
    void TypeDigit(int ADigit);
    void Step(int ADelta);
    /// Sets the active section to AValue when that gives a date in range, with ATypedDay (0: none) as the day typed;
    /// the day held is cut to the month's last.
    bool SetSectionValue(int AValue, int ATypedDay);
    /// The typed day while the held month cannot hold it; 0 otherwise.
    int PendingDay() const;

    int Active = 0;   ///< index of the selected section
    QString Typed;    ///< digits typed into the active section since it was selected
    int TypedDay = 0; ///< the day typed since the picker got the focus; 0 when none
};
