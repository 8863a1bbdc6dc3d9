// The page banner: its pictures from the language file through "media.tmp", the pages that
// show it, the picture of each language, the tick counter and the rule that switches it off.
#include "ClickableLabel.h"
#include "LanguageFile.h"
#include "PageBanner.h"
#include "TableEngine.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <array>

namespace {

QByteArray png(const QColor& colour)
{
    QImage image(PageBanner::Width, PageBanner::Height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QRgb topLeft(const ClickableLabel* box)
{
    return box->pixmap().toImage().pixel(0, 0);
}

} // namespace

class TestBanner : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    int m_n = 0;
    std::array<std::unique_ptr<QWidget>, 8> m_pages;

    QString freshFolder()
    {
        m_folder = m_dir.path() + QStringLiteral("/b%1/").arg(++m_n);
        QDir().mkpath(m_folder);
        return m_folder;
    }

    std::unique_ptr<PageBanner> bannerOnPages()
    {
        auto banner = std::make_unique<PageBanner>();
        for (int p = 0; p < 8; ++p) {
            m_pages[static_cast<size_t>(p)] = std::make_unique<QWidget>();
            m_pages[static_cast<size_t>(p)]->resize(633, 409);
            m_pages[static_cast<size_t>(p)]->show();
            banner->createBox(p, m_pages[static_cast<size_t>(p)].get(), QRect(80, 340, 468, 60));
        }
        banner->setOpener([](const QString&) {});
        return banner;
    }

    // Reads the two pictures from a language file built with the given cells.
    static PageBanner::PictureReader fileReader(TableEngine& engine, const QString& path)
    {
        return [&engine, path](int row) { return LanguageFile(engine, path).picture(row); };
    }

    QString languageFileWith(const QList<QByteArray>& pictures)
    {
        const QString path = m_folder + QStringLiteral("languages.sir");
        TableEngine engine;
        for (int row = 1; row <= pictures.size(); ++row) {
            engine.SetCell(TableReference::of(path, 1, 1), row, 1, pictures[row - 1]);
            engine.SetCell(TableReference::of(path, 1, 1), row, 2, pictures[row - 1]);
        }
        if (pictures.isEmpty())
            engine.SetCell(TableReference::of(path, 2, 1), 1, 1, QStringLiteral("0"));
        return path;
    }

private Q_SLOTS:
    void boxesOnPagesTwoFourFiveSix()
    {
        auto banner = bannerOnPages();
        const QStringList names = {QString(),
                                   QString(),
                                   QStringLiteral("Adv2nd"),
                                   QString(),
                                   QStringLiteral("adv"),
                                   QStringLiteral("Adv3ed"),
                                   QStringLiteral("Adv4th"),
                                   QString()};
        for (int p = 0; p < 8; ++p) {
            QCOMPARE(PageBanner::hasBox(p), !names[p].isEmpty());
            QCOMPARE(banner->box(p) != nullptr, !names[p].isEmpty());
            if (banner->box(p))
                QCOMPARE(banner->box(p)->objectName(), names[p]);
        }
    }

    void bottomBoxMakesRoomOrStaysAway()
    {
        PageBanner banner;
        QWidget page;
        page.resize(633, 409);
        auto* list = new QWidget(&page);
        list->setGeometry(10, 50, 600, 350);
        auto* top = new QWidget(&page);
        top->setGeometry(0, 0, 633, 44);
        ClickableLabel* box = banner.createBottomBox(4, &page);
        QVERIFY(box);
        QVERIFY(list->geometry().bottom() < box->geometry().top());
        QCOMPARE(top->geometry(), QRect(0, 0, 633, 44));

        // A control that needs its height keeps it; that page has no banner.
        QWidget other;
        other.resize(633, 409);
        auto* engine = new QWidget(&other);
        engine->setMinimumHeight(380);
        engine->setGeometry(10, 20, 600, 385);
        QVERIFY(!banner.createBottomBox(6, &other));
        QCOMPARE(engine->geometry(), QRect(10, 20, 600, 385));
        QVERIFY(!banner.box(6));
    }

    void picturesShownOnTheirPagesInEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("shown");
        for (const int pictures : {2, 4}) {
            for (int language = 1; language <= 4; ++language) {
                // A file with only the English and Russian pictures shows the English one for
                // French and Spanish.
                const int shown = language <= pictures ? language : 1;
                QTest::addRow("language %d, %d pictures", language, pictures)
                    << language << pictures << shown;
            }
        }
    }
    void picturesShownOnTheirPagesInEachLanguage()
    {
        QFETCH(int, language);
        QFETCH(int, pictures);
        QFETCH(int, shown);
        const std::array<Qt::GlobalColor, 4> colors = {Qt::red, Qt::blue, Qt::green, Qt::yellow};
        QList<QByteArray> data;
        for (int i = 0; i < pictures; ++i)
            data << png(colors[size_t(i)]);
        freshFolder();
        const QString path = languageFileWith(data);
        TableEngine engine;
        auto banner = bannerOnPages();
        QVERIFY(banner->LoadPictures(fileReader(engine, path), m_folder));
        QCOMPARE(banner->pictureCount(), pictures);
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("media.tmp")));
        const bool second = language == 2;
        const QRgb expected = QColor(colors[size_t(shown - 1)]).rgb();

        for (int p : {2, 4, 5, 6}) {
            banner->ShowBanner(p, language);
            QVERIFY(banner->box(p)->isVisible());
            QCOMPARE(topLeft(banner->box(p)), expected);
        }
        // Other pages have no box and change nothing.
        banner->ShowBanner(0, language);
        banner->ShowBanner(7, language);
        QVERIFY(banner->box(4)->isVisible());

        const QUrlQuery query(QUrl(banner->currentAddress()));
        QCOMPARE(query.queryItemValue(QStringLiteral("l")), second ? QStringLiteral("2") : QString());
        QSignalSpy opened(banner.get(), &PageBanner::opened);
        QTest::mouseClick(banner->box(4), Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), banner->currentAddress());
    }

    // A broken French picture is not shown; the banner stays on with the English one for French.
    void brokenOptionalPictureFallsBackToEnglish()
    {
        freshFolder();
        const QString path =
            languageFileWith({png(Qt::red), png(Qt::blue), QByteArray("GIF89a broken"), png(Qt::green)});
        TableEngine engine;
        auto banner = bannerOnPages();
        QVERIFY(banner->LoadPictures(fileReader(engine, path), m_folder));
        QVERIFY(!banner->isOff());
        QCOMPARE(banner->pictureCount(), 2);
        banner->ShowBanner(4, 3);
        QCOMPARE(topLeft(banner->box(4)), qRgb(255, 0, 0));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("media.tmp")));
    }

    void staleMediaFileIsReplacedAndRemoved()
    {
        freshFolder();
        QFile stale(m_folder + QStringLiteral("media.tmp"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("not a picture");
        stale.close();
        auto banner = bannerOnPages();
        QVERIFY(
            banner->LoadPictures([](int row) { return png(row == 1 ? Qt::green : Qt::black); }, m_folder));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("media.tmp")));
        banner->ShowBanner(6, 1);
        QCOMPARE(topLeft(banner->box(6)), qRgb(0, 255, 0));
    }

    void withoutPicturesTheBannerIsOff_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("no pictures in the file") << 0;
        QTest::newRow("only one picture") << 1;
        QTest::newRow("a picture that is not one") << 2;
        QTest::newRow("unreadable language file") << 3;
    }
    void withoutPicturesTheBannerIsOff()
    {
        QFETCH(int, kind);
        freshFolder();
        QString path;
        switch (kind) {
        case 0:
            path = languageFileWith({});
            break;
        case 1:
            path = languageFileWith({png(Qt::red)});
            break;
        case 2:
            path = languageFileWith({png(Qt::red), QByteArray("GIF89a broken")});
            break;
        default:
            path = m_folder + QStringLiteral("languages.sir");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("this is no table file at all, just text");
            break;
        }
        TableEngine engine;
        auto banner = bannerOnPages();
        banner->start();
        banner->ShowBanner(4, 1);
        QVERIFY(!banner->LoadPictures(fileReader(engine, path), m_folder));
        QVERIFY(banner->isOff());
        QVERIFY(!banner->timer()->isActive());
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("media.tmp")));
        for (int p : {2, 4, 5, 6}) {
            banner->ShowBanner(p, 1);
            QVERIFY(!banner->box(p)->isVisible());
        }
        // Stays off: the timer does not come back.
        banner->start();
        QVERIFY(!banner->timer()->isActive());
    }

    void timerShowsTheCurrentPageEveryEighthTick()
    {
        freshFolder();
        auto banner = bannerOnPages();
        QVERIFY(banner->LoadPictures([](int row) { return png(row == 1 ? Qt::red : Qt::blue); }, m_folder));
        int page = 0;
        banner->setStateSource([&] { return page; }, [] { return 1; });
        QCOMPARE(banner->timer()->objectName(), QStringLiteral("MediaTimer1"));
        QCOMPARE(banner->timer()->interval(), 1000);

        page = 5;
        QCOMPARE(banner->tickCounter(), 0);
        banner->tick(); // counter 0: shown
        QVERIFY(banner->box(5)->isVisible());
        QCOMPARE(banner->tickCounter(), 1);
        banner->box(5)->hide();
        for (int i = 1; i < 8; ++i)
            banner->tick(); // 1 to 7: nothing shown
        QVERIFY(!banner->box(5)->isVisible());
        QCOMPARE(banner->tickCounter(), 0);
        banner->tick();
        QVERIFY(banner->box(5)->isVisible());

        // Started for real, it ticks from the event loop.
        banner->box(5)->hide();
        banner->timer()->setInterval(1);
        banner->start();
        QTRY_VERIFY(banner->box(5)->isVisible());
    }
};

QTEST_MAIN(TestBanner)
#include "tst_banner.moc"
