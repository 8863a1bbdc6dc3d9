#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <array>
#include <functional>

class ClickableLabel;
class QTimer;
class QWidget;

// The picture banner of the disc, progress, burn and report pages. Its two pictures come from
// the language file; a click opens the banner's web page. A timer shows the banner of the
// current page again every 8 seconds. A language file without the pictures, or a picture that
// cannot be loaded, switches the banner off until the program starts again.
class PageBanner : public QObject
{
    Q_OBJECT

public:
    // Pictures 1 (English) and 2 (Russian) are needed; 3 (French) and 4 (Spanish) are used when
    // the file has them.
    static constexpr int PictureCount = 2;
    static constexpr int MostPictures = 4;
    static constexpr int TickMs = 1000;
    static constexpr int TicksPerShow = 8;
    static constexpr int Width = 468;
    static constexpr int Height = 60;

    explicit PageBanner(QObject* parent = nullptr);
    ~PageBanner() override;

    // The pages that carry a banner box, and the name of each box.
    static bool hasBox(int page);
    static QString boxName(int page);

    // Makes the banner box of a page (2, 4, 5 or 6) inside `owner`, hidden at first.
    ClickableLabel* createBox(int page, QWidget* owner, const QRect& geometry);
    ClickableLabel* box(int page) const;
    // Makes the banner box of a page in a band along the page's bottom edge: the page's other
    // children that reach into the band are made shorter, so the banner covers nothing. A page
    // whose controls cannot be made that short gets no box (nullptr) and keeps its layout.
    ClickableLabel* createBottomBox(int page, QWidget* owner);

    // Where the window's state is read on each tick.
    void setStateSource(std::function<int()> currentPage, std::function<int()> language);

    // Loads the pictures: reads cell (row, 2) of the language file's picture table for rows 1
    // to 4, writes each to "media.tmp" in the program folder, loads it from there and deletes
    // the file again. Any failure of rows 1 and 2 switches the banner off; false then. Rows 3 and
    // 4 are optional: the first one missing or unreadable ends the loading.
    using PictureReader = std::function<QByteArray(int row)>;
    bool LoadPictures(const PictureReader& read, const QString& appFolder);

    // Shows the banner of page p in the given language: the language's own picture, or picture 1
    // when the file has none for it. With fewer than two pictures every box is hidden.
    void ShowBanner(int page, int language);

    // One tick of MediaTimer1: the banner of the current page is shown again when the counter is
    // 0; the counter then runs on, from 7 back to 0.
    void tick();
    int tickCounter() const { return m_ticks; }

    // Starts MediaTimer1 (unless the banner is off).
    void start();
    QTimer* timer() const { return m_timer; }
    bool isOff() const { return m_off; }
    int pictureCount() const { return static_cast<int>(m_pictures.size()); }

    // The banner's web page for a language number; "l=2" is added for Russian.
    static QString address(int language);
    // The address the boxes open now, set when a banner is shown.
    QString currentAddress() const { return m_address; }

    // The name of the picture file inside the program folder.
    static QString pictureFileName();

    void setToolTip(const QString& text);

    // What opens the page; the desktop's browser unless replaced (tests).
    void setOpener(std::function<void(const QString&)> opener) { m_opener = std::move(opener); }

Q_SIGNALS:
    // A banner box was clicked; the page opened (tests watch it instead of a browser).
    void opened(const QString& address);

private:
    void switchOff();
    void hideAll();
    void openPage();

    std::array<ClickableLabel*, 8> m_boxes{};
    QList<QPixmap> m_pictures;
    QTimer* m_timer = nullptr;
    std::function<int()> m_currentPage;
    std::function<int()> m_language;
    std::function<void(const QString&)> m_opener;
    QString m_address;
    int m_ticks = 0;
    bool m_off = false;
};
