#include "widgets/dberror/DbErrorPicture.h"

#include <QPainter>

QPixmap DbErrorPicture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(3, 5, 20, 22);
    painter.setPen(QPen(QColor(40, 60, 110), 1));
    painter.setBrush(QColor(120, 150, 210));
    painter.drawRect(body);
    painter.drawEllipse(QRectF(body.left(), body.bottom() - 3, body.width(), 6));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(body.left() + 0.5, body.top(), body.width() - 1, body.height()));
    painter.setPen(QPen(QColor(40, 60, 110), 1));
    painter.drawLine(QPointF(body.left(), body.top()), QPointF(body.left(), body.bottom()));
    painter.drawLine(QPointF(body.right(), body.top()), QPointF(body.right(), body.bottom()));
    painter.setBrush(QColor(170, 195, 240));
    painter.drawEllipse(QRectF(body.left(), body.top() - 3, body.width(), 6));
    const QRectF stop(15, 15, 16, 16);
    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(215, 30, 30));
    painter.drawEllipse(stop);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19.5, 19.5), QPointF(26.5, 26.5));
    painter.drawLine(QPointF(26.5, 19.5), QPointF(19.5, 26.5));
    return pixmap;
}
