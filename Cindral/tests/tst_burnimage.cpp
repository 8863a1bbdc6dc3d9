#include "BurnTestSupport.h"
#include "ImageVerifier.h"
#include "K3Cindral.h"
#include "LibburnRecorder.h"
#include "LoopDevice.h"
#include "Prompt.h"
#include "SimulatedMedium.h"

#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
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
        // Names a Windows reader must get right through Joliet.
        writeFile(source + emojiName(), randomBytes(5000, 5));
        writeFile(source + QStringLiteral("文件/") + cyrillicName(), randomBytes(777, 6));
        QCOMPARE(cyrillicName().size(), 124);
        QVERIFY(cyrillicName().toUtf8().size() <= 255);
        // A link to a file is burned as the file.
        QVERIFY(
            QFile::link(source + QStringLiteral("readme.txt"), source + QStringLiteral("link to readme")));

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
        QCOMPARE(c.SourceDrives->count(), 2);
        QCOMPARE(c.SourceDrives->itemText(0), QStringLiteral("stdio:") + image);
        QCOMPARE(c.SourceDrives->itemText(1), c.LangValue(40));
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 30000);
        QVERIFY(c.BurnBut->isEnabled());
        // A file, not a disc: no kind of disc and no speed to choose.
        QCOMPARE(c.WriteMedia->text(), QStringLiteral("ISO image file"));
        QCOMPARE(c.CDDVDSpeed->count(), 0);
        c.VolumeLabel->setText(QStringLiteral("Rescued 2026"));

        QCOMPARE(c.PrepareBurn(), 0);
        const QStringList entries = entriesBelow(source);
        for (const QString& entry : entries)
            c.AddItem(entry);
        QCOMPARE(c.Files_Count(), 10);
        QCOMPARE(c.Folders_Count(), 6);
        c.BurnIt();
        QVERIFY(c.isBurning());
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() || !aborted.isEmpty() || !c.isBurning(), 120000);
        QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
        QCOMPARE(aborted.count(), 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(c.LastBurnBlock(), double(c.CDDVDBurner().ImageBlocks()));
        // Read back after the burn: every file matches the checksum recorded as it was written.
        QCOMPARE(c.VerifyState(), CDDVDBurner2::Verify::Verified);
        QCOMPARE(c.VerifyText(), c.LangValue(49));
        c.DisableMe();
        // A tool of its own agrees: the session and every file carry checksums that match.
        QCOMPARE(runXorriso({QStringLiteral("-md5"), QStringLiteral("on"), QStringLiteral("-indev"), image,
                             QStringLiteral("-check_md5_r"), QStringLiteral("FAILURE"), QStringLiteral("/"),
                             QStringLiteral("--")}),
                 0);
        QCOMPARE(
            runXorriso({QStringLiteral("-md5"), QStringLiteral("on"), QStringLiteral("-indev"), image,
                        QStringLiteral("-check_media"), QStringLiteral("what=image"), QStringLiteral("--")}),
            0);

        // The Windows view: the Joliet tree, read without Rock Ridge.
        const QString joliet = m_work.filePath(QStringLiteral("joliet"));
        QCOMPARE(runXorriso({QStringLiteral("-read_fs"), QStringLiteral("norock"), QStringLiteral("-indev"),
                             image, QStringLiteral("-osirrox"), QStringLiteral("on"),
                             QStringLiteral("-extract"), QStringLiteral("/"), joliet}),
                 0);
        makeWritable(joliet);
        const auto jolietFiles = filesBelow(joliet);
        QVERIFY2(jolietFiles.count(emojiName()), "the emoji name is not whole in the Joliet tree");
        QCOMPARE(jolietFiles.at(emojiName()), randomBytes(5000, 5));
        // Joliet holds about 103 characters a name: the long name keeps its start, its Cyrillic
        // letters and its extension, and nothing turns into "_".
        const QStringList chinese = QDir(joliet + QStringLiteral("/文件")).entryList(QDir::Files);
        const auto shortened = std::find_if(chinese.begin(), chinese.end(), [](const QString& name) {
            return name.startsWith(cyrillicName().left(90));
        });
        QVERIFY2(shortened != chinese.end(), qPrintable(chinese.join(QLatin1Char('|'))));
        QVERIFY2(shortened->size() <= 104, qPrintable(*shortened));
        QVERIFY(shortened->endsWith(QStringLiteral(".txt")));
        QVERIFY(!shortened->contains(QLatin1Char('_')));

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
        QCOMPARE(burn.messages.size(), 1);
        // The message names the file that could not be read.
        QVERIFY2(burn.messages.first().text.contains(QStringLiteral("scratched.bin")),
                 qPrintable(burn.messages.first().text));
    }

    // A disc that reads back other than it was written: the file is named.
    void verifierNamesTheFileThatDiffers()
    {
        const QString source = m_work.filePath(QStringLiteral("check")) + QLatin1Char('/');
        writeFile(source + QStringLiteral("a.txt"), QByteArray("first file\n"));
        const QByteArray payload = randomBytes(40000, 11);
        writeFile(source + QStringLiteral("Sub/b.bin"), payload);
        const QString image = m_work.filePath(QStringLiteral("check.iso"));
        ImageBurn burn(image);
        K3Cindral& c = *burn.control;
        QVERIFY(burn.waitReady(source));
        QCOMPARE(c.PrepareBurn(), 0);
        for (const QString& entry : entriesBelow(source))
            c.AddItem(entry);
        c.BurnIt();
        QTRY_VERIFY_WITH_TIMEOUT(burn.finished.count() + burn.aborted.count() > 0, 60000);
        QCOMPARE(burn.finished.count(), 1);
        QCOMPARE(c.VerifyState(), CDDVDBurner2::Verify::Verified);
        c.DisableMe();

        QFile file(image);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const qsizetype at = bytes.indexOf(payload.left(64));
        QVERIFY(at > 0);
        const auto reader = [&bytes](quint32 lba, int count, char* buffer) {
            const qint64 from = qint64(lba) * 2048;
            if (from + qint64(count) * 2048 > bytes.size())
                return false;
            std::memcpy(buffer, bytes.constData() + from, size_t(count) * 2048);
            return true;
        };
        const auto never = [] { return false; };
        QCOMPARE(int(ImageVerifier::check(reader, 2, never).result), int(ImageVerifier::Result::Verified));
        bytes[at + 30000] = char(bytes[at + 30000] ^ 0x5a);
        const ImageVerifier::Outcome outcome = ImageVerifier::check(reader, 2, never);
        QCOMPARE(int(outcome.result), int(ImageVerifier::Result::Differs));
        QCOMPARE(outcome.detail, QStringLiteral("/Sub/b.bin"));
    }

    // 100 MiB for a 64 MiB disc: refused with both sizes before a byte is written.
    void oversizedSelectionIsRefusedBeforeWriting()
    {
        const QString backing = m_work.filePath(QStringLiteral("small-disc.img"));
        {
            QFile disc(backing);
            QVERIFY(disc.open(QIODevice::WriteOnly));
            QVERIFY(disc.resize(64 * 1024 * 1024));
        }
        const LoopDevice loop(backing, false);
        if (loop.device().isEmpty())
            QSKIP(qPrintable(loop.skipReason()));
        const QString source = m_work.filePath(QStringLiteral("big")) + QLatin1Char('/');
        QDir().mkpath(source);
        {
            QFile big(source + QStringLiteral("big.bin"));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(100 * 1024 * 1024));
        }
        ImageBurn burn(loop.device());
        K3Cindral& c = *burn.control;
        QVERIFY(burn.waitReady(source));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(source + QStringLiteral("big.bin"));
        c.BurnIt();
        QCOMPARE(burn.aborted.count(), 1);
        QVERIFY(!c.isBurning());
        QCOMPARE(burn.messages.size(), 1);
        const QLocale locale;
        const QString text = burn.messages.first().text;
        QVERIFY2(text.contains(locale.formattedDataSize(64 * 1024 * 1024)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("100")), qPrintable(text));
        // Nothing reached the disc.
        QFile disc(backing);
        QVERIFY(disc.open(QIODevice::ReadOnly));
        QCOMPARE(disc.read(64 * 1024), QByteArray(64 * 1024, '\0'));
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
    static QString emojiName() { return QStringLiteral("📀 снимок 🎉.bin"); }
    // A Cyrillic name near the 255 bytes Linux keeps: 120 letters and spaces, and ".txt".
    static QString cyrillicName()
    {
        QString name;
        while (name.size() < 120)
            name += QStringLiteral("Протокол восстановления данных ");
        return name.left(120) + QStringLiteral(".txt");
    }

    QTemporaryDir m_work;
};

QTEST_MAIN(TestBurnImage)
#include "tst_burnimage.moc"
