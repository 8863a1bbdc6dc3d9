#include "PageBanner.h"

#include "ClickableLabel.h"
#include "SystemPaths.h"

#include <QFile>
#include <QImage>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#ifndef KORVALIS_BANNER_ADDRESS
#define KORVALIS_BANNER_ADDRESS "https://korvalis.org/offers/"
#endif

namespace {

constexpr int Russian = 2;

bool removeIfThere(const QString& path)
{
    return !QFile::exists(path) || QFile::remove(path);
}

} // namespace

PageBanner::PageBanner(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("MediaTimer1"));
    m_timer->setInterval(TickMs);
    connect(m_timer, &QTimer::timeout, this, &PageBanner::tick);
}

PageBanner::~PageBanner() = default;

bool PageBanner::hasBox(int page)
{
    return page == 2 || page == 4 || page == 5 || page == 6;
}

QString PageBanner::boxName(int page)
{
    switch (page) {
    case 2:
        return QStringLiteral("Adv2nd");
    case 4:
        return QStringLiteral("adv");
    case 5:
        return QStringLiteral("Adv3ed");
    case 6:
        return QStringLiteral("Adv4th");
    default:
        return {};
    }
}

QString PageBanner::pictureFileName()
{
    return QStringLiteral("media.tmp");
}

ClickableLabel* PageBanner::createBox(int page, QWidget* owner, const QRect& geometry)
{
    if (!hasBox(page))
        return nullptr;
    auto* box = new ClickableLabel(owner);
    box->setObjectName(boxName(page));
    box->setGeometry(geometry);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setCursor(Qt::PointingHandCursor);
    box->hide();
    connect(box, &ClickableLabel::clicked, this, &PageBanner::openPage);
    m_boxes[static_cast<size_t>(page)] = box;
    return box;
}

ClickableLabel* PageBanner::createBottomBox(int page, QWidget* owner)
{
    if (!hasBox(page))
        return nullptr;
    constexpr int Margin = 4;
    const int bandTop = owner->height() - Height - 2 * Margin;
    QList<std::pair<QWidget*, QRect>> moved;
    bool fits = true;
    for (QWidget* child : owner->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect old = child->geometry();
        if (old.top() >= bandTop || old.bottom() < bandTop)
            continue;
        QRect shorter = old;
        shorter.setBottom(bandTop - 1);
        child->setGeometry(shorter);
        moved.append({child, old});
        // A control that cannot be made that short keeps its place, and the page its banner off.
        if (child->geometry().bottom() >= bandTop)
            fits = false;
    }
    if (!fits) {
        for (const auto& [child, old] : moved)
            child->setGeometry(old);
        return nullptr;
    }
    return createBox(page, owner, QRect((owner->width() - Width) / 2, bandTop + Margin, Width, Height));
}

ClickableLabel* PageBanner::box(int page) const
{
    return page >= 0 && page < static_cast<int>(m_boxes.size()) ? m_boxes[static_cast<size_t>(page)]
                                                                : nullptr;
}

void PageBanner::setStateSource(std::function<int()> currentPage, std::function<int()> language)
{
    m_currentPage = std::move(currentPage);
    m_language = std::move(language);
}

void PageBanner::setToolTip(const QString& text)
{
    for (ClickableLabel* b : m_boxes) {
        if (b)
            b->setToolTip(text);
    }
}

bool PageBanner::LoadPictures(const PictureReader& read, const QString& appFolder)
{
    m_pictures.clear();
    const QString file = appFolder + pictureFileName();
    // The picture of a row, null when it is missing or cannot be loaded.
    const auto load = [&](int row) {
        const QByteArray bytes = read(row);
        if (bytes.isEmpty() || !removeIfThere(file))
            return QImage();
        QFile out(file);
        const bool written =
            out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush();
        out.close();
        QImage image;
        if (written)
            image.load(file);
        removeIfThere(file);
        return image;
    };
    try {
        for (int row = 1; row <= PictureCount; ++row) {
            const QImage image = load(row);
            if (image.isNull()) {
                switchOff();
                return false;
            }
            m_pictures.append(QPixmap::fromImage(image));
        }
    } catch (const std::exception&) {
        removeIfThere(file);
        switchOff();
        return false;
    }
    // A file made before French and Spanish had pictures of their own lacks these rows.
    try {
        for (int row = PictureCount + 1; row <= MostPictures; ++row) {
            const QImage image = load(row);
            if (image.isNull())
                break;
            m_pictures.append(QPixmap::fromImage(image));
        }
    } catch (const std::exception&) {
        removeIfThere(file);
    }
    return true;
}

void PageBanner::ShowBanner(int page, int language)
{
    if (m_off) {
        hideAll();
        return;
    }
    if (m_pictures.size() < PictureCount) {
        hideAll();
        return;
    }
    const int k = language >= 1 && language <= m_pictures.size() ? language : 1;
    const QPixmap& picture = m_pictures[k - 1];
    if (picture.isNull()) {
        switchOff();
        return;
    }
    m_address = address(language);
    if (ClickableLabel* b = hasBox(page) ? box(page) : nullptr) {
        b->setPixmap(picture);
        b->show();
        b->raise();
    }
}

void PageBanner::tick()
{
    if (m_ticks == 0 && m_currentPage)
        ShowBanner(m_currentPage(), m_language ? m_language() : 1);
    m_ticks = (m_ticks + 1) % TicksPerShow;
}

void PageBanner::start()
{
    if (!m_off)
        m_timer->start();
}

QString PageBanner::address(int language)
{
    QUrl url(QString::fromUtf8(KORVALIS_BANNER_ADDRESS));
    if (language == Russian) {
        QUrlQuery query(url);
        query.addQueryItem(QStringLiteral("l"), QStringLiteral("2"));
        url.setQuery(query);
    }
    return url.toString();
}

void PageBanner::switchOff()
{
    m_off = true;
    m_pictures.clear();
    m_timer->stop();
    hideAll();
}

void PageBanner::hideAll()
{
    for (ClickableLabel* b : m_boxes) {
        if (b)
            b->hide();
    }
}

void PageBanner::openPage()
{
    const QString target = m_address.isEmpty() ? address(1) : m_address;
    Q_EMIT opened(target);
    if (m_opener)
        m_opener(target);
    else
        Platform::openUrl(target);
}
