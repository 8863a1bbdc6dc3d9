#include "BuiltLanguage.h"
#include "EngineAnswers.h"
#include "FormatSize.h"
#include "HistoryList.h"
#include "HistoryPanel.h"
#include "HistoryRun.h"
#include "HistoryWriter.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "ReportDetails.h"
#include "ReportDetailsWindow.h"
#include "ReportsFile.h"
#include "RunStatus.h"
#include "RunSummary.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "pages/ReportPageWidget.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// The real file system; opening one of the named sources gives the abort dialog's answer first,
// as a user pressing Skip file or Pause during its copy would.
class AnsweringFiles : public PosixFileAccess
{
public:
    QHash<QString, int> answers; // source path -> abort answer

    Opened<BlockSource> openSource(const QString& path) override
    {
        if (const auto answer = answers.find(path); answer != answers.end())
            EngineAnswers::setAbortAnswer(*answer);
        return PosixFileAccess::openSource(path);
    }
};

void writeFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray block(65536, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 7);
    for (qint64 left = size; left > 0; left -= block.size())
        QVERIFY(f.write(block.constData(), std::min<qint64>(left, block.size())) > 0);
}

QString statusCell(const HistoryPanel& panel, int index)
{
    return panel.list()->topLevelItem(index)->text(HistoryList::StatusColumn);
}

QRgb statusColour(const HistoryPanel& panel, int index)
{
    return panel.list()->topLevelItem(index)->foreground(HistoryList::StatusColumn).color().rgb();
}

} // namespace

class TestRunStatus : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder; // the program folder, with the history file

    QString reports() const { return ReportsFile::pathIn(m_folder); }

    HistoryRun run(RunStatus::State state) const
    {
        HistoryRun r;
        r.when = QDateTime::currentDateTime();
        r.source = QStringLiteral("/media/disc/");
        r.destination = QStringLiteral("/home/user/saved/");
        r.files = 3;
        r.state = state;
        return r;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->path() + QLatin1Char('/');
    }

    void statusAgreesWithTheReportPage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("stoppedEarly");
        QTest::addColumn<bool>("canResume");
        QTest::addColumn<qint64>("notCopied");
        QTest::addColumn<qint64>("leftOut");
        QTest::addColumn<qint64>("damaged");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<uint>("colour");
        for (int language = 1; language <= 4; ++language) {
            const auto row = [language](const char* name) -> QTestData& {
                return QTest::addRow("%s, language %d", name, language) << language;
            };
            row("completed") << false << true << qint64(0) << qint64(0) << qint64(0)
                             << QStringLiteral("completed") << uint(RunStatus::Green);
            row("damaged files") << false << true << qint64(0) << qint64(0) << qint64(2)
                                 << QStringLiteral("damaged") << uint(RunStatus::Amber);
            row("files not copied") << false << true << qint64(1) << qint64(0) << qint64(1)
                                    << QStringLiteral("not-copied") << uint(RunStatus::Amber);
            row("items left out") << false << true << qint64(0) << qint64(3) << qint64(0)
                                  << QStringLiteral("left-out") << uint(RunStatus::Amber);
            row("paused") << true << true << qint64(1) << qint64(0) << qint64(0) << QStringLiteral("paused")
                          << uint(RunStatus::Blue);
            row("stopped") << true << false << qint64(1) << qint64(0) << qint64(0)
                           << QStringLiteral("stopped") << uint(RunStatus::Red);
        }
    }

    // How a run ended is written with it, and the history shows it in the words and colour the
    // report page gave it, in every language.
    void statusAgreesWithTheReportPage()
    {
        QFETCH(int, language);
        QFETCH(bool, stoppedEarly);
        QFETCH(bool, canResume);
        QFETCH(qint64, notCopied);
        QFETCH(qint64, leftOut);
        QFETCH(qint64, damaged);
        QFETCH(QString, stored);
        QFETCH(uint, colour);
        const BuiltLanguage::Texts texts = BuiltLanguage::load(language);
        QVERIFY(!texts.main.text(TextId::HistoryStatusHeader).isEmpty());

        RunTotals totals;
        totals.itemsCount = 10;
        totals.currentFile = stoppedEarly ? 4 : 11;
        totals.itemsNotCopied = notCopied;
        totals.leftOut = leftOut;
        totals.corruptedFiles = damaged;
        ReportPageWidget page;
        page.applyTexts(texts.main);
        const RunSummary summary = summariseRun(totals, stoppedEarly, canResume, texts.main);
        page.showSummary(summary);
        auto* statusLine = page.findChild<QLineEdit*>(QStringLiteral("ConfermReportValue(2)"));
        QVERIFY(statusLine);
        QCOMPARE(uint(statusLine->palette().color(QPalette::Text).rgb()), colour);

        HistoryRun r = run(summary.state);
        if (stoppedEarly && canResume)
            r.resume = ResumeJob{r.source, r.destination, {{QStringLiteral("/media/disc/a"), 10}}};
        TableEngine engine;
        HistoryWriter(engine, reports()).append(r);
        QCOMPARE(engine.GetCell(TableReference::of(reports()), 1, ReportsFile::RunStateColumn), stored);

        HistoryPanel panel(engine, texts.main, m_folder);
        panel.applyTexts();
        Prompt::ScopedAnswerer answers([](const Prompt::Message&) { return QMessageBox::Ok; });
        QVERIFY(panel.LoadHistory());
        QCOMPARE(statusCell(panel, 0), page.status());
        QCOMPARE(uint(statusColour(panel, 0)), colour);
        QCOMPARE(panel.list()->headerItem()->text(HistoryList::StatusColumn),
                 texts.main.text(TextId::HistoryStatusHeader));
        QCOMPARE(panel.list()->header()->visualIndex(HistoryList::StatusColumn), HistoryList::StatusShownAt);
        engine.CloseAll();
    }

    // A history written before runs kept how they ended: the paused run the menu offers is
    // "paused"; of the others nothing tells a stopped run from a whole one, so none is called
    // completed. A paused run resumed since is no longer "can be resumed".
    void olderHistoryGetsSensibleStatuses()
    {
        const BuiltLanguage::Texts texts = BuiltLanguage::load(1);
        TableEngine engine;
        HistoryWriter writer(engine, reports());
        HistoryRun paused = run(RunStatus::State::Paused);
        paused.resume = ResumeJob{paused.source, paused.destination, {{QStringLiteral("/media/disc/b"), 5}}};
        writer.append(run(RunStatus::State::Stopped));
        writer.append(run(RunStatus::State::Completed));
        writer.append(paused);
        HistoryRun later = run(RunStatus::State::Paused); // a later version's name is set below
        later.keepRestart = true;
        writer.append(later);
        HistoryRun whole = run(RunStatus::State::Completed);
        whole.keepRestart = true; // leaves the restart entry on row 3
        writer.append(whole);
        const QString top = TableReference::of(reports());
        for (int row = 1; row <= 3; ++row)
            engine.SetCell(top, row, ReportsFile::RunStateColumn, QVariant());
        engine.SetCell(top, 4, ReportsFile::RunStateColumn, QStringLiteral("verified"));

        HistoryPanel panel(engine, texts.main, m_folder);
        panel.applyTexts();
        QVERIFY(panel.LoadHistory());
        // Last run first.
        QCOMPARE(statusCell(panel, 0), texts.main.text(TextId::StatusCompleted));
        QCOMPARE(statusCell(panel, 1), texts.main.text(TextId::StatusNotRecorded)); // unknown name
        QCOMPARE(statusCell(panel, 2), texts.main.text(TextId::StatusPaused));
        QCOMPARE(uint(statusColour(panel, 2)), uint(RunStatus::Blue));
        for (const int index : {1, 3, 4}) {
            QCOMPARE(statusCell(panel, index), texts.main.text(TextId::StatusNotRecorded));
            QCOMPARE(uint(statusColour(panel, index)), uint(RunStatus::Grey));
        }

        // A paused run written with its state, once another run replaced the restart entry.
        engine.SetCell(top, 3, ReportsFile::RunStateColumn, RunStatus::storedName(RunStatus::State::Paused));
        writer.append(run(RunStatus::State::Completed));
        const HistoryList::Loaded loaded = HistoryList::load(engine, reports());
        QCOMPARE(loaded.items.size(), 6);
        const HistoryList::Item& earlier = loaded.items[3];
        QCOMPARE(earlier.state, RunStatus::State::Paused);
        QVERIFY(!earlier.resumable);
        QCOMPARE(earlier.statusText(texts.main), texts.main.text(TextId::StatusPausedEarlier));
        engine.CloseAll();
    }

    // A real run on a real folder: one file skipped during its copy, one that cannot be opened,
    // one copied whole, and the run paused in the last. The details name each file that is not
    // whole with what happened to it, as many as the report counts as not copied.
    void detailsNameSkippedPartialAndNotCopiedFiles()
    {
        const BuiltLanguage::Texts texts = BuiltLanguage::load(1);
        const QString src = m_dir->path() + QStringLiteral("/src/");
        const QString dst = m_dir->path() + QStringLiteral("/dst/");
        QVERIFY(QDir().mkpath(dst));
        writeFile(src + QStringLiteral("a-skipped.bin"), 600000);
        writeFile(src + QStringLiteral("c-whole.bin"), 100000);
        writeFile(src + QStringLiteral("d-paused.bin"), 600000);
        const QStringList entries = {
            src + QStringLiteral("a-skipped.bin"), src + QStringLiteral("b-missing.bin"),
            src + QStringLiteral("c-whole.bin"), src + QStringLiteral("d-paused.bin")};

        RecoveryProcess engine;
        auto files = std::make_shared<AnsweringFiles>();
        files->answers.insert(entries[0], EngineAnswers::Abort::SkipFile);
        files->answers.insert(entries[3], EngineAnswers::Abort::Pause);
        engine.setFileAccess(files);
        engine.setSourcePath(src);
        engine.setDestinationPath(dst);
        engine.setItems_Count(static_cast<int>(entries.size()));
        for (int i = 1; i <= entries.size(); ++i) {
            engine.setFileName(i, entries[i - 1]);
            engine.setIsDone(i, false);
        }
        QSignalSpy paused(&engine, &RecoveryProcess::ProcessPaused);
        // The missing source's Retry question is answered Cancel.
        Prompt::ScopedAnswerer answers([](const Prompt::Message& m) {
            return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        });
        engine.StartProcess();
        QTRY_COMPARE(paused.size(), 1);

        RunTotals totals;
        totals.itemsCount = engine.Items_Count();
        totals.itemsNotCopied = engine.ItemsNotCopied_Count();
        totals.corruptedFiles = engine.CorruptedFilesCount();
        totals.currentFile = engine.CurrentFile();
        totals.folders = engine.ItemsFolders_Count();
        const RunSummary summary = summariseRun(totals, true, true, texts.main);
        QCOMPARE(summary.state, RunStatus::State::Paused);

        HistoryRun r = HistoryRun::fromEngine(engine, true, true, QDateTime::currentDateTime());
        r.state = summary.state;
        TableEngine tables;
        const int row = HistoryWriter(tables, reports()).append(r);
        ReportDetailsWindow window(tables, texts.main);
        window.setReportMtx(TableReference::of(reports(), row, ReportsFile::DetailsColumn));
        QVERIFY(window.loaded());
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("DetailsList"));
        QHash<QString, QString> shown; // file name -> what happened
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            shown.insert(QFileInfo(list->topLevelItem(i)->text(0)).fileName(),
                         list->topLevelItem(i)->text(ReportDetailsWindow::ResultColumn));

        QCOMPARE(shown.size(), 3);
        QCOMPARE(QString::number(shown.size()), summary.notCopied);
        const auto sizeOf = [&](const QString& name) {
            return FormatSize(static_cast<double>(QFileInfo(dst + name).size()));
        };
        QCOMPARE(shown.value(QStringLiteral("a-skipped.bin")),
                 texts.main.text(TextId::FileSkipped)
                     .arg(sizeOf(QStringLiteral("a-skipped.bin")), FormatSize(600000)));
        QVERIFY(QFileInfo(dst + QStringLiteral("a-skipped.bin")).size() < 600000);
        QCOMPARE(shown.value(QStringLiteral("b-missing.bin")), texts.main.text(TextId::FileNotCopied));
        QCOMPARE(shown.value(QStringLiteral("d-paused.bin")),
                 texts.main.text(TextId::FilePartial)
                     .arg(sizeOf(QStringLiteral("d-paused.bin")), FormatSize(600000)));
        QVERIFY(!shown.contains(QStringLiteral("c-whole.bin")));
        // Nothing of it says completed.
        for (const QString& text : std::as_const(shown))
            QVERIFY(!text.contains(texts.main.text(TextId::StatusCompleted)));
        tables.CloseAll();
    }
};

QTEST_MAIN(TestRunStatus)
#include "tst_runstatus.moc"
