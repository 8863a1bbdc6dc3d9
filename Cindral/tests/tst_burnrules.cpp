#include "BurnItemPaths.h"
#include "ImageTree.h"
#include "MediaKind.h"
#include "SpeedRange.h"

#include <QTest>

class TestBurnRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void speedList_data()
    {
        QTest::addColumn<int>("media");
        QTest::addColumn<int>("limit1");
        QTest::addColumn<int>("limit2");
        QTest::addColumn<QStringList>("items");
        const auto steps = [](int step, int top) {
            QStringList list;
            for (int v = step; v <= top; v += step)
                list << QString::number(v) + QLatin1Char('x');
            return list;
        };
        QTest::newRow("48 and 40 on CD-R") << MediaKind::CdR << 48 << 40 << steps(4, 40);
        QTest::newRow("DVD 16 and 16 stops at 8") << MediaKind::DvdR << 16 << 16 << steps(2, 8);
        QTest::newRow("recorder unknown, disc 24") << MediaKind::CdR << 0 << 24 << steps(4, 24);
        QTest::newRow("top 10") << MediaKind::CdRw << 10 << 12 << steps(2, 10);
        QTest::newRow("top 5 rounds to even") << MediaKind::CdR << 5 << 5 << steps(2, 4);
        QTest::newRow("top 7 rounds half up to 4") << MediaKind::CdR << 7 << 7 << steps(2, 8);
        QTest::newRow("top 42 steps of 4") << MediaKind::CdR << 42 << 52 << steps(4, 40);
        QTest::newRow("no speeds known") << MediaKind::DvdR << 0 << 0 << QStringList{QStringLiteral("32x")};
        QTest::newRow("no disc") << MediaKind::NoDisc << 48 << 40 << QStringList{QStringLiteral("32x")};
    }

    void speedList()
    {
        QFETCH(int, media);
        QFETCH(int, limit1);
        QFETCH(int, limit2);
        QFETCH(QStringList, items);
        QCOMPARE(SpeedRange::items(true, media, limit1, limit2), items);
    }

    void speedValue()
    {
        QCOMPARE(SpeedRange::valueOf(QStringLiteral("32x")), 32);
        QCOMPARE(SpeedRange::valueOf(QStringLiteral("8x")), 8);
        QCOMPARE(SpeedRange::valueOf(QString()), 0);
        QCOMPARE(SpeedRange::items(false, MediaKind::CdR, 48, 40), QStringList{QStringLiteral("32x")});
    }

    void mediaTexts()
    {
        const QString none = QStringLiteral("There Is No Disc In The Drive");
        const QString disc = QStringLiteral("Disc");
        QCOMPARE(MediaKind::text(0, none, disc), none);
        QCOMPARE(MediaKind::text(2, none, disc), QStringLiteral("CD-R Disc"));
        QCOMPARE(MediaKind::text(6, none, disc), QStringLiteral("DVD RAM Disc"));
        QCOMPARE(MediaKind::text(10, none, disc), QStringLiteral("DVD+RW Disc"));
        QCOMPARE(MediaKind::text(11, none, disc), QStringLiteral(" Disc"));
        QCOMPARE(MediaKind::codeForProfile(0x09), MediaKind::CdR);
        QCOMPARE(MediaKind::codeForProfile(0x13), MediaKind::DvdRwRestricted);
        QCOMPARE(MediaKind::codeForProfile(0x14), MediaKind::DvdRwSequential);
        QCOMPARE(MediaKind::codeForProfile(0x1a), MediaKind::DvdPlusRw);
        QVERIFY(MediaKind::codeForProfile(0x1b) > 10);
        QVERIFY(MediaKind::codeForProfile(0x43) > 10);
    }

    void folderEntriesMakeTheirChain()
    {
        const BurnItemPaths paths(QStringLiteral("/rec/"), QStringLiteral("/tmp/stage/"));
        const std::vector<BurnItemPaths::Folder> expected = {
            {QStringLiteral("/"), QStringLiteral("Docs")}, {QStringLiteral("/Docs/"), QStringLiteral("Sub")}};
        QCOMPARE(paths.foldersFor(QStringLiteral("\t/rec/Docs/Sub")), expected);
        QCOMPARE(paths.foldersFor(QStringLiteral("\t/rec/Docs/Sub/")), expected);
        QVERIFY(paths.foldersFor(QStringLiteral("\t/rec/")).empty());
    }

    void fileEntriesComeFromTheStagingRoot()
    {
        const BurnItemPaths paths(QStringLiteral("/rec/"), QStringLiteral("/tmp/stage/"));
        const auto nested = paths.fileFor(QStringLiteral("/rec/Docs/a.txt"));
        QVERIFY(nested);
        QCOMPARE(nested->imageFolder, QStringLiteral("/Docs"));
        QCOMPARE(nested->stagedPath, QStringLiteral("/tmp/stage/Docs/a.txt"));
        const auto top = paths.fileFor(QStringLiteral("/rec/b.bin"));
        QVERIFY(top);
        QCOMPARE(top->imageFolder, QStringLiteral("/"));
        QVERIFY(!paths.fileFor(QStringLiteral("/re")));
    }

    void imageTreeMakesMissingFoldersAndRefusesClashes()
    {
        ImageTree tree;
        QVERIFY(tree.addFile(QStringLiteral("/A/B"), QStringLiteral("/disk/x.txt")));
        QVERIFY(tree.addFolder(QStringLiteral("/"), QStringLiteral("A")));
        QVERIFY(tree.root().dirs.at(QStringLiteral("A"))->dirs.count(QStringLiteral("B")));
        QVERIFY(!tree.addFolder(QStringLiteral("/A/B/"), QStringLiteral("..")));
        QVERIFY(!tree.addFolder(QStringLiteral("/A/B/"), QStringLiteral("x.txt")));
        QVERIFY(tree.addFile(QStringLiteral("/A/B"), QStringLiteral("/other/x.txt")));
        QCOMPARE(tree.fileCount(), 1);
        QCOMPARE(tree.root()
                     .dirs.at(QStringLiteral("A"))
                     ->dirs.at(QStringLiteral("B"))
                     ->files.at(QStringLiteral("x.txt")),
                 QStringLiteral("/other/x.txt"));
    }
};

QTEST_GUILESS_MAIN(TestBurnRules)
#include "tst_burnrules.moc"
