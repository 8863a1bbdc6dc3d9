#include "FlagPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace FlagPainter {

namespace {

void drawUnion(QPainter& p, const QRectF& r)
{
    p.fillRect(r, QColor(1, 33, 105));
    const double w = r.width();
    const double h = r.height();
    p.setClipRect(r);
    p.setPen(QPen(Qt::white, h / 5));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topRight());
    p.setPen(QPen(QColor(200, 16, 46), h / 15));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topRight());
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(r.left() + w * 0.4, r.top(), w * 0.2, h), Qt::white);
    p.fillRect(QRectF(r.left(), r.top() + h / 3, w, h / 3), Qt::white);
    p.fillRect(QRectF(r.left() + w * 0.44, r.top(), w * 0.12, h), QColor(200, 16, 46));
    p.fillRect(QRectF(r.left(), r.top() + h * 0.4, w, h * 0.2), QColor(200, 16, 46));
    p.setClipping(false);
}

void drawStripes(QPainter& p, const QRectF& r, const QList<QColor>& colours, const QList<double>& shares,
                 bool vertical)
{
    double at = 0;
    for (qsizetype i = 0; i < colours.size(); ++i) {
        const double part = shares[i];
        if (vertical)
            p.fillRect(QRectF(r.left() + r.width() * at, r.top(), r.width() * part + 0.5, r.height()),
                       colours[i]);
        else
            p.fillRect(QRectF(r.left(), r.top() + r.height() * at, r.width(), r.height() * part + 0.5),
                       colours[i]);
        at += part;
    }
}

} // namespace

QPixmap flag(int language, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    switch (language) {
    case 1:
        drawUnion(p, r);
        break;
    case 2:
        drawStripes(p, r, {Qt::white, QColor(0, 57, 166), QColor(213, 43, 30)}, {1.0 / 3, 1.0 / 3, 1.0 / 3},
                    false);
        break;
    case 3:
        drawStripes(p, r, {QColor(0, 35, 149), Qt::white, QColor(237, 41, 57)}, {1.0 / 3, 1.0 / 3, 1.0 / 3},
                    true);
        break;
    case 4:
        drawStripes(p, r, {QColor(170, 21, 27), QColor(241, 191, 0), QColor(170, 21, 27)}, {0.25, 0.5, 0.25},
                    false);
        break;
    default:
        break;
    }
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    return pixmap;
}

QPixmap marker(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    QPolygonF arrow;
    arrow << QPointF(w / 2, 0) << QPointF(w, h) << QPointF(0, h);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 150));
    p.drawPolygon(arrow);
    return pixmap;
}

} // namespace FlagPainter
