#pragma once

#include <QMargins>
#include <QObject>

class QWidget;

/// Keeps a top-level window centred on the primary screen, frame included, each time it is shown. Before the window
/// manager has framed the window its frame is not known: the frame last seen on one of the program's windows stands
/// in for it, and once the real frame is known a difference moves the window once more. Without a window manager the
/// frame is empty. UI thread only.
class ScreenCentring : public QObject {
    Q_OBJECT
public:
    /// Centres AWindow from its next showing on; owned by it.
    static void Install(QWidget& AWindow);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    explicit ScreenCentring(QWidget& AWindow);
    void Centre(const QMargins& AFrame);

    QWidget& Window;
    QMargins Used; ///< the frame the last centring counted with
};
