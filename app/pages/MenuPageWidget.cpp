#include "pages/MenuPageWidget.h"

#include "ClickableLabel.h"
#include "PageFlow.h"
#include "TextIds.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace {

enum class MenuIcon
{
    Disc,
    Dvd,
    Folder,
    Again,
};

QIcon menuIcon(const QStyle* style, MenuIcon icon)
{
    switch (icon) {
    case MenuIcon::Disc:
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    case MenuIcon::Dvd:
        return style->standardIcon(QStyle::SP_DriveDVDIcon);
    case MenuIcon::Folder:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case MenuIcon::Again:
        return style->standardIcon(QStyle::SP_BrowserReload);
    }
    return {};
}

} // namespace

MenuPageWidget::MenuPageWidget(QWidget* parent)
    : WizardPage(MenuPage, 4, parent)
{
    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("Label5(0)"));
    QFont heading = m_heading->font();
    heading.setBold(true);
    heading.setPointSize(heading.pointSize() + 2);
    m_heading->setFont(heading);
    m_heading->setWordWrap(true);

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("Label5(1)"));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_menu = new QListWidget(this);
    m_menu->setObjectName(QStringLiteral("MainMenu"));
    m_menu->setIconSize(QSize(32, 32));
    m_menu->setSpacing(4);
    m_menu->setWordWrap(true);
    QFont menuFont = m_menu->font();
    menuFont.setPointSize(menuFont.pointSize() + 2);
    m_menu->setFont(menuFont);
    connect(m_menu, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Q_EMIT entryChosen(m_menu->row(item) + 1); });
    connect(m_menu, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            Q_EMIT entryChosen(row + 1);
    });
    connect(m_menu, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { Q_EMIT entryActivated(m_menu->row(item) + 1); });

    m_history = new isButton(this);
    m_history->setObjectName(QStringLiteral("HistoryCommand"));
    m_history->setMinimumHeight(27);
    connect(m_history, &isButton::Click, this, &MenuPageWidget::historyRequested);

    m_credit = new ClickableLabel(this);
    m_credit->setObjectName(QStringLiteral("DesignC"));
    m_credit->setText(QStringLiteral("Korvalis \u00a9 2026"));
    m_credit->setCursor(Qt::PointingHandCursor);
    m_credit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_credit->setFocusPolicy(Qt::StrongFocus);
    connect(m_credit, &ClickableLabel::clicked, this, &MenuPageWidget::aboutRequested);

    body()->setContentsMargins(20, 8, 20, 8);
    body()->addWidget(m_heading);
    body()->addWidget(m_description);
    body()->addWidget(m_menu, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_history);
    bottom->addStretch(1);
    bottom->addWidget(m_credit);
    body()->addLayout(bottom);
}

void MenuPageWidget::applyTexts(const TextRegister& texts)
{
    m_heading->setText(texts[TextId::MenuHeading]);
    m_description->setText(texts[TextId::Description]);
    tips()->setText(texts[TextId::MenuTip]);
    m_history->setFontCharSet(texts.charSet());
    m_history->setCaption(texts[TextId::ViewHistory]);
    m_menu->setAccessibleName(texts[TextId::MenuHeading]);
    m_credit->setAccessibleName(m_credit->text());
}

void MenuPageWidget::setEntries(const TextRegister& texts, bool restart)
{
    const QSignalBlocker quiet(m_menu);
    m_menu->clear();
    m_menu->setProperty("Charset", texts.charSet());
    const auto add = [&](int text, MenuIcon icon) {
        auto* item = new QListWidgetItem(menuIcon(style(), icon), texts[text], m_menu);
        item->setForeground(Qt::black);
    };
    if (restart)
        add(TextId::MenuRestart, MenuIcon::Again);
    add(TextId::MenuRecoverToFolder, MenuIcon::Folder);
    add(TextId::MenuDiscToDisc, MenuIcon::Disc);
    add(TextId::MenuRecoverToDisc, MenuIcon::Dvd);
}

int MenuPageWidget::selectedPosition() const
{
    return m_menu->currentRow() + 1;
}

void MenuPageWidget::selectPosition(int position)
{
    const QSignalBlocker quiet(m_menu);
    m_menu->setCurrentRow(position - 1);
}
