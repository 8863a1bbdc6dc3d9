#include "BuiltLanguage.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "FormatSize.h"
#include "LanguageFile.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SimulatedMedium.h"
#include "TableEngine.h"
#include "Wizard.h"
#include "isButton.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <utility>

namespace {

using MediumFiles::pattern;
using MediumFiles::writeFile;

struct SourceFile
{
    QString path; // below the medium's root
    qint64 size;
    QList<std::pair<qint64, qint64>> damage; // first byte, length
};

// The files of the medium: damage is placed on whole 8 KiB blocks, the copier's smallest, so
// every byte outside it must arrive; one file loses its tail.
const QList<SourceFile>& sourceFiles()
{
    static const QList<SourceFile> files = {
        {QStringLiteral("a.bin"), 200000, {{65536, 8192}}},
        {QStringLiteral("docs/b.txt"), 50000, {}},
        {QStringLiteral("docs/sub/c.bin"), 300000, {{98304, 16384}}},
        {QStringLiteral("e.bin"), 20000, {{16384, 3616}}},
        {QStringLiteral("left out.txt"), 1000, {}},
    };
    return files;
}

QString damageMap()
{
    QString map;
    for (const SourceFile& f : sourceFiles())
        for (const auto& [first, length] : f.damage)
            map += QStringLiteral("\"%1\" %2 %3\n").arg(f.path).arg(first).arg(length);
    return map;
}

bool isDamaged(const SourceFile& f, qint64 offset)
{
    for (const auto& [first, length] : f.damage)
        if (offset >= first && offset < first + length)
            return true;
    return false;
}

} // namespace

class TestRecoveryToFolder : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_source;
    QTemporaryDir m_program;
    QString m_savedDirectory;

    // Starts the window in the program folder and walks to the source page, showing the
    // medium's root.
    std::unique_ptr<Wizard> startOnSourcePage(const QString& mediumRoot)
    {
        auto wizard = startWizard(m_program.path());
        if (!wizard)
            return nullptr;
        wizard->show();
        wizard->clickFlag(2); // French: the report must speak the current language
        wizard->clickMenuEntry(1);
        wizard->clickNext();
        if (wizard->flow().CurrentPage != SourcePage)
            return nullptr;
        child<FilesAndFoldersList>(wizard.get(), QStringLiteral("FilesAndFoldersList1"))
            ->setCurrentPath(mediumRoot);
        return wizard;
    }

    static bool select(Wizard& wizard, const QStringList& names)
    {
        auto* list = child<QListWidget>(child<QObject>(&wizard, QStringLiteral("FilesAndFoldersList1")),
                                        QStringLiteral("FilesList"));
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
        QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file()));
        QVERIFY(BuiltLanguage::copyInto(m_program.path()));
        quint32 seed = 1;
        for (const SourceFile& f : sourceFiles())
            QVERIFY(writeFile(m_source.filePath(f.path), pattern(f.size, seed++)));
        // A long file for the run that is stopped: every read of it waits, as on a failing drive.
        QVERIFY(writeFile(m_source.filePath(QStringLiteral("slow/long.bin")), pattern(4 << 20, 99)));
    }

    void recoversASelectionAndReportsTheRun()
    {
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source.path(), damageMap());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        QTemporaryDir destination;

        QList<Prompt::Message> unexpected;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            unexpected.append(m);
            return QMessageBox::Cancel;
        });
        auto wizard = startOnSourcePage(medium.mountPoint() + QLatin1Char('/'));
        QVERIFY(wizard);
        QVERIFY(select(*wizard, {QStringLiteral("a.bin"), QStringLiteral("docs"), QStringLiteral("e.bin")}));

        wizard->clickNext();
        QCOMPARE(wizard->flow().CurrentPage, int(DestinationPage));
        auto* engine = child<RecoveryProcess>(wizard.get(), QStringLiteral("RecoveryProcess1"));
        child<FilesAndFoldersList>(wizard.get(), QStringLiteral("FilesAndFoldersList2"))
            ->setCurrentPath(destination.path() + QLatin1Char('/'));

        // The copy runs inside this click; the report page follows from the event loop.
        wizard->clickNext();
        QTRY_COMPARE(wizard->flow().CurrentPage, int(ReportPage));
        QVERIFY(wizard->page(ReportPage)->isVisible());
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.value(0).text));

        // The report, in French.
        const QString files; // a count stands alone, its label names what it counts
        QCOMPARE(wizard->currentLanguage(), 3);
        QCOMPARE(engine->Items_Count(), 6); // a.bin, e.bin, docs, b.txt, docs/sub, c.bin
        const auto value = [&](int item) {
            return child<QLineEdit>(wizard.get(), QStringLiteral("ConfermReportValue(%1)").arg(item))->text();
        };
        // Files and folders counted apart, as the history counts them.
        QCOMPARE(value(0), QStringLiteral("4") + files);
        QCOMPARE(value(12), QStringLiteral("2"));
        QCOMPARE(value(10), QStringLiteral("0") + files);
        QCOMPARE(value(1), QStringLiteral("3") + files);
        // Damage on whole sectors costs exactly the damaged bytes, the damaged tail too; "Data
        // recovered" is what was read.
        const double lost = 8192 + 16384 + 3616;
        QCOMPARE(engine->TotalLostBytes(), lost);
        QCOMPARE(engine->TotalCopiedBytes(), double(200000 + 50000 + 300000 + 20000) - lost);
        QCOMPARE(value(4), FormatSize(engine->TotalCopiedBytes()));
        QCOMPARE(value(5), FormatSize(engine->TotalLostBytes()));
        QCOMPARE(value(2), wizard->texts().text(172));
        QCOMPARE(child<QLabel>(wizard.get(), QStringLiteral("Tips(2)"))->text(), wizard->texts().text(51));
        const QList<bool> nav = {child<isButton>(wizard.get(), QStringLiteral("Command10"))->isEnabled(),
                                 child<isButton>(wizard.get(), QStringLiteral("Command11"))->isEnabled(),
                                 child<isButton>(wizard.get(), QStringLiteral("Command12"))->isEnabled()};
        QCOMPARE(nav, (QList<bool>{true, false, true}));

        // Every byte that could be read arrived where it belongs; the damaged ranges hold the
        // zeros of a skipped gap, or are missing at the end of a file.
        for (const SourceFile& f : sourceFiles()) {
            QFile copy(destination.filePath(f.path));
            if (f.path == QStringLiteral("left out.txt")) {
                QVERIFY(!copy.exists());
                continue;
            }
            QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(copy.fileName()));
            const QByteArray got = copy.readAll();
            QFile original(m_source.filePath(f.path));
            QVERIFY(original.open(QIODevice::ReadOnly));
            const QByteArray want = original.readAll();
            // Every copy has the source's size, a damaged tail included.
            QCOMPARE(got.size(), f.size);
            for (qint64 i = 0; i < got.size(); ++i) {
                if (isDamaged(f, i)) {
                    if (got[i] != 0)
                        QFAIL(qPrintable(
                            QStringLiteral("%1: byte %2 of a damaged range was written").arg(f.path).arg(i)));
                } else if (got[i] != want[i]) {
                    QFAIL(qPrintable(QStringLiteral("%1: byte %2 differs").arg(f.path).arg(i)));
                }
            }
        }

        // Back from the report leads to the menu for the next task.
        wizard->clickBack();
        QCOMPARE(wizard->flow().CurrentPage, int(MenuPage));
    }

    void exitDuringACopyAsksAndEndsOnTheReport()
    {
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source.path(), QStringLiteral("\"slow/long.bin\" 0 4194304 delay=5\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        QTemporaryDir destination;
        Prompt::ScopedAnswerer answers([](const Prompt::Message&) { return QMessageBox::Cancel; });
        auto wizard = startOnSourcePage(medium.mountPoint() + QStringLiteral("/slow/"));
        QVERIFY(wizard);
        QVERIFY(select(*wizard, {QStringLiteral("long.bin")}));
        wizard->clickNext();
        child<FilesAndFoldersList>(wizard.get(), QStringLiteral("FilesAndFoldersList2"))
            ->setCurrentPath(destination.path() + QLatin1Char('/'));

        auto* engine = child<RecoveryProcess>(wizard.get(), QStringLiteral("RecoveryProcess1"));
        auto* exitButton = child<isButton>(wizard.get(), QStringLiteral("Command12"));
        bool asked = false;
        bool exitWasEnabled = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!engine->isCopyingProcess() || asked)
                return;
            asked = true;
            // On the progress page only Exit (here Cancel) can be pressed.
            exitWasEnabled = exitButton->isEnabled() && wizard->flow().CurrentPage == ProgressPage &&
                             !child<isButton>(wizard.get(), QStringLiteral("Command10"))->isEnabled() &&
                             !child<isButton>(wizard.get(), QStringLiteral("Command11"))->isEnabled() &&
                             exitButton->Caption() == QStringLiteral("  ") + wizard->texts().text(35);
            ModalDriver::onNextModal([](QWidget* dialog) {
                QCOMPARE(dialog->objectName(), QStringLiteral("toAbortProcess"));
                ModalDriver::clickButton(dialog, QStringLiteral("Command1(3)")); // stop the recovery
            });
            exitButton->click();
        });
        poll.start(50);
        wizard->clickNext();
        poll.stop();

        QVERIFY(asked);
        QVERIFY(exitWasEnabled);
        QVERIFY(!wizard->isUnloaded()); // Exit during a copy only stops the copy
        QTRY_COMPARE(wizard->flow().CurrentPage, int(ReportPage));
        QCOMPARE(child<QLabel>(wizard.get(), QStringLiteral("Tips(2)"))->text(), wizard->texts().text(75));
        QCOMPARE(child<QLineEdit>(wizard.get(), QStringLiteral("ConfermReportValue(2)"))->text(),
                 wizard->texts().text(75));
        QVERIFY(child<QWidget>(wizard.get(), QStringLiteral("ReportPageDiv(2)"))->isHidden());
    }
};

QTEST_MAIN(TestRecoveryToFolder)
#include "tst_recoverytofolder.moc"
