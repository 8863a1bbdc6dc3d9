// Recover-and-burn runs end to end: files recovered by the real engine from the damaged-medium
// simulator, handed to the real burning control and burned by libburn into an image file that
// xorriso reads back.
#include "BurnHandOff.h"
#include "FilesAndFoldersList.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "LibburnRecorder.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SimulatedMedium.h"
#include "TextRegister.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace {

QByteArray pattern(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u + seed;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x | 1); // never zero, so that a hole shows
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

std::map<QString, QByteArray> filesBelow(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files[QDir(root).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

void makeWritable(const QString& root)
{
    QFile::setPermissions(root, QFile::permissions(root) | QFile::WriteOwner);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    }
}

// Extracts the image into folder; true when xorriso could read all of it.
bool extractImage(const QString& image, const QString& folder)
{
    QProcess xorriso;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xorriso.setProcessEnvironment(env);
    xorriso.start(QStringLiteral("xorriso"),
                  {QStringLiteral("-abort_on"), QStringLiteral("FAILURE"), QStringLiteral("-local_charset"),
                   QStringLiteral("UTF-8"), QStringLiteral("-indev"), image, QStringLiteral("-osirrox"),
                   QStringLiteral("on"), QStringLiteral("-extract"), QStringLiteral("/"), folder});
    if (!xorriso.waitForFinished(120000))
        return false;
    makeWritable(folder);
    if (xorriso.exitCode() != 0)
        qWarning().noquote() << xorriso.readAllStandardError();
    return xorriso.exitCode() == 0;
}

// What the copy of a source holds: the bytes up to the position reached, each given-up range
// as zero bytes.
QByteArray expectedCopy(const QByteArray& source, const DamageRecords::Row* row)
{
    if (!row)
        return source;
    QByteArray expected = source.left(row->copied);
    for (const QString& r : row->rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = r.split(QLatin1Char('-'));
        const qint64 first = ends[0].trimmed().toLongLong();
        const qint64 last = std::min<qint64>(ends[1].trimmed().toLongLong(), expected.size());
        if (first <= last)
            expected.replace(first - 1, last - first + 1, QByteArray(last - first + 1, '\0'));
    }
    return expected;
}

std::unique_ptr<LibburnRecorder> recorderOn(const QString& image)
{
    return std::make_unique<LibburnRecorder>(
        LibburnRecorder::Options{false, {QStringLiteral("stdio:") + image}});
}

// Waits until the drive thread has done everything posted so far (a burn being cancelled
// included): a new recorder's list is made on that thread after them.
void waitForDriveThread(const QString& image)
{
    recorderOn(image)->RecorderCount();
}

// The burn page of the window: the burning control on an image file, the window's own recorder
// on the same file, the source browser, and what the window was asked to do.
struct BurnPage
{
    BurnPage(const QString& image, const QString& temp)
        : window(recorderOn(image))
        , tempFolder(temp)
    {
        texts.setText(78, QStringLiteral("text 78"));
        texts.setText(88, QStringLiteral("text 88"));
        texts.setText(113, QStringLiteral("text 113"));
        control = new K3Cindral(recorderOn(image), &host);
        browser = new FilesAndFoldersList(&host);
        handOff = std::make_unique<BurnHandOff>(
            *control, *window, texts,
            BurnHandOff::Host{[this](bool, bool n, bool) { nextEnabled = n; },
                              [this](bool, bool) {
                                  // As the window does on its way to the summary page.
                                  JobAssembly::DeleteJobTempFolder(tempFolder);
                                  ++reports;
                              },
                              [this] { return browser->Items_Count(); },
                              [this](int i) { return browser->SelectedItemName(i); },
                              [this] {
                                  delete control;
                                  control = nullptr;
                              }},
            &host);
    }
    ~BurnPage() { handOff.reset(); }

    QWidget host;
    TextRegister texts;
    std::unique_ptr<CDDVDBurner2> window;
    QString tempFolder;
    QPointer<K3Cindral> control;
    FilesAndFoldersList* browser = nullptr;
    std::unique_ptr<BurnHandOff> handOff;
    bool nextEnabled = false;
    int reports = 0;
};

// Runs the engine over the browser's list from the source root into destination.
bool recover(RecoveryProcess& engine, const FilesAndFoldersList& browser, const QString& destination)
{
    engine.setSourcePath(browser.CurrentPath());
    engine.setDestinationPath(destination);
    engine.setItems_Count(browser.Items_Count());
    for (int i = 1; i <= browser.Items_Count(); ++i) {
        engine.setFileName(i, browser.SelectedItemName(i));
        engine.setCopiedBytes(i, 0);
        engine.setIsDone(i, false);
        engine.setStartPosition(i, 0);
    }
    QSignalSpy done(&engine, &RecoveryProcess::ProcessDone);
    engine.StartProcess();
    return done.count() == 1;
}

} // namespace

class TestBurnEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_source;
    QString m_damage;

    QString path(const QString& name) const { return m_work.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed");
        QVERIFY(m_work.isValid());
        m_source = path(QStringLiteral("source"));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/a.txt"), pattern(100000, 1)));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/Sub/damaged one.bin"), pattern(300000, 2)));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/Sub/tail.bin"), pattern(70000, 3)));
        QVERIFY(writeFile(m_source + QStringLiteral("/top.bin"), pattern(131073, 4)));
        QVERIFY(writeFile(m_source + QStringLiteral("/empty.bin"), QByteArray()));
        QVERIFY(QDir().mkpath(m_source + QStringLiteral("/Empty folder")));
        m_damage = QStringLiteral("\"Docs/Sub/damaged one.bin\" 65536 20000\n"
                                  "Docs/Sub/tail.bin 69000 1000\n");
    }

    void directBurnFromTheMedium()
    {
        KORVALIS_REQUIRE_FUSE();
        // Program and temporary folder on one volume: no question, the files are burned from
        // where they are.
        int asked = 0;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            ++asked;
            qWarning() << m.text;
            return QMessageBox::Cancel;
        });
        QCOMPARE(BurnHandOff::chooseRoute(m_work.path() + QLatin1Char('/'),
                                          QDir::tempPath() + QLatin1Char('/'), nullptr),
                 BurnHandOff::Route::Direct);
        SimulatedMedium medium(m_source, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("direct.iso"));
        BurnPage page(image, path(QStringLiteral("unused/")));
        page.browser->setShowHidden(true);
        page.browser->setCurrentPath(medium.mountPoint() + QLatin1Char('/'));
        QVERIFY(page.browser->CreateFilesList());

        QSignalSpy ready(page.control.data(), &K3Cindral::DriveReady);
        QSignalSpy finished(page.control.data(), &K3Cindral::BurningFinished);
        page.handOff->startDirect(page.browser->CurrentPath());
        QTRY_VERIFY_WITH_TIMEOUT(page.nextEnabled, 20000);
        page.handOff->BeginBurn();
        QVERIFY(finished.wait(120000));
        QCOMPARE(page.reports, 1);
        QCOMPARE(asked, 0);

        const QString out = path(QStringLiteral("direct-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), filesBelow(m_source));
        QVERIFY(QFileInfo(out + QStringLiteral("/Empty folder")).isDir());
    }

    void burnThroughTheTemporaryFolder()
    {
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source, m_damage);
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString tempFolder = path(QStringLiteral("temp6")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(tempFolder));
        const QString image = path(QStringLiteral("viatemp.iso"));
        BurnPage page(image, tempFolder);
        page.browser->setShowHidden(true);
        page.browser->setCurrentPath(medium.mountPoint() + QLatin1Char('/'));
        QVERIFY(page.browser->CreateFilesList());

        QStringList messages;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            messages << m.text;
            return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        });
        const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
        QVERIFY(!job.isEmpty());
        RecoveryProcess engine;
        QVERIFY(recover(engine, *page.browser, job));
        QCOMPARE(engine.CorruptedFilesCount(), 2);

        QSignalSpy finished(page.control.data(), &K3Cindral::BurningFinished);
        page.handOff->startFromCopy(page.browser->CurrentPath(), job, tempFolder);
        QTRY_VERIFY_WITH_TIMEOUT(page.nextEnabled, 20000);
        page.handOff->BeginBurn();
        QVERIFY(finished.wait(120000));
        QCOMPARE(page.reports, 1);
        // Burned: the temporary job folder is gone, and leaving asks nothing.
        QVERIFY(!QFileInfo::exists(job));
        page.handOff->releaseTempCopy(tempFolder);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));

        std::map<QString, QByteArray> expected;
        for (const auto& [name, bytes] : filesBelow(m_source)) {
            const QString sourcePath = medium.mountPoint() + QLatin1Char('/') + name;
            const DamageRecords::Row* row = nullptr;
            for (int i = 1; i <= engine.DamageRecordCount(); ++i)
                if (engine.DamageRecord(i).file == sourcePath)
                    row = &engine.DamageRecord(i);
            expected[name] = expectedCopy(bytes, row);
        }
        QVERIFY(expected[QStringLiteral("Docs/Sub/damaged one.bin")] !=
                filesBelow(m_source)[QStringLiteral("Docs/Sub/damaged one.bin")]);
        const QString out = path(QStringLiteral("viatemp-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), expected);
        QVERIFY(QFileInfo(out + QStringLiteral("/Empty folder")).isDir());
    }

    void quittingDuringTheBurnKeepsTheCopy()
    {
        KORVALIS_REQUIRE_FUSE();
        const QString big = path(QStringLiteral("bigsource"));
        QVERIFY(writeFile(big + QStringLiteral("/big.bin"), pattern(64 * 1024 * 1024, 9)));
        QVERIFY(writeFile(big + QStringLiteral("/small.txt"), "small"));
        SimulatedMedium medium(big, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString tempFolder = path(QStringLiteral("tempq")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(tempFolder));
        const QString image = path(QStringLiteral("quit.iso"));
        auto page = std::make_unique<BurnPage>(image, tempFolder);
        page->browser->setCurrentPath(medium.mountPoint() + QLatin1Char('/'));
        QVERIFY(page->browser->CreateFilesList());
        const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
        {
            Prompt::ScopedAnswerer answerer([](const Prompt::Message&) { return QMessageBox::Cancel; });
            RecoveryProcess engine;
            QVERIFY(recover(engine, *page->browser, job));
        }
        page->handOff->startFromCopy(page->browser->CurrentPath(), job, tempFolder);
        QTRY_VERIFY_WITH_TIMEOUT(page->nextEnabled, 20000);
        QList<Prompt::Message> asked;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked << m;
            return m.icon == QMessageBox::Warning ? QMessageBox::Yes : QMessageBox::No;
        });
        page->handOff->BeginBurn();
        QVERIFY(page->control->isBurning());
        QVERIFY(page->handOff->mayQuit());
        QVERIFY(page->control.isNull());
        page->handOff->releaseTempCopy(tempFolder);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(page->reports, 0);

        // The copy is kept where the message says, whole.
        const QStringList kept = QDir(tempFolder).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        const QString where = tempFolder + kept[0] + QLatin1Char('/');
        QVERIFY2(asked[1].text.contains(where), qPrintable(asked[1].text));
        QCOMPARE(filesBelow(where), filesBelow(big));
        QVERIFY(!QFileInfo::exists(job));

        // The burn was stopped: the image is not a whole disc.
        page.reset();
        waitForDriveThread(image);
        qInfo() << "image bytes after the stop:" << QFileInfo(image).size();
        QVERIFY(QFileInfo(image).size() < 64 * 1024 * 1024);
    }
};

QTEST_MAIN(TestBurnEndToEnd)
#include "tst_burn_e2e.moc"
