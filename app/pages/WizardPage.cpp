#include "pages/WizardPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString indexed(const char* name, int index)
{
    return QLatin1String(name) + QStringLiteral("(%1)").arg(index);
}

} // namespace

WizardPage::WizardPage(int page, int tipsIndex, QWidget* parent)
    : QFrame(parent)
    , m_page(page)
{
    setObjectName(indexed("mainframe", page));
    setAutoFillBackground(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* panel = new QFrame(this);
    panel->setObjectName(indexed("TipsFrame", page));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(236, 240, 250));
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    panel->setMinimumHeight(44);
    auto* tipsRow = new QHBoxLayout(panel);
    tipsRow->setContentsMargins(8, 2, 8, 2);
    tipsRow->setSpacing(8);
    auto* image = new QLabel(panel);
    image->setObjectName(indexed("Image1", page));
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(28, 28));
    image->setFixedSize(28, 28);
    tipsRow->addWidget(image, 0, Qt::AlignVCenter);
    m_tips = new QLabel(panel);
    m_tips->setObjectName(indexed("Tips", tipsIndex));
    m_tips->setWordWrap(true);
    QFont font = m_tips->font();
    font.setBold(true);
    m_tips->setFont(font);
    tipsRow->addWidget(m_tips, 1);
    outer->addWidget(panel);

    m_body = new QVBoxLayout;
    m_body->setContentsMargins(10, 6, 10, 8);
    m_body->setSpacing(6);
    outer->addLayout(m_body, 1);

    m_bannerBand = new QWidget(this);
    m_bannerBand->setObjectName(indexed("BannerBand", page));
    auto* band = new QHBoxLayout(m_bannerBand);
    band->setContentsMargins(0, 0, 0, 4);
    m_bannerBand->hide();
    outer->addWidget(m_bannerBand);
}

void WizardPage::applyTexts(const TextRegister&) {}

void WizardPage::nameBrowserParts(QWidget* browser, const QString& list, const QString& pathLine)
{
    if (auto* files = browser->findChild<QWidget*>(QStringLiteral("FilesList")))
        files->setAccessibleName(list);
    if (auto* path = browser->findChild<QWidget*>(QStringLiteral("PathCaption")))
        path->setAccessibleName(pathLine);
}
