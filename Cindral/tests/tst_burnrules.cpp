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
        const QString other = QStringLiteral("Incompatible media");
        QCOMPARE(MediaKind::text(0, none, disc, other), none);
        QCOMPARE(MediaKind::text(2, none, disc, other), QStringLiteral("CD-R Disc"));
        QCOMPARE(MediaKind::text(6, none, disc, other), QStringLiteral("DVD RAM Disc"));
        QCOMPARE(MediaKind::text(10, none, disc, other), QStringLiteral("DVD+RW Disc"));
        QCOMPARE(MediaKind::text(MediaKind::OtherDisc, none, disc, other), other);
        QCOMPARE(MediaKind::text(MediaKind::ImageFile, none, disc, other), QStringLiteral("ISO image file"));
    }

    // Every profile libburn reports: its kind, name, and what can be done with it.
    void profiles_data()
    {
        QTest::addColumn<int>("profile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<int>("erase"); // MediaKind::EraseMethod
        QTest::addColumn<qint64>("blocks");
        using M = MediaKind::EraseMethod;
        const auto row = [](const char* tag, int profile, int code, const char* name, bool writable, M erase,
                            qint64 blocks) {
            QTest::newRow(tag) << profile << code << QString::fromLatin1(name) << writable << int(erase)
                               << blocks;
        };
        row("empty drive", 0x00, MediaKind::NoDisc, "", false, M::None, 0);
        row("CD-ROM", 0x08, MediaKind::CdRom, "CD", false, M::None, 359847);
        row("CD-R", 0x09, MediaKind::CdR, "CD-R", true, M::None, 359847);
        row("CD-RW", 0x0a, MediaKind::CdRw, "CD-RW", true, M::Blank, 359847);
        row("DVD-ROM", 0x10, MediaKind::DvdRom, "DVD Rom", false, M::None, 2295104);
        row("DVD-R", 0x11, MediaKind::DvdR, "DVD-R", true, M::None, 2295104);
        row("DVD-RAM", 0x12, MediaKind::DvdRam, "DVD RAM", true, M::Overwrite, 2236704);
        row("DVD-RW restricted overwrite", 0x13, MediaKind::DvdRwRestricted, "DVDRWRO", true, M::Overwrite,
            2295104);
        row("DVD-RW sequential", 0x14, MediaKind::DvdRwSequential, "DVDRWSR", true, M::Blank, 2295104);
        row("DVD-R DL sequential", 0x15, MediaKind::DvdRDualLayer, "DVD-R DL", true, M::None, 4171712);
        row("DVD-R DL jump", 0x16, MediaKind::DvdRDualLayer, "DVD-R DL", true, M::None, 4171712);
        row("DVD+RW", 0x1a, MediaKind::DvdPlusRw, "DVD+RW", true, M::Overwrite, 2295104);
        row("DVD+R", 0x1b, MediaKind::DvdPlusR, "DVD+R", true, M::None, 2295104);
        row("DVD+RW DL", 0x2a, MediaKind::DvdPlusRw, "DVD+RW", true, M::Overwrite, 2295104);
        row("DVD+R DL", 0x2b, MediaKind::DvdPlusRDualLayer, "DVD+R DL", true, M::None, 4173824);
        row("BD-ROM", 0x40, MediaKind::BdRom, "BD-ROM", false, M::None, 11826176);
        row("BD-R SRM", 0x41, MediaKind::BdR, "BD-R", true, M::None, 11826176);
        row("BD-R RRM", 0x42, MediaKind::BdR, "BD-R", true, M::None, 11826176);
        row("BD-RE", 0x43, MediaKind::BdRe, "BD-RE", true, M::Overwrite, 11826176);
        row("image file", 0xffff, MediaKind::ImageFile, "ISO image file", true, M::None, 0);
        row("HD DVD-R", 0x51, MediaKind::OtherDisc, "", false, M::None, 0);
    }

    void profiles()
    {
        QFETCH(int, profile);
        QFETCH(int, code);
        QFETCH(QString, name);
        QFETCH(bool, writable);
        QFETCH(int, erase);
        QFETCH(qint64, blocks);
        QCOMPARE(MediaKind::codeForProfile(profile), code);
        QCOMPARE(MediaKind::name(code), name);
        QCOMPARE(MediaKind::isWritable(code), writable);
        QCOMPARE(int(MediaKind::eraseMethod(code)), erase);
        QCOMPARE(MediaKind::isErasable(code), erase != int(MediaKind::EraseMethod::None));
        QCOMPARE(MediaKind::nominalBlocks(code), blocks);
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
