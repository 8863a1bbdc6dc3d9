#include "NavigationBar.h"

#include "ClickableLabel.h"
#include "FlagPainter.h"
#include "isButton.h"

#include <QHBoxLayout>
#include <QLabel>

NavigationBar::NavigationBar(int height, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Frame4"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFixedHeight(height);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 8, 0);

    m_back = new isButton(this);
    m_back->setObjectName(QStringLiteral("Command10"));
    m_next = new isButton(this);
    m_next->setObjectName(QStringLiteral("Command11"));
    m_exit = new isButton(this);
    m_exit->setObjectName(QStringLiteral("Command12"));
    for (isButton* b : {m_back, m_next, m_exit}) {
        b->setMinimumSize(100, 27);
        b->setAutoDefault(false);
    }

    auto* flags = new QWidget(this);
    flags->setObjectName(QStringLiteral("FlagsBox"));
    const QSize flagSize(30, 20);
    flags->setFixedSize(4 * 38, 38);
    for (int i = 0; i < 4; ++i) {
        auto* flag = new ClickableLabel(flags);
        flag->setObjectName(QStringLiteral("Flags(%1)").arg(i));
        flag->setPixmap(FlagPainter::flag(i + 1, flagSize));
        flag->setGeometry(i * 38, 4, flagSize.width() + 4, flagSize.height() + 4);
        flag->setAlignment(Qt::AlignCenter);
        flag->setCursor(Qt::PointingHandCursor);
        flag->setFocusPolicy(Qt::StrongFocus);
        connect(flag, &ClickableLabel::clicked, this, [this, i] { Q_EMIT flagClicked(i); });
        m_flags[static_cast<size_t>(i)] = flag;
    }
    m_flagsArrow = new QLabel(flags);
    m_flagsArrow->setObjectName(QStringLiteral("FlagsArrow"));
    m_flagsArrow->setPixmap(FlagPainter::marker(QSize(10, 8)));
    m_flagsArrow->setGeometry(0, 29, 10, 8);

    row->addWidget(flags);
    row->addStretch(1);
    row->addWidget(m_back);
    row->addWidget(m_next);
    row->addSpacing(16);
    row->addWidget(m_exit);
    setTabOrder(m_back, m_next);
    setTabOrder(m_next, m_exit);
    setTabOrder(m_exit, m_flags[0]);
    for (size_t i = 1; i < m_flags.size(); ++i)
        setTabOrder(m_flags[i - 1], m_flags[i]);
}

void NavigationBar::setCharSet(int charSet)
{
    for (isButton* b : {m_back, m_next, m_exit})
        b->setFontCharSet(charSet);
}

void NavigationBar::nameFlags(const QStringList& names)
{
    for (size_t i = 0; i < m_flags.size(); ++i) {
        m_flags[i]->setToolTip(names.value(static_cast<qsizetype>(i)));
        m_flags[i]->setAccessibleName(names.value(static_cast<qsizetype>(i)));
    }
}

void NavigationBar::markLanguage(int language)
{
    const ClickableLabel* flag = m_flags[static_cast<size_t>(language - 1)];
    m_flagsArrow->move(flag->x(), m_flagsArrow->y());
}
