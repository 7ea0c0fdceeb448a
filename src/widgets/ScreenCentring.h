#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

/// Keeps a top-level window centred, frame included, each time it is shown: on the primary screen, or over the
/// program's main window (over the window's own screen while no main window is shown). Before the window manager has
/// framed the window its frame is not known: the frame last seen on one of the program's windows stands in for it,
/// and once the real frame is known a difference moves the window once more. Without a window manager the frame is
/// empty. UI thread only.
class ScreenCentring : public QObject {
    Q_OBJECT
public:
    enum class TOver { Screen, MainWindow };

    /// Centres AWindow from its next showing on; owned by it.
    static void Install(QWidget& AWindow, TOver AOver = TOver::Screen);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    ScreenCentring(QWidget& AWindow, TOver AOver);
    /// What the window's frame is centred on; empty when there is nothing to centre on.
    QRect Area() const;
    void Centre(const QMargins& AFrame);

    QWidget& Window;
    const TOver Over;
    QMargins Used; ///< the frame the last centring counted with
};
