#include "TitleStrip.h"

#include <QMouseEvent>
#include <QPainter>

TitleStrip::TitleStrip(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TitleStrip::draw(const QString& name, const QString& subtitle, QRgb colour)
{
    m_name = name;
    m_subtitle = subtitle;
    m_colour = colour;
    update();
}

void TitleStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor::fromRgb(m_colour));

    QFont nameFont(QStringLiteral("Tahoma"));
    nameFont.setPointSize(14);
    nameFont.setBold(true);
    nameFont.setItalic(false);
    p.setFont(nameFont);
    const QFontMetrics nameMetrics(nameFont);
    const int x = 10;
    const int top = 5;
    p.drawText(x, top + nameMetrics.ascent(), m_name);
    const int after = x + nameMetrics.horizontalAdvance(m_name);

    QFont subtitleFont(QStringLiteral("Times New Roman"));
    subtitleFont.setPointSize(11);
    subtitleFont.setBold(false);
    subtitleFont.setItalic(true);
    p.setFont(subtitleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    p.drawText(after, 10 + subtitleMetrics.ascent(), m_subtitle + QLatin1Char(' '));
}

void TitleStrip::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}
