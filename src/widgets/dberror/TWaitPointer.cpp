#include "widgets/dberror/TWaitPointer.h"

#include "platform/TClock.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int CursorSize = 32;

QPixmap drawWaitPointer() {
    QPixmap pixmap(CursorSize, CursorSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // Hourglass: two glass bulbs between a top and a bottom bar, sand running down.
    const QPen outline(Qt::black, 1.2);
    painter.setPen(outline);
    painter.setBrush(Qt::white);
    QPainterPath glass;
    glass.moveTo(9, 3);
    glass.lineTo(23, 3);
    glass.cubicTo(23, 9, 17, 10, 17, 11.5);
    glass.cubicTo(17, 13, 23, 14, 23, 20);
    glass.lineTo(9, 20);
    glass.cubicTo(9, 14, 15, 13, 15, 11.5);
    glass.cubicTo(15, 10, 9, 9, 9, 3);
    painter.drawPath(glass);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 150, 40));
    QPainterPath sand;
    sand.moveTo(12, 6.5);
    sand.lineTo(20, 6.5);
    sand.lineTo(16, 10);
    sand.closeSubpath();
    sand.moveTo(16, 15);
    sand.lineTo(21, 19.5);
    sand.lineTo(11, 19.5);
    sand.closeSubpath();
    painter.drawPath(sand);
    painter.setPen(outline);
    painter.setBrush(QColor(90, 60, 30));
    painter.drawRect(QRectF(7.5, 1, 17, 2.5));
    painter.drawRect(QRectF(7.5, 19.5, 17, 2.5));

    // "SQL" under the glass, white with a dark outline so it reads on any background.
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(9);
    font.setBold(true);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("SQL"));
    const QRectF bounds = text.boundingRect();
    text.translate(16 - bounds.center().x(), 27 - bounds.center().y());
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(text);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(text);
    return pixmap;
}

} // namespace

TWaitPointer::TWaitPointer(QObject* AParent) : QObject(AParent) {
    RestoreTimer.setInterval(RestoreDelayMs);
    connect(&RestoreTimer, &QTimer::timeout, this, &TWaitPointer::RestoreTimerTick);
}

TWaitPointer::~TWaitPointer() {
    Restore();
}

const QCursor& TWaitPointer::Cursor() {
    if (!DrawnCursor) {
        DrawnCursor.emplace(drawWaitPointer(), 16, 11);
    }
    return *DrawnCursor;
}

void TWaitPointer::OperationBegins() {
    RestoreTimer.stop();
    if (IsShown) {
        return;
    }
    QGuiApplication::setOverrideCursor(Cursor());
    IsShown = true;
}

void TWaitPointer::OperationEnds() {
    EndedAtMs = TClock::instance().elapsedMs();
    RestoreTimer.start();
}

void TWaitPointer::RestoreTimerTick() {
    if (TClock::instance().elapsedMs() - EndedAtMs < RestoreDelayMs) {
        return;
    }
    RestoreTimer.stop();
    Restore();
}

void TWaitPointer::Restore() {
    if (IsShown) {
        QGuiApplication::restoreOverrideCursor();
        IsShown = false;
    }
}
