#include "FolderListing.h"
#include "NavigationHistory.h"
#include "TreeBuilder.h"
#include "TypeIconCache.h"

#include <QTemporaryDir>
#include <QTest>

class TestFolderListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typeKeys_data()
    {
        QTest::addColumn<QString>("fullPath");
        QTest::addColumn<QString>("key");
        QTest::newRow("upper case") << QStringLiteral("/d/NOTE.TXT") << QStringLiteral("txt");
        QTest::newRow("last dot") << QStringLiteral("/d/a.tar.GZ") << QStringLiteral("gz");
        // The type is the name's: a "." in a folder above gives none.
        QTest::newRow("dot in a folder above") << QStringLiteral("/d.v1/sub/README") << QString();
        QTest::newRow("no dot") << QStringLiteral("/d/README") << QString();
    }

    void typeKeys()
    {
        QFETCH(QString, fullPath);
        QFETCH(QString, key);
        QCOMPARE(FolderListing::typeKeyOf(fullPath), key);
    }

    void foldersFirstThenFilesWithSharedSlots()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(), {QStringLiteral("b.TXT"), QStringLiteral("a.txt"), QStringLiteral("c.pdf"),
                              QStringLiteral("README"), QStringLiteral(".profile.sh"),
                              QStringLiteral("zeta/"), QStringLiteral(".git/"), QStringLiteral("Alpha/")});
        TypeIconCache cache;
        const FolderContents contents = FolderReader::read(cur);
        QVERIFY(contents.ok);
        const QList<ListedItem> rows = FolderListing::rows(cur, contents, false, cache);
        QStringList names;
        for (const ListedItem& r : rows)
            names.append(r.name);
        QCOMPARE(names, (QStringList{QStringLiteral(".git"), QStringLiteral("Alpha"), QStringLiteral("zeta"),
                                     QStringLiteral("a.txt"), QStringLiteral("b.TXT"),
                                     QStringLiteral("c.pdf"), QStringLiteral("README")}));
        QVERIFY(rows[0].isFolder && rows[2].isFolder && !rows[3].isFolder);
        QCOMPARE(rows[0].image, FolderListing::FolderImage);
        // .txt and .TXT share slot 1 (image 2); .pdf takes slot 2 (image 3).
        QCOMPARE(rows[3].image, 2);
        QVERIFY(rows[3].newImage);
        QCOMPARE(rows[4].image, 2);
        QVERIFY(!rows[4].newImage);
        QCOMPARE(rows[5].image, 3);
        // No dot: the empty key takes a slot of its own.
        QCOMPARE(rows[6].image, 4);
        QCOMPARE(cache.used(), 3);

        // Hidden files come with the flag; the cache keeps its slots across listings.
        const QList<ListedItem> shown = FolderListing::rows(cur, contents, true, cache);
        QCOMPARE(shown.size(), rows.size() + 1);
        QCOMPARE(shown[3].name, QStringLiteral(".profile.sh"));
        QCOMPARE(shown[3].image, 5);
        QCOMPARE(shown[4].image, 2);
    }

    void filesWithoutDotAreListedLikeAnyOther()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("plain/README"), QStringLiteral("plain/Makefile"),
                              QStringLiteral("v1.2/README")});
        TypeIconCache cache;
        for (const QString& sub : {QStringLiteral("/plain/"), QStringLiteral("/v1.2/")}) {
            const QString folder = dir.path() + sub;
            const auto rows = FolderListing::rows(folder, FolderReader::read(folder), false, cache);
            QVERIFY(!rows.isEmpty());
            QCOMPARE(rows.last().name, QStringLiteral("README"));
            QCOMPARE(rows.last().image, 2); // both share the slot of the empty key
        }
        // With every slot taken by other types a file is still listed, without a type image.
        TypeIconCache full;
        for (int i = 1; i <= TypeIconCache::SlotCount; ++i)
            full.lookUp(QStringLiteral("k%1").arg(i));
        const QString folder = dir.path() + QStringLiteral("/plain/");
        const auto rows = FolderListing::rows(folder, FolderReader::read(folder), false, full);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].image, FolderListing::NoImage);
    }

    void fullCacheLeavesNewTypesOut()
    {
        TypeIconCache cache;
        for (int i = 1; i <= TypeIconCache::SlotCount; ++i)
            QCOMPARE(cache.lookUp(QStringLiteral("k%1").arg(i)).slot, i);
        QCOMPARE(cache.lookUp(QStringLiteral("new")).slot, 0);
        QCOMPARE(cache.lookUp(QStringLiteral("k7")).slot, 7);
    }

    void unreadableFolderFails() { QVERIFY(!FolderReader::read(QStringLiteral("/no/such/folder/")).ok); }

    void backHistoryKeepsTen()
    {
        NavigationHistory history;
        QVERIFY(!history.canGoBack());
        for (int i = 0; i <= 10; ++i) // eleven moves
            history.push(QStringLiteral("/p%1/").arg(i));
        for (int i = 10; i >= 1; --i) {
            QVERIFY(history.canGoBack());
            QCOMPARE(history.back(), QStringLiteral("/p%1/").arg(i));
        }
        QVERIFY(!history.canGoBack()); // the oldest, /p0/, was dropped
        QCOMPARE(history.back(), QString());
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "tst_folderlisting.moc"
