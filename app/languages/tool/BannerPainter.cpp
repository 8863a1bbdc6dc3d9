#include "BannerPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

void paintDisc(QPainter& painter, QPointF centre, qreal radius)
{
    QRadialGradient silver(centre, radius, centre - QPointF(radius / 3, radius / 3));
    silver.setColorAt(0.0, QColor(250, 252, 255));
    silver.setColorAt(0.6, QColor(190, 200, 215));
    silver.setColorAt(1.0, QColor(140, 150, 170));
    painter.setPen(QPen(QColor(60, 70, 90), 1));
    painter.setBrush(silver);
    painter.drawEllipse(centre, radius, radius);

    // A rainbow sheen, as a recordable disc shows it.
    QConicalGradient sheen(centre, 30);
    sheen.setColorAt(0.00, QColor(255, 120, 120, 70));
    sheen.setColorAt(0.25, QColor(255, 240, 120, 70));
    sheen.setColorAt(0.50, QColor(120, 255, 160, 70));
    sheen.setColorAt(0.75, QColor(120, 160, 255, 70));
    sheen.setColorAt(1.00, QColor(255, 120, 120, 70));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sheen);
    painter.drawEllipse(centre, radius - 1, radius - 1);

    // Scratches.
    painter.setPen(QPen(QColor(90, 90, 110, 200), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(centre.x() - radius * 0.8, centre.y() - radius * 0.8, radius * 1.6, radius * 1.6),
                    200 * 16, 50 * 16);
    painter.drawArc(QRectF(centre.x() - radius * 0.6, centre.y() - radius * 0.6, radius * 1.2, radius * 1.2),
                    10 * 16, 35 * 16);
    painter.drawLine(centre + QPointF(radius * 0.2, radius * 0.45),
                     centre + QPointF(radius * 0.7, radius * 0.1));

    // The hole.
    painter.setPen(QPen(QColor(60, 70, 90), 1));
    painter.setBrush(QColor(20, 40, 80));
    painter.drawEllipse(centre, radius * 0.18, radius * 0.18);
}

void paintFile(QPainter& painter, QRectF box)
{
    const qreal fold = box.width() * 0.35;
    QPainterPath page;
    page.moveTo(box.topLeft());
    page.lineTo(box.right() - fold, box.top());
    page.lineTo(box.right(), box.top() + fold);
    page.lineTo(box.bottomRight());
    page.lineTo(box.bottomLeft());
    page.closeSubpath();
    painter.setPen(QPen(QColor(30, 90, 40), 1.2));
    painter.setBrush(QColor(235, 255, 235));
    painter.drawPath(page);
    painter.setPen(QPen(QColor(120, 170, 120), 1));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = box.top() + fold + i * (box.height() - fold) / 4.5;
        painter.drawLine(QPointF(box.left() + 3, y), QPointF(box.right() - 3, y));
    }
    // The tick that says it came through.
    painter.setPen(QPen(QColor(20, 160, 60), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.2, box.bottom() - box.height() * 0.28);
    tick.lineTo(box.left() + box.width() * 0.42, box.bottom() - box.height() * 0.1);
    tick.lineTo(box.right() + 2, box.top() + box.height() * 0.2);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

} // namespace

QImage BannerPainter::paint(const QString& line)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, Width, Height);
    sky.setColorAt(0.0, QColor(8, 30, 78));
    sky.setColorAt(1.0, QColor(28, 96, 170));
    painter.fillRect(image.rect(), sky);

    paintDisc(painter, QPointF(32, 30), 24);
    // The rescued file leaves the disc along a dotted trail.
    painter.setPen(QPen(QColor(160, 220, 255), 1.5, Qt::DotLine));
    painter.drawLine(QPointF(52, 22), QPointF(64, 16));
    paintFile(painter, QRectF(66, 8, 22, 28));

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(22);
    name.setBold(true);
    painter.setFont(name);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(100, 27), QStringLiteral("Korvalis"));

    // The line is drawn smaller rather than cut, down to a size still easy to read.
    QFont small(QStringLiteral("DejaVu Sans"));
    const int room = Width - 110;
    for (int size = 12; size >= SmallestLineSize; --size) {
        small.setPixelSize(size);
        if (QFontMetrics(small).horizontalAdvance(line) <= room)
            break;
    }
    painter.setFont(small);
    painter.setPen(QColor(200, 225, 255));
    const QFontMetrics metrics(small);
    painter.drawText(QPointF(100, 47), metrics.elidedText(line, Qt::ElideRight, room));
    painter.end();
    return image;
}

bool BannerPainter::lineFits(const QString& line)
{
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(SmallestLineSize);
    return QFontMetrics(small).horizontalAdvance(line) <= Width - 110;
}
