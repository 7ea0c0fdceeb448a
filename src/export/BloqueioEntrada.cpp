#include "export/BloqueioEntrada.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

int instancias = 0;

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
    ++instancias;
    QCoreApplication::instance()->installEventFilter(this);
}

TBloqueioEntrada::~TBloqueioEntrada() {
    --instancias;
}

bool TBloqueioEntrada::Ativo() {
    return instancias > 0;
}

bool TBloqueioEntrada::eventFilter(QObject* AObjeto, QEvent* AEvento) {
    if ((AObjeto->isWidgetType() || AObjeto->isWindowType()) && EhEntrada(AEvento->type())) {
        // Input counts as consumed, so nothing passes it on to a parent; a close request counts as refused.
        AEvento->setAccepted(AEvento->type() != QEvent::Close);
        return true;
    }
    return QObject::eventFilter(AObjeto, AEvento);
}
