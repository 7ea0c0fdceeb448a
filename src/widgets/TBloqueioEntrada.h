#pragma once

#include <QObject>

/// While it lives, the program's windows take no user input: mouse, wheel, keys, shortcuts, touch and close requests
/// are swallowed before any window sees them, while painting, timers and posted work go on. A long command that
/// lets pending events run keeps the operator from changing what it works on, or starting it again, this way.
/// A modal window that comes up meanwhile still takes input. UI thread only.
class TBloqueioEntrada : public QObject {
    Q_OBJECT
public:
    TBloqueioEntrada();
    ~TBloqueioEntrada() override;
    TBloqueioEntrada(const TBloqueioEntrada&) = delete;
    TBloqueioEntrada& operator=(const TBloqueioEntrada&) = delete;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
};
