#include "DrivePictures.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace DrivePictures {

namespace {

const QColor Outline(60, 64, 72);

// The body shared by the disk-like pictures: a rounded box with a lit top.
void drawBox(QPainter& p, const QRectF& box, const QColor& face)
{
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0, face.lighter(135));
    shade.setColorAt(1, face.darker(115));
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(shade);
    p.drawRoundedRect(box, 5, 5);
}

void drawLed(QPainter& p, const QPointF& at, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at, 2.5, 2.5);
}

void drawUnknown(QPainter& p)
{
    drawBox(p, QRectF(8, 22, 48, 24), QColor(150, 150, 150));
    QFont f = p.font();
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 22, 48, 24), Qt::AlignCenter, QStringLiteral("?"));
}

void drawRemovable(QPainter& p)
{
    // A flash stick: plug on the left, body on the right.
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(6, 26, 14, 12));
    p.setBrush(Outline);
    p.drawRect(QRectF(9, 29, 3, 2));
    p.drawRect(QRectF(14, 29, 3, 2));
    drawBox(p, QRectF(19, 20, 39, 24), QColor(40, 110, 200));
    drawLed(p, QPointF(52, 26), QColor(255, 200, 40));
}

void drawFixed(QPainter& p)
{
    drawBox(p, QRectF(6, 20, 52, 26), QColor(120, 128, 140));
    p.setPen(QPen(Outline, 1));
    p.drawLine(QPointF(10, 38), QPointF(40, 38));
    drawLed(p, QPointF(50, 38), QColor(60, 220, 80));
}

void drawNetwork(QPainter& p)
{
    drawBox(p, QRectF(8, 8, 48, 24), QColor(120, 128, 140));
    drawLed(p, QPointF(48, 26), QColor(60, 220, 80));
    p.setPen(QPen(Outline, 3));
    p.drawLine(QPointF(32, 32), QPointF(32, 48));
    p.drawLine(QPointF(10, 52), QPointF(54, 52));
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(90, 170, 90));
    p.drawRect(QRectF(26, 46, 12, 10));
}

void drawOptical(QPainter& p)
{
    const QPointF c(32, 32);
    QConicalGradient shine(c, 30);
    shine.setColorAt(0.0, QColor(230, 230, 240));
    shine.setColorAt(0.25, QColor(180, 200, 255));
    shine.setColorAt(0.5, QColor(240, 220, 190));
    shine.setColorAt(0.75, QColor(190, 240, 210));
    shine.setColorAt(1.0, QColor(230, 230, 240));
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(shine);
    p.drawEllipse(c, 27, 27);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 8, 8);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 3, 3);
}

void drawRamDisk(QPainter& p)
{
    // A memory module with its chips and contact teeth.
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(40, 140, 80));
    p.drawRect(QRectF(4, 20, 56, 22));
    p.setBrush(QColor(30, 30, 35));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(8 + i * 13, 24, 9, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 180, 60));
    for (int i = 0; i < 12; ++i)
        p.drawRect(QRectF(6 + i * 4.5, 42, 3, 5));
}

QPixmap draw(int number)
{
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (number) {
    case 1:
        drawUnknown(p);
        break;
    case 2:
        drawRemovable(p);
        break;
    case 3:
        drawFixed(p);
        break;
    case 4:
        drawNetwork(p);
        break;
    case 5:
        drawOptical(p);
        break;
    default:
        drawRamDisk(p);
        break;
    }
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

const QList<QPixmap>& all()
{
    static const QList<QPixmap> pictures = [] {
        QList<QPixmap> list;
        for (int n = 1; n <= 6; ++n)
            list.append(draw(n));
        return list;
    }();
    return pictures;
}

QPixmap picture(int number)
{
    if (number < 1 || number > all().size())
        return {};
    return all().at(number - 1);
}

} // namespace DrivePictures
