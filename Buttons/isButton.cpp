#include "isButton.h"

isButton::isButton(QWidget* parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, [this] { Q_EMIT Click(m_index); });
}

isButton::isButton(const QString& caption, int index, QWidget* parent)
    : isButton(parent)
{
    setCaption(caption);
    setIndex(index);
}

void isButton::setCaption(const QString& caption)
{
    setText(caption);
}

void isButton::setFontName(const QString& family)
{
    QFont f = font();
    f.setFamily(family);
    setFont(f);
}
