// Closing the main window during a copy: it asks like Exit, the paused run is in the history
// with its resume point, and after a new start the restart entry finishes the file.
#include "BuiltLanguage.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SimulatedMedium.h"
#include "Wizard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

using MediumFiles::pattern;
using MediumFiles::writeFile;

} // namespace

class TestWindowClose : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QDir::tempPath().toLocal8Bit() + "/korvalis-windowclose-config");
    }

    void closingDuringACopyAsksAndKeepsTheRun()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir program, source, target;
        QVERIFY(BuiltLanguage::copyInto(program.path()));
        const QByteArray slow = pattern(4 * 65536, 7);
        QVERIFY(writeFile(source.filePath(QStringLiteral("s/1 slow.bin")), slow));
        QVERIFY(writeFile(source.filePath(QStringLiteral("s/2.bin")), pattern(5000, 8)));
        // Reads of the first file stall now and then, so the window is closed in the middle of it.
        QString map;
        for (int block = 2; block < 4; ++block)
            map += QStringLiteral("\"s/1 slow.bin\" %1 1 delay=400 weak=1\n").arg(block * 65536 + 100);
        SimulatedMedium medium(source.path(), map);
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');

        QStringList dialogs;
        Prompt::ScopedAnswerer answers([](const Prompt::Message&) { return QMessageBox::Ok; },
                                       [&](QDialog& dialog) {
                                           // The abort dialog is driven for real.
                                           if (dialog.objectName() == QLatin1String("toAbortProcess"))
                                               return dialog.exec();
                                           dialogs << dialog.objectName();
                                           return int(QDialog::Rejected);
                                       });
        {
            auto w = startWizard(program.path());
            QVERIFY(w);
            w->show();
            QSignalSpy unloaded(w.get(), &Wizard::unloaded);
            auto* engine = child<RecoveryProcess>(*w, QStringLiteral("RecoveryProcess1"));
            bool asked = false;
            QTimer poll;
            poll.setInterval(20);
            connect(&poll, &QTimer::timeout, engine, [&] {
                if (!engine->isCopyingProcess() ||
                    QFileInfo(target.filePath(QStringLiteral("1 slow.bin"))).size() == 0)
                    return;
                poll.stop();
                // The title bar's close button: the abort dialog asks; Pause.
                ModalDriver::onNextModal(
                    [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Command1(1)")); },
                    &asked);
                QVERIFY(!w->close());
            });
            poll.start();

            w->clickMenuEntry(1);
            w->clickNext();
            QCOMPARE(w->flow().CurrentPage, int(SourcePage));
            auto* browser = child<FilesAndFoldersList>(*w, QStringLiteral("FilesAndFoldersList1"));
            browser->setCurrentPath(m + QStringLiteral("s"));
            auto* list = child<QListWidget>(*browser, QStringLiteral("FilesList"));
            QTRY_COMPARE(list->count(), 2);
            list->selectAll();
            w->clickNext();
            QCOMPARE(w->flow().CurrentPage, int(DestinationPage));
            child<FilesAndFoldersList>(*w, QStringLiteral("FilesAndFoldersList2"))
                ->setCurrentPath(target.path());
            w->clickNext();
            QVERIFY(asked);
            // The run ended paused and was recorded; then the window went.
            QTRY_COMPARE(unloaded.count(), 1);
            QVERIFY(!w->isVisible());
            QVERIFY(QFileInfo(target.filePath(QStringLiteral("1 slow.bin"))).size() < slow.size());
        }

        // The next start: the run is in the history, and the restart entry finishes it.
        auto w = startWizard(program.path());
        QVERIFY(w);
        w->show();
        QCOMPARE(w->flow().MenuIndexOffset, 1);
        w->clickNext(); // the menu's first entry is the restart, chosen at start
        QTRY_COMPARE(w->flow().CurrentPage, int(ReportPage));
        QFile copy(target.filePath(QStringLiteral("1 slow.bin")));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), slow);
        QVERIFY(QFile::exists(target.filePath(QStringLiteral("2.bin"))));
        QVERIFY2(dialogs.isEmpty(), qPrintable(dialogs.join(QLatin1Char('|'))));
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        w->clickMenuEntry(1);
        w->flow().WizardMode = ModeHistory;
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        // Two runs: the one closed with the window, paused, and the one that finished it.
        QCOMPARE(child<QTreeWidget>(*w, QStringLiteral("ReportsHistoryList"))->topLevelItemCount(), 2);
    }
};

QTEST_MAIN(TestWindowClose)
#include "tst_windowclose.moc"
