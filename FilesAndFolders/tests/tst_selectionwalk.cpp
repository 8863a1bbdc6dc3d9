#include "FileNames.h"
#include "SelectionWalk.h"
#include "TreeBuilder.h"

#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace {

const QString Tab = QStringLiteral("\t");

QStringList entriesOf(const SelectionWalk& walk)
{
    QStringList out;
    for (int i = 1; i <= walk.itemsCount(); ++i)
        out.append(walk.selectedItemName(i));
    return out;
}

} // namespace

class TestSelectionWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectedFolderComesAheadOfItsContents()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(), {QStringLiteral("folder/a.dat"), QStringLiteral("folder/s/b.dat")}, 100);
        SelectionWalk walk;
        QVERIFY(walk.createListOfSelected(cur, {QStringLiteral("folder")}));
        const QStringList expected{Tab + cur + QStringLiteral("folder"), cur + QStringLiteral("folder/a.dat"),
                                   Tab + cur + QStringLiteral("folder/s/"),
                                   cur + QStringLiteral("folder/s/b.dat")};
        QCOMPARE(entriesOf(walk), expected);
        QCOMPARE(walk.itemsCount(), 4);
        QCOMPARE(walk.itemsTotalSize(), 200.0);
    }

    void wholeFolderIsWalkedDepthFirstFilesFirst()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(),
                 {QStringLiteral("z.txt"), QStringLiteral("B/y.txt"), QStringLiteral("B/c/x.txt"),
                  QStringLiteral("a/"), QStringLiteral("A.txt")},
                 7);
        SelectionWalk walk;
        QStringList progress;
        walk.setProgress([&](const QString& p) { progress.append(p); });
        QVERIFY(walk.createFilesList(cur));
        const QStringList expected{cur + QStringLiteral("A.txt"),    cur + QStringLiteral("z.txt"),
                                   Tab + cur + QStringLiteral("a/"), Tab + cur + QStringLiteral("B/"),
                                   cur + QStringLiteral("B/y.txt"),  Tab + cur + QStringLiteral("B/c/"),
                                   cur + QStringLiteral("B/c/x.txt")};
        QCOMPARE(entriesOf(walk), expected);
        QCOMPARE(walk.itemsTotalSize(), 28.0); // file entries only
        QCOMPARE(progress, (QStringList{cur + QStringLiteral("A.txt"), cur + QStringLiteral("z.txt"),
                                        cur + QStringLiteral("B/y.txt"), cur + QStringLiteral("B/c/x.txt")}));
    }

    void selectionMixesFilesAndFoldersInListOrder()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(),
                 {QStringLiteral("one.dat"), QStringLiteral("d/two.dat"), QStringLiteral("three.dat")}, 5);
        SelectionWalk walk;
        QVERIFY(walk.createListOfSelected(
            cur, {QStringLiteral("three.dat"), QStringLiteral("d"), QStringLiteral("gone.dat")}));
        QCOMPARE(entriesOf(walk),
                 (QStringList{cur + QStringLiteral("three.dat"), Tab + cur + QStringLiteral("d"),
                              cur + QStringLiteral("d/two.dat")}));
        QCOMPARE(walk.itemsTotalSize(), 10.0);
    }

    void emptySelectionGivesNothing()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("f.dat")});
        SelectionWalk walk;
        QVERIFY(!walk.createListOfSelected(dir.path() + QLatin1Char('/'), {}));
        QCOMPARE(walk.itemsCount(), 0);
        QCOMPARE(walk.itemsTotalSize(), 0.0);
    }

    void hiddenFilesFollowTheFlag_data()
    {
        QTest::addColumn<bool>("showHidden");
        QTest::addColumn<int>("count");
        QTest::newRow("hidden left out") << false << 3;
        QTest::newRow("hidden shown") << true << 5;
    }

    void hiddenFilesFollowTheFlag()
    {
        QFETCH(bool, showHidden);
        QFETCH(int, count);
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        // Hidden folders are always walked; only hidden files follow the flag.
        makeTree(dir.path(), {QStringLiteral(".hidden.txt"), QStringLiteral("seen.txt"),
                              QStringLiteral(".cfg/inside.txt"), QStringLiteral(".cfg/.deeper.txt")});
        SelectionWalk walk;
        walk.setShowHidden(showHidden);
        QVERIFY(walk.createFilesList(cur));
        const QStringList entries = entriesOf(walk);
        QCOMPARE(walk.itemsCount(), count);
        QVERIFY(entries.contains(Tab + cur + QStringLiteral(".cfg/")));
        QVERIFY(entries.contains(cur + QStringLiteral(".cfg/inside.txt")));
        QCOMPARE(entries.contains(cur + QStringLiteral(".hidden.txt")), showHidden);
        QCOMPARE(entries.contains(cur + QStringLiteral(".cfg/.deeper.txt")), showHidden);
    }

    void symbolicLinksToFoldersAreNotFollowed()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(), {QStringLiteral("d/file.dat")}, 30);
        // A loop back to the top and a link to a file.
        QVERIFY(QFile::link(dir.path(), dir.path() + QStringLiteral("/d/loop")));
        QVERIFY(QFile::link(dir.path() + QStringLiteral("/d/file.dat"),
                            dir.path() + QStringLiteral("/d/alias.dat")));
        SelectionWalk walk;
        QVERIFY(walk.createFilesList(cur));
        QCOMPARE(entriesOf(walk),
                 (QStringList{Tab + cur + QStringLiteral("d/"), cur + QStringLiteral("d/alias.dat"),
                              cur + QStringLiteral("d/file.dat")}));
        QCOMPARE(walk.itemsTotalSize(), 60.0);
    }

    void selectedLinkToAFolderIsWalkedOneLevel()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QStringLiteral("/top/");
        makeTree(dir.path(), {QStringLiteral("top/"), QStringLiteral("real/r.dat")});
        QVERIFY(QFile::link(dir.path() + QStringLiteral("/real"), cur + QStringLiteral("link")));
        QVERIFY(QFile::link(dir.path(), dir.path() + QStringLiteral("/real/back")));
        SelectionWalk walk;
        QVERIFY(walk.createListOfSelected(cur, {QStringLiteral("link")}));
        QCOMPARE(entriesOf(walk),
                 (QStringList{Tab + cur + QStringLiteral("link"), cur + QStringLiteral("link/r.dat")}));
    }

    void unreadableFolderEndsOnlyItsOwnBranch()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        openToEveryone(dir.path());
        makeTree(dir.path(), {QStringLiteral("a/locked/secret.dat"), QStringLiteral("a/after.dat"),
                              QStringLiteral("a/z/last.dat"), QStringLiteral("b/x.dat"),
                              QStringLiteral("c/noexec/unstattable.dat"), QStringLiteral("c/ok.dat")});
        QVERIFY(::chmod(QFile::encodeName(cur + QStringLiteral("a/locked")).constData(), 0) == 0);
        // Readable but not searchable: the names come, their sizes cannot.
        QVERIFY(::chmod(QFile::encodeName(cur + QStringLiteral("c/noexec")).constData(), 0644) == 0);
        SelectionWalk walk;
        bool result = false;
        {
            const AsUnprivilegedUser user;
            result = walk.createFilesList(cur);
        }
        ::chmod(QFile::encodeName(cur + QStringLiteral("a/locked")).constData(), 0755);
        ::chmod(QFile::encodeName(cur + QStringLiteral("c/noexec")).constData(), 0755);
        QVERIFY(result);
        QCOMPARE(entriesOf(walk),
                 (QStringList{Tab + cur + QStringLiteral("a/"), cur + QStringLiteral("a/after.dat"),
                              Tab + cur + QStringLiteral("a/locked/"), Tab + cur + QStringLiteral("a/z/"),
                              cur + QStringLiteral("a/z/last.dat"), Tab + cur + QStringLiteral("b/"),
                              cur + QStringLiteral("b/x.dat"), Tab + cur + QStringLiteral("c/"),
                              cur + QStringLiteral("c/ok.dat"), Tab + cur + QStringLiteral("c/noexec/")}));
        // A folder that cannot be read itself is a failed call.
        SelectionWalk direct;
        ::chmod(QFile::encodeName(cur + QStringLiteral("a/locked")).constData(), 0);
        {
            const AsUnprivilegedUser user;
            result = direct.getFileNames(cur, QStringLiteral("a/locked"));
        }
        QVERIFY(!result);
        // A folder whose names can be read but not stat'ed is read, its files left out.
        ::chmod(QFile::encodeName(cur + QStringLiteral("c/noexec")).constData(), 0644);
        {
            const AsUnprivilegedUser user;
            result = direct.getFileNames(cur, QStringLiteral("c/noexec"));
        }
        ::chmod(QFile::encodeName(cur + QStringLiteral("c/noexec")).constData(), 0755);
        QVERIFY(result);
        ::chmod(QFile::encodeName(cur + QStringLiteral("a/locked")).constData(), 0755);
    }

    void sizesAreSixtyFourBit()
    {
        QTemporaryDir dir;
        const QString big = dir.path() + QStringLiteral("/big.img");
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const qint64 size = 5LL * 1024 * 1024 * 1024 + 3; // sparse: costs no space
        QVERIFY(f.resize(size));
        f.close();
        makeTree(dir.path(), {QStringLiteral("small.dat")}, 10);
        SelectionWalk walk;
        QVERIFY(walk.createListOfSelected(dir.path() + QLatin1Char('/'),
                                          {QStringLiteral("big.img"), QStringLiteral("small.dat")}));
        QCOMPARE(walk.itemsTotalSize(), static_cast<double>(size + 10));
    }

    void limitStopsTheList()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(), {QStringLiteral("1.dat"), QStringLiteral("2.dat"), QStringLiteral("d/3.dat"),
                              QStringLiteral("d/4.dat"), QStringLiteral("5.dat")});
        SelectionWalk walk;
        walk.setEntryLimit(4);
        QVERIFY(!walk.createFilesList(cur)); // cut: not a success
        QCOMPARE(walk.itemsCount(), 4);
        QVERIFY(walk.limitReached());
        QVERIFY(!walk.getFileNames(cur, QString()));

        QVERIFY_THROWS_EXCEPTION(
            std::length_error,
            walk.createListOfSelected(cur, {QStringLiteral("1.dat"), QStringLiteral("d"),
                                            QStringLiteral("2.dat"), QStringLiteral("5.dat")}));
        QCOMPARE(walk.itemsCount(), 4);
        // Cut inside the last selected folder is no success either.
        QVERIFY_THROWS_EXCEPTION(std::length_error, walk.createListOfSelected(cur, {QStringLiteral("1.dat"),
                                                                                    QStringLiteral("2.dat"),
                                                                                    QStringLiteral("d")}));
        QCOMPARE(walk.selectedItemName(4), cur + QStringLiteral("d/3.dat"));
        walk.setEntryLimit(SelectionWalk::MaxEntries);
        QVERIFY(walk.createListOfSelected(cur, {QStringLiteral("d")}));
    }

    void laterBuildsRewriteFromTheFront()
    {
        QTemporaryDir dir;
        const QString cur = dir.path() + QLatin1Char('/');
        makeTree(dir.path(), {QStringLiteral("a.dat"), QStringLiteral("b.dat"), QStringLiteral("c.dat")});
        SelectionWalk walk;
        QVERIFY(walk.createFilesList(cur));
        QVERIFY(walk.createListOfSelected(cur, {QStringLiteral("c.dat")}));
        QCOMPARE(walk.itemsCount(), 1);
        QCOMPARE(walk.selectedItemName(1), cur + QStringLiteral("c.dat"));
        QCOMPARE(walk.selectedItemName(2), cur + QStringLiteral("b.dat")); // stale, as documented
        QCOMPARE(walk.selectedItemName(SelectionWalk::MaxEntries), QString());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, walk.selectedItemName(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, walk.selectedItemName(SelectionWalk::MaxEntries + 1));
    }

    void linuxTreeIsTakenWholeOrReported_data()
    {
        QTest::addColumn<bool>("showHidden");
        QTest::newRow("hidden files not shown") << false;
        QTest::newRow("hidden files shown") << true;
    }

    // Every regular file of the tree is in the list under its own bytes; everything else is in
    // the left-out list with its reason, and nothing is in neither.
    void linuxTreeIsTakenWholeOrReported()
    {
        QFETCH(bool, showHidden);
        LinuxTree::ScratchFolder dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QVERIFY(LinuxTree::build(root));
        const QString cur = dir.path() + QLatin1Char('/');

        SelectionWalk walk;
        walk.setShowHidden(showHidden);
        bool result = false;
        {
            const AsUnprivilegedUser user; // root reads any folder; the walk must meet a refusal
            result = walk.createFilesList(cur);
        }
        QVERIFY(result);
        QSet<QByteArray> files;
        QSet<QByteArray> folders;
        for (int i = 1; i <= walk.itemsCount(); ++i) {
            const QString entry = walk.selectedItemName(i);
            const bool folder = entry.startsWith(SelectionWalk::FolderMark);
            const QByteArray bytes = Platform::FileNames::toBytes(folder ? entry.mid(1) : entry);
            QVERIFY(bytes.startsWith(QByteArray(root + '/')));
            (folder ? folders : files).insert(bytes.mid(root.size() + 1));
        }
        QSet<QByteArray> expected;
        for (const LinuxTree::FileSpec& f : LinuxTree::plainFiles())
            if ((!f.hidden || showHidden) && !f.relative.startsWith("locked/"))
                expected.insert(f.relative);
        for (const QByteArray& f : LinuxTree::deepFiles())
            expected.insert(f);
        QCOMPARE(files, expected);
        QVERIFY(folders.contains("Holiday\xff/"));
        QVERIFY(folders.contains("locked/")); // made in the copy, reported as not read
        QCOMPARE(folders.size(), 4 + LinuxTree::DeepLevels);

        QMap<QByteArray, LeftOutItem::Reason> leftOut;
        for (const LeftOutItem& item : walk.leftOut())
            leftOut.insert(Platform::FileNames::toBytes(item.path).mid(root.size() + 1), item.reason);
        QMap<QByteArray, LeftOutItem::Reason> expectedLeftOut{{"locked/", LeftOutItem::Reason::FolderNotRead},
                                                              {"pipe", LeftOutItem::Reason::NotAFile},
                                                              {"sock", LeftOutItem::Reason::NotAFile}};
        if (!showHidden) {
            expectedLeftOut.insert(".hidden.txt", LeftOutItem::Reason::Hidden);
            expectedLeftOut.insert(".cfg/.deeper", LeftOutItem::Reason::Hidden);
        }
        QCOMPARE(leftOut, expectedLeftOut);
        for (const LeftOutItem& item : walk.leftOut())
            QCOMPARE(item.error, item.reason == LeftOutItem::Reason::FolderNotRead ? EACCES : 0);
    }

    void selectedEntriesThatAreNoFilesAreReported()
    {
        LinuxTree::ScratchFolder dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QVERIFY(LinuxTree::build(root));
        const QString cur = dir.path() + QLatin1Char('/');
        QVERIFY(QFile::link(cur + QStringLiteral("nothing"), cur + QStringLiteral("dangling")));
        SelectionWalk walk;
        {
            const AsUnprivilegedUser user;
            QVERIFY(walk.createListOfSelected(cur, {Platform::FileNames::fromBytes("photo\xff.jpg"),
                                                    QStringLiteral("pipe"), QStringLiteral("sock"),
                                                    QStringLiteral("locked"), QStringLiteral("dangling"),
                                                    QStringLiteral("gone")}));
        }
        QCOMPARE(walk.itemsCount(), 2); // the photo, and the locked folder's own entry
        QCOMPARE(Platform::FileNames::toBytes(walk.selectedItemName(1)), QByteArray(root + "/photo\xff.jpg"));
        QList<LeftOutItem::Reason> reasons;
        for (const LeftOutItem& item : walk.leftOut())
            reasons.append(item.reason);
        QCOMPARE(reasons, (QList<LeftOutItem::Reason>{
                              LeftOutItem::Reason::NotAFile, LeftOutItem::Reason::NotAFile,
                              LeftOutItem::Reason::FolderNotRead, LeftOutItem::Reason::BrokenLink,
                              LeftOutItem::Reason::NotExamined}));
        QCOMPARE(walk.leftOut().last().error, ENOENT);
    }

    void cancelledWalkStops()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("a.dat"), QStringLiteral("b.dat")});
        std::atomic<bool> cancel{false};
        SelectionWalk walk;
        walk.setCancelFlag(&cancel);
        walk.setProgress([&](const QString&) { cancel = true; });
        QVERIFY(walk.createFilesList(dir.path() + QLatin1Char('/')));
        QCOMPARE(walk.itemsCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSelectionWalk)
#include "tst_selectionwalk.moc"
