#include "widgets/ScreenCentring.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace {

/// The frame of the last of the program's windows whose frame was seen; the window manager frames them alike.
std::optional<QMargins> lastFrame;

/// The best guess of a window's frame before it is on screen.
QMargins ExpectedFrame(const QWidget& AWindow) {
    if (lastFrame) {
        return *lastFrame;
    }
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &AWindow && other->isVisible() && other->windowHandle() != nullptr) {
            return other->windowHandle()->frameMargins();
        }
    }
    return {};
}

} // namespace

ScreenCentring::ScreenCentring(QWidget& AWindow, TOver AOver) : QObject(&AWindow), Window(AWindow), Over(AOver) {
    AWindow.installEventFilter(this);
}

void ScreenCentring::Install(QWidget& AWindow, TOver AOver) {
    new ScreenCentring(AWindow, AOver);
}

bool ScreenCentring::eventFilter(QObject* AWatched, QEvent* AEvent) {
    const QEvent::Type type = AEvent->type();
    if (AWatched == &Window && type == QEvent::Show) {
        Centre(ExpectedFrame(Window));
    } else if (AWatched == &Window && (type == QEvent::Move || type == QEvent::WindowActivate) &&
               Window.windowHandle() != nullptr) {
        // Framing does not move the client area, but the window manager activates the window it has framed. An
        // empty frame is one not drawn yet; an operator's move leaves the frame as it was.
        const QMargins frame = Window.windowHandle()->frameMargins();
        if (!frame.isNull() && frame != Used) {
            lastFrame = frame;
            Centre(frame);
        }
    }
    return QObject::eventFilter(AWatched, AEvent);
}

QRect ScreenCentring::Area() const {
    if (Over == TOver::MainWindow) {
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<const QMainWindow*>(widget) != nullptr && widget->isVisible()) {
                return widget->frameGeometry();
            }
        }
        return Window.screen() != nullptr ? Window.screen()->availableGeometry() : QRect();
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

void ScreenCentring::Centre(const QMargins& AFrame) {
    const QRect area = Area();
    if (area.isEmpty()) {
        return;
    }
    Used = AFrame;
    QRect frame(QPoint(), Window.size().grownBy(AFrame));
    frame.moveCenter(area.center());
    // The client area's place, which the window manager keeps when it frames the window.
    Window.setGeometry(QRect(frame.topLeft() + QPoint(AFrame.left(), AFrame.top()), Window.size()));
}
