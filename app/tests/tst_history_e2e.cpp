// Two recoveries through the main window from a damaged medium (a real FUSE file system), then
// the history page and the details window of the damaged run, and the restart of a paused run.
#include "BuiltLanguage.h"
#include "ClickableLabel.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "PageBanner.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "ReportDetailsWindow.h"
#include "SimulatedMedium.h"
#include "Wizard.h"
#include "isButton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

using MediumFiles::pattern;
using MediumFiles::writeFile;

} // namespace

class TestHistoryEndToEnd : public QObject
{
    Q_OBJECT

    QStringList m_unexpected;

    Prompt::MessageAnswerer recordAll()
    {
        return [this](const Prompt::Message& m) {
            m_unexpected << m.text;
            return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        };
    }

    // One recovery to a folder: the menu, the chosen files of `folder`, the destination, the
    // copy; returns on the report page.
    void recover(Wizard& w, const QString& folder, const QStringList& names, const QString& destination)
    {
        w.clickMenuEntry(1 + w.flow().MenuIndexOffset);
        QCOMPARE(w.flow().WizardMode, int(ModeRecoverToFolder));
        w.clickNext();
        QCOMPARE(w.flow().CurrentPage, int(SourcePage));
        auto* source = child<FilesAndFoldersList>(w, QStringLiteral("FilesAndFoldersList1"));
        source->setCurrentPath(folder);
        auto* list = child<QListWidget>(*source, QStringLiteral("FilesList"));
        list->clearSelection();
        for (const QString& n : names) {
            const auto found = list->findItems(n, Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable(n));
            found.first()->setSelected(true);
        }
        w.clickNext();
        QCOMPARE(w.flow().CurrentPage, int(DestinationPage));
        child<FilesAndFoldersList>(w, QStringLiteral("FilesAndFoldersList2"))->setCurrentPath(destination);
        w.clickNext(); // the copy runs inside, and ends on the report page
        QTRY_COMPARE(w.flow().CurrentPage, int(ReportPage));
    }

private Q_SLOTS:
    void twoRunsThenHistoryAndDetails()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir program, source, target;
        QVERIFY(BuiltLanguage::copyInto(program.path()));
        QVERIFY(writeFile(source.filePath(QStringLiteral("clean/a.txt")), pattern(70000, 1)));
        QVERIFY(writeFile(source.filePath(QStringLiteral("clean/b.bin")), pattern(200000, 2)));
        QVERIFY(writeFile(source.filePath(QStringLiteral("hurt/x.bin")), pattern(300000, 3)));
        QVERIFY(writeFile(source.filePath(QStringLiteral("hurt/y y.bin")), pattern(150000, 4)));
        QVERIFY(writeFile(source.filePath(QStringLiteral("hurt/z.txt")), pattern(9000, 5)));
        SimulatedMedium medium(source.path(), QStringLiteral("hurt/x.bin 65536 20000\n"
                                                             "hurt/x.bin 200000 1\n"
                                                             "\"hurt/y y.bin\" 149990 10\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString d1 = target.filePath(QStringLiteral("one"));
        const QString d2 = target.filePath(QStringLiteral("two"));
        QVERIFY(QDir().mkpath(d1));
        QVERIFY(QDir().mkpath(d2));

        Prompt::ScopedAnswerer answers(recordAll());
        auto w = startWizard(program.path());
        QVERIFY(w);
        m_unexpected.clear(); // the start may say that burning needs access to the drives
        w->show();
        // The language file carries the banner pictures: the banner is on.
        auto* banner = w->findChild<PageBanner*>();
        QVERIFY(banner && !banner->isOff());

        recover(*w, m + QStringLiteral("clean"), {QStringLiteral("a.txt"), QStringLiteral("b.bin")}, d1);
        QVERIFY(child<ClickableLabel>(*w, QStringLiteral("Adv4th"))->isVisible());
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));

        recover(*w, m + QStringLiteral("hurt"),
                {QStringLiteral("x.bin"), QStringLiteral("y y.bin"), QStringLiteral("z.txt")}, d2);
        QVERIFY2(m_unexpected.isEmpty(), qPrintable(m_unexpected.join(QLatin1Char('|'))));
        auto* engine = child<RecoveryProcess>(*w, QStringLiteral("RecoveryProcess1"));
        QCOMPARE(engine->CorruptedFilesCount(), 2);
        QList<DamageRecords::Row> recorded;
        for (int n = 1; n <= engine->CorruptedFilesCount(); ++n)
            recorded.append(engine->DamageRecord(n));
        w->clickBack();
        // Both runs ended: nothing to run again.
        QCOMPARE(w->flow().MenuIndexOffset, 0);

        // The history, from its button on the menu page.
        child<isButton>(*w, QStringLiteral("HistoryCommand"))->click();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        auto* list = child<QTreeWidget>(*w, QStringLiteral("ReportsHistoryList"));
        QCOMPARE(list->topLevelItemCount(), 2);
        QTreeWidgetItem* last = list->topLevelItem(0);
        QTreeWidgetItem* first = list->topLevelItem(1);
        QCOMPARE(last->text(2), m + QStringLiteral("hurt/"));
        QCOMPARE(last->text(3), d2 + QLatin1Char('/'));
        QCOMPARE(last->text(4), QStringLiteral("3"));
        QCOMPARE(last->text(6), QStringLiteral("2"));
        QCOMPARE(last->text(9), QStringLiteral("2"));
        QCOMPARE(last->foreground(0).color(), QColor(0, 150, 0));
        QCOMPARE(first->text(2), m + QStringLiteral("clean/"));
        QCOMPARE(first->text(4), QStringLiteral("2"));
        QCOMPARE(first->text(6), QStringLiteral("0"));
        QCOMPARE(first->text(8), QStringLiteral("0"));
        QCOMPARE(first->foreground(0).color(), QColor(0, 0, 0));

        // The details of the damaged run list every damaged file with its ranges as recorded.
        list->setCurrentItem(last);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(last).center());
        auto* details = child<isButton>(*w, QStringLiteral("RecovryDetailsView"));
        QVERIFY(details->isEnabled());
        QStringList shown;
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* rows = child<QTreeWidget>(*modal, QStringLiteral("DetailsList"));
                rows->sortByColumn(0, Qt::AscendingOrder);
                for (int i = 0; i < rows->topLevelItemCount(); ++i) {
                    const QTreeWidgetItem* r = rows->topLevelItem(i);
                    shown << r->text(0) + QLatin1Char('|') + r->data(1, Qt::UserRole + 1).toString() +
                                 QLatin1Char('|') + r->data(2, Qt::UserRole + 1).toString() +
                                 QLatin1Char('|') + r->data(3, Qt::UserRole + 1).toString() +
                                 QLatin1Char('|') + r->text(4);
                }
                ModalDriver::clickButton(modal, QStringLiteral("CloseDetails"));
            },
            &acted);
        details->click();
        QVERIFY(acted);
        QStringList expected;
        for (const DamageRecords::Row& r : recorded)
            expected << r.file + QLatin1Char('|') + QString::number(r.fileSize) + QLatin1Char('|') +
                            QString::number(r.copied) + QLatin1Char('|') + QString::number(r.lostBytes) +
                            QLatin1Char('|') + r.rangeList;
        expected.sort();
        QCOMPARE(shown, expected);
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0].startsWith(m + QStringLiteral("hurt/x.bin|300000|300000|")));
        // Exactly the unreadable sectors, after the rescue phase.
        QVERIFY2(shown[0].endsWith(QStringLiteral(" 65537 - 86016, 199681 - 200192,")), qPrintable(shown[0]));
        QVERIFY2(shown[1].startsWith(m + QStringLiteral("hurt/y y.bin|150000|")), qPrintable(shown[1]));
        QVERIFY2(m_unexpected.isEmpty(), qPrintable(m_unexpected.join(QLatin1Char('|'))));

        // Back to the menu; the history stays where it is.
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
    }

    void pausedRunIsRunAgainFromTheMenu()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir program, source, target;
        QVERIFY(BuiltLanguage::copyInto(program.path()));
        const QByteArray slow = pattern(4 * 65536, 7);
        QVERIFY(writeFile(source.filePath(QStringLiteral("s/1 slow.bin")), slow));
        QVERIFY(writeFile(source.filePath(QStringLiteral("s/2.bin")), pattern(5000, 8)));
        // Reads of the first file stall now and then (each weak spot fails once, slowly, then
        // reads), so there is time to pause in it; nothing is lost.
        QString map;
        for (int block = 2; block < 4; ++block)
            map += QStringLiteral("\"s/1 slow.bin\" %1 1 delay=400 weak=1\n").arg(block * 65536 + 100);
        SimulatedMedium medium(source.path(), map);
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');

        QList<Prompt::Message> messages;
        QStringList dialogs;
        Prompt::ScopedAnswerer answers(
            [&](const Prompt::Message& msg) {
                messages << msg;
                return QMessageBox::Ok;
            },
            [&](QDialog& dialog) {
                // Only the abort dialog is expected; it is driven for real below.
                if (dialog.objectName() == QLatin1String("toAbortProcess"))
                    return dialog.exec();
                dialogs << dialog.objectName();
                return int(QDialog::Rejected);
            });
        auto w = startWizard(program.path());
        QVERIFY(w);
        w->show();
        messages.clear();
        auto* engine = child<RecoveryProcess>(*w, QStringLiteral("RecoveryProcess1"));

        // Pause from the engine's abort dialog as soon as the copy has started.
        bool paused = false;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, engine, [&] {
            // Once the first blocks of the slow file are in, pause in the middle of it.
            if (!engine->isCopyingProcess() ||
                QFileInfo(target.filePath(QStringLiteral("1 slow.bin"))).size() == 0)
                return;
            poll.stop();
            ModalDriver::onNextModal(
                [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Command1(1)")); },
                &paused);
            engine->TerminateMe();
        });
        poll.start();
        recover(*w, m + QStringLiteral("s"), {QStringLiteral("1 slow.bin"), QStringLiteral("2.bin")},
                target.path());
        QVERIFY(paused);
        w->clickBack();
        QCOMPARE(w->flow().MenuIndexOffset, 1);
        auto* menu = child<QListWidget>(*w, QStringLiteral("MainMenu"));
        QCOMPARE(menu->count(), 4);

        // The first entry finishes what the paused run left, into the same folder.
        w->clickMenuEntry(1);
        QCOMPARE(w->flow().WizardMode, int(ModeRestart));
        w->clickNext();
        QTRY_COMPARE(w->flow().CurrentPage, int(ReportPage));
        QFile copy(target.filePath(QStringLiteral("1 slow.bin")));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), slow);
        QVERIFY(QFile::exists(target.filePath(QStringLiteral("2.bin"))));
        QVERIFY2(dialogs.isEmpty(), qPrintable(dialogs.join(QLatin1Char('|'))));
        // Done: the entry is gone.
        w->clickBack();
        QCOMPARE(w->flow().MenuIndexOffset, 0);
        QCOMPARE(menu->count(), 3);
    }
};

QTEST_MAIN(TestHistoryEndToEnd)
#include "tst_history_e2e.moc"
