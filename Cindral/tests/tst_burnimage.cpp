#include "BurnTestSupport.h"
#include "K3Cindral.h"
#include "LibburnRecorder.h"
#include "Prompt.h"
#include "SimulatedMedium.h"

#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace BurnTest;

class TestBurnImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed");
        QVERIFY(m_work.isValid());
    }

    void folderTreeBurnsAndReadsBackIdentical()
    {
        const QString source = m_work.filePath(QStringLiteral("source")) + QLatin1Char('/');
        const QString longName =
            QString(110, QLatin1Char('n')) + QStringLiteral("-over-the-joliet-limit.txt");
        writeFile(source + QStringLiteral("readme.txt"), "plain ascii\n");
        writeFile(source + QStringLiteral("Документы/отчёт за год.txt"), QStringLiteral("Отчёт\n").toUtf8());
        writeFile(source + QStringLiteral("Документы/Вложено/深い/x.bin"), randomBytes(70000, 1));
        writeFile(source + QStringLiteral("Έγγραφα/αρχείο.dat"), randomBytes(3 * 1024 * 1024 + 17, 2));
        writeFile(source + QStringLiteral("文件/数据.bin"), randomBytes(4096, 3));
        writeFile(source + QStringLiteral("文件/") + longName, randomBytes(1234, 4));
        writeFile(source + QStringLiteral("empty.txt"), QByteArray());
        QFile::setPermissions(source + QStringLiteral("empty.txt"), QFile::ReadOwner | QFile::WriteOwner);
        QDir().mkpath(source + QStringLiteral("Пустая папка"));
        QVERIFY(longName.size() > 103);

        const QString image = m_work.filePath(QStringLiteral("disc.iso"));
        auto control = controlOn(image);
        K3Cindral& c = *control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        QSignalSpy finished(&c, &K3Cindral::BurningFinished);
        QSignalSpy aborted(&c, &K3Cindral::BurningAborted);
        QList<Prompt::Message> messages;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            messages << m;
            return QMessageBox::Cancel;
        });

        c.InitializeMe(source, source);
        QCOMPARE(c.SourceDrives->count(), 1);
        QCOMPARE(c.SourceDrives->itemText(0), QStringLiteral("stdio:") + image);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 30000);
        QVERIFY(c.BurnBut->isEnabled());
        QCOMPARE(c.WriteMedia->text(), QStringLiteral("DVD-R Disc"));
        QCOMPARE(c.CDDVDSpeed->currentText(), QStringLiteral("32x"));

        QCOMPARE(c.PrepareBurn(), 0);
        const QStringList entries = entriesBelow(source);
        for (const QString& entry : entries)
            c.AddItem(entry);
        QCOMPARE(c.Files_Count(), 7);
        QCOMPARE(c.Folders_Count(), 6);
        c.BurnIt();
        QVERIFY(c.isBurning());
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() || !aborted.isEmpty() || !c.isBurning(), 120000);
        QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
        QCOMPARE(aborted.count(), 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(c.LastBurnBlock(), double(c.CDDVDBurner().ImageBlocks()));
        c.DisableMe();

        // Read the disc back with a tool of its own and compare every file.
        const QString out = m_work.filePath(QStringLiteral("out"));
        QCOMPARE(runXorriso({QStringLiteral("-indev"), image, QStringLiteral("-osirrox"),
                             QStringLiteral("on"), QStringLiteral("-extract"), QStringLiteral("/"), out}),
                 0);
        const auto expected = filesBelow(source);
        const auto burned = filesBelow(out);
        QCOMPARE(burned.size(), expected.size());
        for (const auto& [path, data] : expected) {
            const auto found = burned.find(path);
            QVERIFY2(found != burned.end(), qPrintable(path));
            QVERIFY2(found->second == data, qPrintable(path));
        }
        QVERIFY(QFileInfo(out + QStringLiteral("/Пустая папка")).isDir());
        QVERIFY(QFileInfo(out + QStringLiteral("/empty.txt")).permissions() & QFile::ReadOther);
        makeWritable(out);

        // The written image is a disc with data now: the recorder says it is not blank.
        auto again = controlOn(image);
        QSignalSpy readyAgain(again.get(), &K3Cindral::DriveReady);
        again->InitializeMe(source, source);
        QTRY_VERIFY_WITH_TIMEOUT(readyAgain.count() >= 2, 30000);
        for (const auto& event : readyAgain)
            QCOMPARE(event.first().toBool(), false);
        QCOMPARE(again->StatusM->text(), again->LangValue(16));
    }

    void missingStagedFileAbortsWithItsReason()
    {
        const QString source = m_work.filePath(QStringLiteral("gone")) + QLatin1Char('/');
        QDir().mkpath(source);
        const QString image = m_work.filePath(QStringLiteral("gone.iso"));
        ImageBurn burn(image);
        K3Cindral& c = *burn.control;
        const auto& messages = burn.messages;
        QVERIFY(burn.waitReady(source));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(source + QStringLiteral("never-recovered.txt"));
        c.BurnIt();
        QCOMPARE(burn.aborted.count(), 1);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().text.startsWith(c.LangValue(11)));
        QVERIFY(messages.first().text.contains(QStringLiteral("never-recovered.txt")));
        QVERIFY(!QFileInfo::exists(image));
    }

    // Burned straight from a failing medium, a file that cannot be read must not reach the disc
    // with zeros in place of its lost bytes while the burn is reported as good.
    void unreadableSourceAbortsTheBurn()
    {
        KORVALIS_REQUIRE_FUSE();
        const QString folder = m_work.filePath(QStringLiteral("failing"));
        QDir().mkpath(folder);
        QFile data(folder + QStringLiteral("/scratched.bin"));
        QVERIFY(data.open(QIODevice::WriteOnly));
        QVERIFY(data.write(QByteArray(1 << 20, 'k')) == 1 << 20);
        data.close();
        SimulatedMedium medium(folder, QStringLiteral("scratched.bin 524288 4096\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString source = medium.mountPoint() + QLatin1Char('/');

        ImageBurn burn(m_work.filePath(QStringLiteral("failing.iso")));
        K3Cindral& c = *burn.control;
        QVERIFY(burn.waitReady(source));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(source + QStringLiteral("scratched.bin"));
        c.BurnIt();
        QTRY_VERIFY_WITH_TIMEOUT(burn.aborted.count() + burn.finished.count() > 0, 60000);
        QCOMPARE(burn.finished.count(), 0);
        QCOMPARE(burn.aborted.count(), 1);
        QVERIFY(!burn.messages.isEmpty());
    }

    void imageFileCannotBeErased()
    {
        LibburnRecorder recorder(
            {false, {QStringLiteral("stdio:") + m_work.filePath(QStringLiteral("disc.iso"))}});
        QCOMPARE(recorder.RecorderCount(), 1);
        QCOMPARE(recorder.SelectRecorder(0), 1);
        QCOMPARE(recorder.SelectRecorder(1), 0);
        QVERIFY(!recorder.IsErasable());
        QSignalSpy done(&recorder, &CDDVDBurner2::EraseDone);
        recorder.setQuickErase(true);
        recorder.StartErase();
        QVERIFY(done.wait(30000));
        QVERIFY(recorder.StatusText() != QStringLiteral("Done"));
    }

    void scanningTheMachineEnds()
    {
        // The machine's own drives, if any: each is named by its device path first.
        LibburnRecorder recorder({true, {}});
        const int n = recorder.RecorderCount();
        QVERIFY(n >= 0);
        for (int i = 0; i < n; ++i)
            QVERIFY2(recorder.RecorderName(i).startsWith(QLatin1Char('/')),
                     qPrintable(recorder.RecorderName(i)));
    }

private:
    QTemporaryDir m_work;
};

QTEST_MAIN(TestBurnImage)
#include "tst_burnimage.moc"
