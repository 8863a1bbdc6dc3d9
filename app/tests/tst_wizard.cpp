#include "LanguageFile.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "Wizard.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "isButton.h"

namespace {

// A language whose text n reads "t<n>".
LangTexts numberedTexts()
{
    LangTexts texts;
    for (size_t n = 1; n < texts.size(); ++n)
        texts[n] = QStringLiteral("t%1").arg(n);
    return texts;
}

} // namespace

class TestWizard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Wizard> makeWizard()
    {
        auto wizard = std::make_unique<Wizard>(m_folder.path() + QLatin1Char('/'));
        wizard->applyTexts(numberedTexts(), LanguageTexts{});
        wizard->setTempPath(m_folder.path() + QLatin1Char('/'));
        wizard->show();
        return wizard;
    }

    template <class T>
    static T* child(Wizard& wizard, const QString& name)
    {
        T* found = wizard.findChild<T*>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }

    static QList<bool> navStates(Wizard& w)
    {
        return {child<isButton>(w, QStringLiteral("Command10"))->isEnabled(),
                child<isButton>(w, QStringLiteral("Command11"))->isEnabled(),
                child<isButton>(w, QStringLiteral("Command12"))->isEnabled()};
    }

    // Puts the window on a page as the walk would have left it.
    static void standOn(Wizard& w, int page, int mode)
    {
        for (int i = 0; i < PageCount; ++i)
            w.page(i)->setVisible(i == page);
        w.page(page)->move(0, w.page(page)->y());
        w.flow().CurrentPage = page;
        w.flow().WizardMode = mode;
        w.SetNavButtons(true, false, true);
    }

    QTemporaryDir m_folder;

private Q_SLOTS:
    void startsOnTheMenuWithCaptionsAndTitle()
    {
        auto w = makeWizard();
        QCOMPARE(w->flow().CurrentPage, 0);
        QVERIFY(w->page(0)->isVisible());
        QCOMPARE(navStates(*w), (QList<bool>{false, true, true}));
        QCOMPARE(child<isButton>(*w, QStringLiteral("Command10"))->Caption(), QStringLiteral("  t37"));
        QCOMPARE(child<isButton>(*w, QStringLiteral("Command11"))->Caption(), QStringLiteral("  t38"));
        QCOMPARE(child<isButton>(*w, QStringLiteral("Command12"))->Caption(), QStringLiteral("  t36"));
        QCOMPARE(w->windowTitle(), QStringLiteral("t1 t2 t3"));
        auto* menu = child<QListWidget>(*w, QStringLiteral("MainMenu"));
        QCOMPARE(menu->count(), 3);
        QCOMPARE(menu->item(0)->text(), QStringLiteral("t8"));
        QCOMPARE(menu->item(2)->text(), QStringLiteral("t10"));
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Tips(4)"))->text(), QStringLiteral("t7"));
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Tips(0)"))->text(), QStringLiteral("t39 1.   t40"));
    }

    void discRouteAndBackResetsTheModeFromTheMenu()
    {
        auto w = makeWizard();
        w->clickMenuEntry(2);
        QCOMPARE(w->flow().WizardMode, int(ModeDiscToDisc));
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QVERIFY(w->page(2)->isVisible());
        QCOMPARE(w->page(2)->x(), 0);
        QCOMPARE(navStates(*w).mid(0, 2), (QList<bool>{true, true}));
        auto* tabs = child<QTabBar>(*w, QStringLiteral("CDRipTabStrip"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("t19"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("t20"));
        QVERIFY(child<QWidget>(*w, QStringLiteral("CDRipFrame(0)"))->isVisible());
        QVERIFY(!child<QWidget>(*w, QStringLiteral("CDRipFrame(1)"))->isVisible());

        // The second tab lists the machine's drives.
        Q_EMIT tabs->tabBarClicked(1);
        QVERIFY(child<QWidget>(*w, QStringLiteral("CDRipFrame(1)"))->isVisible());
        QVERIFY(child<QTreeWidget>(*w, QStringLiteral("DriveList(0)"))->topLevelItemCount() > 0);

        // Back leads to the menu and takes the mode from the entry chosen there.
        child<QListWidget>(*w, QStringLiteral("MainMenu"))->setCurrentRow(0);
        w->flow().WizardMode = ModeDiscToDisc;
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(navStates(*w).mid(0, 2), (QList<bool>{false, true}));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToFolder));
        // The page left behind is hidden, so that neither keys nor a screen reader reach it.
        QVERIFY(!w->page(2)->isVisible());
        for (int i = 0; i < PageCount; ++i)
            QCOMPARE(w->page(i)->isVisible(), i == MenuPage);
    }

    void aSecondSwitchNeverStartsWhileOneSlides()
    {
        auto w = makeWizard();
        w->clickMenuEntry(2);
        bool refused = false;
        bool nextIgnored = false;
        QTimer::singleShot(70, w.get(), [&] {
            QVERIFY(w->flow().isSliding());
            w->clickNext();
            nextIgnored = w->flow().targetPage() == DiscPage;
            w->flow().PageStep = 2;
            refused = !w->MoveToFrame();
        });
        w->clickNext();
        QVERIFY(refused);
        QVERIFY(nextIgnored);
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
    }

    void theTemporaryRouteIgnoresTheTabStrip()
    {
        auto w = makeWizard();
        standOn(*w, DiscPage, ModeRecoverToDiscViaTemp);
        child<QWidget>(*w, QStringLiteral("CDRipFrame(0)"))->hide();
        child<QWidget>(*w, QStringLiteral("CDRipFrame(1)"))->show();
        auto* tabs = child<QTabBar>(*w, QStringLiteral("CDRipTabStrip"));
        tabs->addTab(QStringLiteral("t20"));
        Q_EMIT tabs->tabBarClicked(0);
        QVERIFY(child<QWidget>(*w, QStringLiteral("CDRipFrame(1)"))->isVisible());
        QVERIFY(!child<QWidget>(*w, QStringLiteral("CDRipFrame(0)"))->isVisible());
    }

    void backFromEveryPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("arrival");
        QTest::addColumn<bool>("removesTheJobFolder");
        QTest::newRow("source") << 1 << 1 << 0 << false;
        QTest::newRow("disc, disc to disc") << 2 << 2 << 0 << false;
        QTest::newRow("disc, temporary route") << 2 << 6 << 1 << false;
        QTest::newRow("destination") << 3 << 1 << 1 << false;
        QTest::newRow("progress has no Back") << 4 << 1 << 4 << false;
        QTest::newRow("burn, nothing copied") << 5 << 3 << 0 << true;
        QTest::newRow("report") << 6 << 1 << 0 << true;
        QTest::newRow("history") << 7 << 4 << 0 << false;
    }

    void backFromEveryPage()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        QFETCH(int, arrival);
        QFETCH(bool, removesTheJobFolder);
        auto w = makeWizard();
        const QString job = m_folder.path() + QStringLiteral("/kvs_temp_folder");
        QVERIFY(QDir().mkpath(job));
        standOn(*w, page, mode);
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, arrival);
        QVERIFY(w->page(arrival)->isVisible());
        QCOMPARE(QDir(job).exists(), !removesTheJobFolder);
        if (arrival == MenuPage)
            QCOMPARE(navStates(*w), (QList<bool>{false, true, true}));
        if (arrival == SourcePage)
            QCOMPARE(navStates(*w), (QList<bool>{true, true, true}));
        QDir(job).removeRecursively();
    }

    void historyWithoutAFileStaysOnTheMenu()
    {
        auto w = makeWizard();
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        w->flow().WizardMode = ModeHistory;
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("t127"));
        QCOMPARE(shown[0].icon, QMessageBox::Information);
        QCOMPARE(shown[0].title, QStringLiteral("Korvalis"));
    }

    void folderDialogSetsTheTemporaryFolder()
    {
        auto w = makeWizard();
        const QString before = w->TempPath();
        bool acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) {
                QCOMPARE(modal->windowTitle(), QStringLiteral("t90"));
                ModalDriver::clickButton(modal, QStringLiteral("t35"));
            },
            &acted);
        child<isButton>(*w, QStringLiteral("Command2"))->click();
        QVERIFY(acted);
        QCOMPARE(w->TempPath(), before);

        acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("t91")); }, &acted);
        child<isButton>(*w, QStringLiteral("Command2"))->click();
        QVERIFY(acted);
        // It opens on the working directory.
        const QString expected = QDir::currentPath() + QLatin1Char('/');
        QCOMPARE(w->TempPath(), expected);
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("TempFolder(0)"))->text(), expected);
    }

    void aboutBoxAndLicence()
    {
        auto w = makeWizard();
        bool aboutSeen = false;
        QString licence;
        ModalDriver::onNextModal(
            [&](QWidget* about) {
                QCOMPARE(about->windowTitle(), QStringLiteral("t292"));
                QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("t1"));
                QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
                         QStringLiteral("t2 t3"));
                QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblDescription"))->text(),
                         QStringLiteral("t5"));
                ModalDriver::onNextModal([&](QWidget* viewer) {
                    QCOMPARE(viewer->windowTitle(), QStringLiteral("t295"));
                    licence = viewer->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
                    ModalDriver::clickButton(viewer, QStringLiteral("Command1"));
                });
                ModalDriver::clickButton(about, QStringLiteral("t294"));
                ModalDriver::clickButton(about, QStringLiteral("t315"));
            },
            &aboutSeen);
        QMetaObject::invokeMethod(child<QLabel>(*w, QStringLiteral("DesignC")), "clicked");
        QVERIFY(aboutSeen);
        QCOMPARE(licence, QStringLiteral("t95"));
    }

    void exitRemovesTheJobFolderAndUnloads()
    {
        auto w = makeWizard();
        const QString job = m_folder.path() + QStringLiteral("/kvs_temp_folder");
        QVERIFY(QDir().mkpath(job));
        QSignalSpy unloaded(w.get(), &Wizard::unloaded);
        w->clickExit();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!QDir(job).exists());
        QVERIFY(!w->isVisible());
    }

    void reportPageShowsTheRun()
    {
        auto w = makeWizard();
        RunTotals totals;
        totals.itemsCount = 4;
        totals.itemsNotCopied = 1;
        totals.corruptedFiles = 1;
        totals.currentFile = 3;
        totals.totalCopiedBytes = 10380902;
        totals.totalLostBytes = 8192;
        w->ShowRunSummary(true, true, totals);
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("ConfermReportValue(4)"))->text(),
                 QStringLiteral("9 t308"));
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("ConfermReportValue(9)"))->text(), QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("ConfermReportValue(2)"))->text(),
                 QStringLiteral("t129"));
        // Paused is said as paused, not as stopped.
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Tips(2)"))->text(), QStringLiteral("t129"));
        QVERIFY(!child<QWidget>(*w, QStringLiteral("ReportPageDiv(2)"))->isHidden());
        w->ShowRunSummary(false, true, totals);
        QVERIFY(child<QWidget>(*w, QStringLiteral("ReportPageDiv(2)"))->isHidden());
        // A run that went through with a file not copied does not say it is complete.
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Tips(2)"))->text(), QStringLiteral("t170"));
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("ConfermReportValue(2)"))->text(),
                 QStringLiteral("t171"));
    }
};

QTEST_MAIN(TestWizard)
#include "tst_wizard.moc"
