#include "BuiltLanguage.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "TableEngine.h"
#include "Volumes.h"
#include "Wizard.h"
#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QList<bool> navStates(Wizard& w)
{
    return {child<isButton>(&w, QStringLiteral("Command10"))->isEnabled(),
            child<isButton>(&w, QStringLiteral("Command11"))->isEnabled(),
            child<isButton>(&w, QStringLiteral("Command12"))->isEnabled()};
}

} // namespace

// The walk through the pages with the real controls, in a program folder of its own.
class TestPageRoutes : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_program;
    QTemporaryDir m_files; // what the tests recover
    QList<Prompt::Message> m_shown;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    std::unique_ptr<Prompt::ScopedAnswerer> m_answers;

    std::unique_ptr<Wizard> start()
    {
        auto wizard = startWizard(m_program->path());
        if (wizard) {
            wizard->show();
            wizard->setTempPath(m_program->path() + QLatin1Char('/'));
        }
        return wizard;
    }

    // Walks from the menu to the source page in `mode` and selects `names` there.
    bool toSourcePage(Wizard& w, int menuPosition, const QStringList& names)
    {
        w.clickMenuEntry(menuPosition);
        w.clickNext();
        if (w.flow().CurrentPage != SourcePage)
            return false;
        auto* browser = child<FilesAndFoldersList>(&w, QStringLiteral("FilesAndFoldersList1"));
        browser->setCurrentPath(m_files.path() + QLatin1Char('/'));
        auto* list = child<QListWidget>(browser, QStringLiteral("FilesList"));
        for (const QString& name : names) {
            if (!QTest::qWaitFor([&] { return !list->findItems(name, Qt::MatchExactly).isEmpty(); }, 10000))
                return false;
            list->findItems(name, Qt::MatchExactly).first()->setSelected(true);
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QFile::exists(BuiltLanguage::file()));
        QFile f(m_files.filePath(QStringLiteral("photo.jpg")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(70000, 'p'));
    }

    void init()
    {
        m_program = std::make_unique<QTemporaryDir>();
        QVERIFY(BuiltLanguage::copyInto(m_program->path()));
        m_shown.clear();
        m_answer = QMessageBox::Ok;
        m_answers = std::make_unique<Prompt::ScopedAnswerer>([this](const Prompt::Message& m) {
            m_shown.append(m);
            return m_answer;
        });
    }

    void cleanup() { m_answers.reset(); }

    void sourceAndDestinationMustDiffer()
    {
        auto w = start();
        QVERIFY(w);
        QVERIFY(toSourcePage(*w, 1, {QStringLiteral("photo.jpg")}));
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DestinationPage));
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        auto* destination = child<FilesAndFoldersList>(w.get(), QStringLiteral("FilesAndFoldersList2"));
        destination->setCurrentPath(m_files.path() + QLatin1Char('/'));
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DestinationPage));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, w->texts().text(25));
        QCOMPARE(m_shown[0].icon, QMessageBox::Warning);
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        QVERIFY(!child<RecoveryProcess>(w.get(), QStringLiteral("RecoveryProcess1"))->isCopyingProcess());
        // Back goes two pages, to the source page.
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(SourcePage));
    }

    void nothingSelectedStaysOnTheSourcePage()
    {
        auto w = start();
        QVERIFY(w);
        QVERIFY(toSourcePage(*w, 1, {}));
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(SourcePage));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, w->texts().text(33));
        QCOMPARE(m_shown[0].icon, QMessageBox::Warning);
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
    }

    void aSelectionTooLongToListIsRefused()
    {
        QVERIFY(QDir().mkpath(m_files.filePath(QStringLiteral("album"))));
        for (const char* name : {"album/1.jpg", "album/2.jpg"}) {
            QFile f(m_files.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto w = start();
        QVERIFY(w);
        QVERIFY(toSourcePage(*w, 1, {QStringLiteral("album")}));
        child<FilesAndFoldersList>(w.get(), QStringLiteral("FilesAndFoldersList1"))->setEntryLimit(2);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(SourcePage));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, w->texts().text(32));
        QCOMPARE(m_shown[0].icon, QMessageBox::Critical);
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        QDir(m_files.filePath(QStringLiteral("album"))).removeRecursively();
    }

    void discRouteWithoutADisc()
    {
        auto w = start();
        QVERIFY(w);
        w->clickMenuEntry(2);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        auto* drives = w->page(DiscPage)->findChild<QComboBox*>(QStringLiteral("SourceDrives"));
        drives->clear(); // no disc drive, whatever the machine has
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        // No drive at all is said plainly, not blamed on a disc.
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, w->texts().text(190));
        QCOMPARE(m_shown[0].icon, QMessageBox::Information);
        QCOMPARE(navStates(*w), (QList<bool>{true, false, true}));
        // A drive without a mounted disc (the page entered again with one): the disc cannot be read.
        drives->addItem(QStringLiteral("/dev/sr0"), QString());
        child<QWidget>(w.get(), QStringLiteral("Command11"))->setEnabled(true);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(m_shown[1].text, w->texts().text(66));
        QCOMPARE(m_shown[1].icon, QMessageBox::Critical);
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
    }

    void burnDirectlyReachesTheBurnPage()
    {
        auto w = start();
        QVERIFY(w);
        // The temporary folder on the program's volume: no question, the files go straight to disc.
        QVERIFY(toSourcePage(*w, 3, {QStringLiteral("photo.jpg")}));
        w->clickNext();
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(w->flow().CurrentPage, int(BurnPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDisc));
        const QList<bool> states = navStates(*w);
        QVERIFY(states[0] && states[2]);
        auto* engine = child<RecoveryProcess>(w.get(), QStringLiteral("RecoveryProcess1"));
        QCOMPARE(engine->Items_Count(), 1);
        QCOMPARE(engine->CurrentFile(), 1);
        QCOMPARE(engine->TotalCopiedBytes(), 70000.0);
        QCOMPARE(engine->ItemsFolders_Count(), -1);
        QCOMPARE(child<isButton>(w.get(), QStringLiteral("Command11"))->Caption(),
                 QStringLiteral("  ") + w->texts().text(34));
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
    }

    void burnThroughTheTemporaryFolder()
    {
        const QString shm = QStringLiteral("/dev/shm/");
        if (!QFileInfo(shm).isWritable() || Platform::Volumes::sameVolume(shm, m_program->path()))
            QSKIP("needs a writable temporary folder on another volume than the program folder");
        QTemporaryDir temp(shm + QStringLiteral("korvalis-XXXXXX"));
        auto w = start();
        QVERIFY(w);
        w->setTempPath(temp.path() + QLatin1Char('/'));
        m_answer = QMessageBox::Yes;
        QVERIFY(toSourcePage(*w, 3, {QStringLiteral("photo.jpg")}));
        w->clickNext();
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].icon, QMessageBox::Question);
        QCOMPARE(m_shown[0].text,
                 QStringLiteral("Do you want to copy the files into a temporary folder before burning?"));
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDiscViaTemp));
        QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        auto* tabs = child<QTabBar>(w.get(), QStringLiteral("CDRipTabStrip"));
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), w->texts().text(20));
        QVERIFY(child<QWidget>(w.get(), QStringLiteral("CDRipFrame(1)"))->isVisible());
        QVERIFY(child<QTreeWidget>(w.get(), QStringLiteral("DriveList(0)"))->topLevelItemCount() > 0);

        // Next copies into the job folder, then the burn page waits for a disc.
        w->clickNext();
        QTRY_COMPARE(w->flow().CurrentPage, int(BurnPage));
        const QString job = temp.path() + QStringLiteral("/kvs_temp_folder/");
        QCOMPARE(QFileInfo(job + QStringLiteral("photo.jpg")).size(), 70000);
        const QList<bool> states = navStates(*w);
        QVERIFY(states[0] && states[2]);

        // Leaving before anything was burned keeps the copy unless the user lets it go.
        m_shown.clear();
        m_answer = QMessageBox::No;
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].icon, QMessageBox::Question);
        // Kept beside the job folder, where the next burn task cannot empty it.
        const QStringList kept = QDir(temp.path()).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        const QString where = temp.path() + QLatin1Char('/') + kept[0];
        QVERIFY(m_shown[0].text.contains(where));
        QVERIFY(QFileInfo::exists(where + QStringLiteral("/photo.jpg")));

        // The next task starts as mode 3 again.
        w->flow().WizardMode = ModeRecoverToDiscViaTemp;
        w->clickNext();
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDisc));
        QCOMPARE(w->flow().CurrentPage, int(SourcePage));

        // Once more to the burn page; this time the user lets the copy go.
        auto* list = child<QListWidget>(child<QObject>(w.get(), QStringLiteral("FilesAndFoldersList1")),
                                        QStringLiteral("FilesList"));
        child<FilesAndFoldersList>(w.get(), QStringLiteral("FilesAndFoldersList1"))
            ->setCurrentPath(m_files.path() + QLatin1Char('/'));
        QVERIFY(QTest::qWaitFor([&] { return list->count() > 0; }, 10000));
        list->item(0)->setSelected(true);
        m_answer = QMessageBox::Yes;
        w->clickNext(); // to the disc page, through the temporary folder
        w->clickNext(); // copy, then the burn page
        QTRY_COMPARE(w->flow().CurrentPage, int(BurnPage));
        w->clickBack();
        QVERIFY(!QFileInfo::exists(job));
        QCOMPARE(QDir(temp.path()).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs), kept);
    }

    void historyOffersTheRestartAndItsPage()
    {
        const QString reports = m_program->filePath(QStringLiteral("reports.sir"));
        {
            TableEngine engine;
            const QString ref = QLatin1Char('"') + reports + QLatin1Char('"');
            engine.SetRowCount(ref, 3);
            engine.SetCell(ref, 0, 9, 1);
            // Row 0, column 10: the entries the paused run of row 1 left, which the restart runs.
            const QString job = ref + QStringLiteral("/[0,10]");
            engine.SetCell(job, 0, 1, QStringLiteral("/media/cdrom/"));
            engine.SetCell(job, 0, 2, QStringLiteral("/tmp/"));
            engine.SetCell(job, 1, 1, QStringLiteral("/media/cdrom/a.bin"));
            engine.SetCell(job, 1, 2, 4096);
            engine.SetCell(ref, 1, 1, QStringLiteral("2026-12-01"));
            engine.SetCell(ref, 1, 3, QStringLiteral("/media/cdrom/"));
            engine.SetCell(ref, 3, 1, QStringLiteral("2026-12-07"));
            engine.SetCell(ref, 3, 9, QStringLiteral("x"));
            engine.SetCell(ref, 3, 10, 2);
            engine.CloseAll();
        }
        auto w = start();
        QVERIFY(w);
        auto* menu = child<QListWidget>(w.get(), QStringLiteral("MainMenu"));
        QCOMPARE(menu->count(), 4);
        QCOMPARE(menu->item(0)->text(), w->texts().text(126));
        QCOMPARE(w->flow().MenuIndexOffset, 1);
        QCOMPARE(w->flow().WizardMode, int(ModeRestart));
        w->clickMenuEntry(2);
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToFolder));

        w->flow().WizardMode = ModeHistory;
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        QVERIFY(m_shown.isEmpty());
        const QList<bool> states = navStates(*w);
        QVERIFY(states[0] && !states[1]);
        auto* list = child<QTreeWidget>(w.get(), QStringLiteral("ReportsHistoryList"));
        QCOMPARE(list->topLevelItemCount(), 2); // row 2 has no date
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("2026-12-07"));
        QCOMPARE(list->topLevelItem(0)->text(8), QStringLiteral("3"));
        QCOMPARE(list->topLevelItem(0)->text(9), QStringLiteral("2"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("/media/cdrom/"));
        QCOMPARE(list->topLevelItem(1)->text(8), QStringLiteral("0"));
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
    }
};

QTEST_MAIN(TestPageRoutes)
#include "tst_pageroutes.moc"
