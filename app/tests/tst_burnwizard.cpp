// The burn tasks from the main window: the menu, the source page, the copy into the temporary
// folder, the burn page and the summary page, with the damaged-medium simulator as the source
// and libburn writing an image file as the recorder.
#include "FilesAndFoldersList.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "LibburnRecorder.h"
#include "MediumFiles.h"
#include "Prompt.h"
#include "SimulatedMedium.h"
#include "Wizard.h"
#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace {

using MediumFiles::filesBelow;
using MediumFiles::pattern;
using MediumFiles::writeFile;

void makeWritable(const QString& root)
{
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    }
}

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
    return xorriso.exitCode() == 0;
}

LangTexts numberedTexts()
{
    LangTexts texts;
    for (int n = 1; n <= 150; ++n)
        texts[static_cast<size_t>(n)] = QStringLiteral("t%1").arg(n);
    return texts;
}

isButton* button(Wizard& w, const char* name)
{
    return w.findChild<isButton*>(QLatin1String(name));
}

} // namespace

class TestBurnWizard : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_source;
    QStringList m_messages;
    QMessageBox::StandardButton m_keepAnswer = QMessageBox::No;

    QString path(const QString& name) const { return m_work.filePath(name); }

    // A window whose recorder writes into image, with the temporary folder tempFolder.
    std::unique_ptr<Wizard> makeWizard(const QString& appFolder, const QString& image,
                                       const QString& tempFolder)
    {
        qputenv("KORVALIS_EXTRA_RECORDERS", (QStringLiteral("stdio:") + image).toUtf8());
        QDir().mkpath(appFolder); // the run's history is written there
        auto w = std::make_unique<Wizard>(appFolder);
        qunsetenv("KORVALIS_EXTRA_RECORDERS");
        w->applyTexts(numberedTexts(), LanguageTexts{});
        w->setTempPath(tempFolder);
        w->show();
        return w;
    }

    // The menu's burn task, then the whole medium chosen on the source page.
    bool chooseTheMedium(Wizard& w, const QString& mount)
    {
        w.clickMenuEntry(3);
        w.clickNext();
        if (w.flow().CurrentPage != SourcePage) {
            qWarning() << "not on the source page:" << w.flow().CurrentPage << m_messages;
            return false;
        }
        auto* browser = w.findChild<FilesAndFoldersList*>(QStringLiteral("FilesAndFoldersList1"));
        browser->setCurrentPath(mount + QLatin1Char('/'));
        auto* list = browser->findChild<QListWidget*>(QStringLiteral("FilesList"));
        if (!QTest::qWaitFor([&] { return list->count() >= 2; }, 10000)) {
            qWarning() << "the medium was not listed:" << list->count() << browser->CurrentPath();
            return false;
        }
        list->selectAll();
        w.clickNext();
        return true;
    }

    Prompt::MessageAnswerer answers()
    {
        return [this](const Prompt::Message& m) {
            m_messages << m.text;
            if (m.text.startsWith(QLatin1String("Do you want to copy")))
                return QMessageBox::Yes;
            if (m.text.startsWith(QLatin1String("The recovered files have not been burned")))
                return m_keepAnswer;
            return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        };
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed");
        m_source = path(QStringLiteral("source"));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/a.txt"), pattern(100000, 1)));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/Sub/damaged one.bin"), pattern(300000, 2)));
        QVERIFY(writeFile(m_source + QStringLiteral("/top.bin"), pattern(131073, 4)));
    }

    void init() { m_messages.clear(); }

    void directBurnLandsOnTheSummaryPage()
    {
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("direct.iso"));
        const QString temp = path(QStringLiteral("temp3")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        // The program folder and the temporary folder on one volume: no question.
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QCOMPARE(w->flow().CurrentPage, int(BurnPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDisc));
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        const QString out = path(QStringLiteral("direct-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), filesBelow(m_source));
    }

    void burnThroughTheTemporaryFolder_data()
    {
        QTest::addColumn<bool>("burn");
        QTest::newRow("burned") << true;
        QTest::newRow("left before burning") << false;
    }

    void burnThroughTheTemporaryFolder()
    {
        QFETCH(bool, burn);
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source, QStringLiteral("\"Docs/Sub/damaged one.bin\" 65536 20000\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("viatemp%1.iso").arg(burn));
        const QString temp = path(QStringLiteral("temp6-%1").arg(burn)) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        // The program folder on another volume than the temporary folder: the question, Yes.
        auto w = makeWizard(medium.mountPoint() + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDiscViaTemp));
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(BurnPage), 60000);
        const QString job = temp + JobAssembly::jobFolderName() + QLatin1Char('/');
        std::map<QString, QByteArray> expected = filesBelow(m_source);
        QByteArray& damaged = expected[QStringLiteral("Docs/Sub/damaged one.bin")];
        // After the rescue phase only the 512-byte sectors of the failing range are zeros.
        damaged.replace(65536, 20480, QByteArray(20480, '\0'));
        QCOMPARE(filesBelow(job), expected);
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);

        if (burn) {
            w->clickNext();
            QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
            QVERIFY(!QFileInfo::exists(job));
            const QString out = path(QStringLiteral("viatemp-out"));
            QVERIFY(extractImage(image, out));
            QCOMPARE(filesBelow(out), expected);
            // The program folder is the read-only medium: the run's history cannot be kept there.
            QCOMPARE(m_messages.size(), 2);
            QVERIFY(m_messages.last().startsWith(QLatin1String("Unable to save recovery report!")));
            return;
        }
        // Back from the burn page without a burn: the copy is kept and the user told where.
        m_keepAnswer = QMessageBox::No;
        w->clickBack();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(MenuPage), 10000);
        QCOMPARE(m_messages.size(), 2);
        const QStringList kept = QDir(temp).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(m_messages[1].contains(temp + kept[0]), qPrintable(m_messages[1]));
        QCOMPARE(filesBelow(temp + kept[0]), expected);
        QVERIFY(!QFileInfo::exists(image) || QFileInfo(image).size() == 0);
    }

    void discToDiscCopiesTheWholeDiscThenBurns()
    {
        KORVALIS_REQUIRE_FUSE();
        // The disc to copy: its mounted volume, as the recorder list finds it for a real drive.
        SimulatedMedium disc(m_source, QStringLiteral("top.bin 70000 100\n"));
        QVERIFY2(disc.mount(), qPrintable(disc.errorString()));
        const QString image = path(QStringLiteral("copy.iso"));
        const QString temp = path(QStringLiteral("temp2")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        w->clickMenuEntry(2);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        auto* recorders = w->page(DiscPage)->findChild<QComboBox*>(QStringLiteral("SourceDrives"));
        QCOMPARE(recorders->count(), 1);
        QCOMPARE(recorders->itemText(0), QStringLiteral("stdio:") + image);
        recorders->setItemData(0, QString(disc.mountPoint() + QLatin1Char('/')));
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(BurnPage), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
        QVERIFY(!QFileInfo::exists(temp + JobAssembly::jobFolderName()));
        std::map<QString, QByteArray> expected = filesBelow(m_source);
        expected[QStringLiteral("top.bin")].replace(69632, 512, QByteArray(512, '\0'));
        const QString out = path(QStringLiteral("copy-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), expected);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    }

    void exitWhileBurningAsksFirst()
    {
        KORVALIS_REQUIRE_FUSE();
        const QString big = path(QStringLiteral("big"));
        QVERIFY(writeFile(big + QStringLiteral("/big.bin"), pattern(64 * 1024 * 1024, 9)));
        QVERIFY(writeFile(big + QStringLiteral("/small.txt"), "small"));
        SimulatedMedium medium(big, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("exit.iso"));
        const QString temp = path(QStringLiteral("tempx")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        QList<Prompt::Message> asked;
        QMessageBox::StandardButton quitAnswer = QMessageBox::No;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked << m;
            return m.icon == QMessageBox::Warning ? quitAnswer : QMessageBox::Ok;
        });
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        QSignalSpy unloaded(w.get(), &Wizard::unloaded);
        w->clickNext();
        auto* control = w->findChild<K3Cindral*>(QStringLiteral("K3Cindral1"));
        QVERIFY(control->isBurning());
        QVERIFY(button(*w, "Command12")->isEnabled());
        // No: the burn goes on.
        w->clickExit();
        QCOMPARE(asked.size(), 1);
        QVERIFY(control->isBurning());
        QVERIFY(unloaded.isEmpty());
        // Closing the window asks too; Yes stops the burn and ends the program.
        quitAnswer = QMessageBox::Yes;
        w->close();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!w->findChild<K3Cindral*>(QStringLiteral("K3Cindral1")));
        QVERIFY(w->flow().CurrentPage != ReportPage);
        // The burn was stopped, not written to the end: once the drive thread has done all it
        // was given (a new recorder's list is made after it), the image is short.
        w.reset();
        LibburnRecorder(LibburnRecorder::Options{false, {QStringLiteral("stdio:") + image}}).RecorderCount();
        QVERIFY(QFileInfo(image).size() < 64 * 1024 * 1024);
    }
};

QTEST_MAIN(TestBurnWizard)
#include "tst_burnwizard.moc"
