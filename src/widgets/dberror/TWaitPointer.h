#pragma once

#include "data/IDbActivityListener.h"

#include <QCursor>
#include <QObject>
#include <QTimer>

#include <optional>

/// The database-wait pointer: an hourglass over "SQL", shown over all of the program's windows while the data access
/// layer works. The arrow comes back only once 50 ms have passed without database work, so statements that follow
/// one another closely do not make the pointer flicker. Time comes from TClock::instance(). UI thread only.
class TWaitPointer : public QObject, public IDbActivityListener {
    Q_OBJECT
public:
    static constexpr int RestoreDelayMs = 50;

    explicit TWaitPointer(QObject* AParent = nullptr);
    /// Gives the pointer back when it is still shown.
    ~TWaitPointer() override;

    /// Cancels a pending restore and shows the wait pointer unless it is shown already.
    void OperationBegins() override;
    /// Notes the time and (re)starts the restore timer.
    void OperationEnds() override;

    bool Shown() const { return IsShown; }
    bool RestorePending() const { return RestoreTimer.isActive(); }

    /// The pointer itself, drawn on first use.
    const QCursor& Cursor();

public slots:
    /// The restore timer's tick: brings the arrow back once RestoreDelayMs have passed since the last end.
    void RestoreTimerTick();

private:
    void Restore();

    std::optional<QCursor> DrawnCursor;
    QTimer RestoreTimer;
    qint64 EndedAtMs = 0;
    bool IsShown = false;
};
