#include "widgets/TBloqueioEntrada.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

namespace {

bool EhEntrada(QEvent::Type ATipo) {
    switch (ATipo) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

TBloqueioEntrada::TBloqueioEntrada() {
    QCoreApplication::instance()->installEventFilter(this);
}

// Destroying the filter object removes it from the application.
TBloqueioEntrada::~TBloqueioEntrada() = default;

bool TBloqueioEntrada::eventFilter(QObject* AWatched, QEvent* AEvent) {
    // A modal window that comes up meanwhile (an error shown while painting, say) must stay answerable; the
    // toolkit's modality already keeps every other window from input while it is up.
    if (QGuiApplication::modalWindow() != nullptr) {
        return QObject::eventFilter(AWatched, AEvent);
    }
    if ((AWatched->isWidgetType() || AWatched->isWindowType()) && EhEntrada(AEvent->type())) {
        // Input counts as consumed, so nothing passes it on to a parent; a close request counts as refused.
        AEvent->setAccepted(AEvent->type() != QEvent::Close);
        return true;
    }
    return QObject::eventFilter(AWatched, AEvent);
}
