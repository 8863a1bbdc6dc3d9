// The history file without widgets: what the writer stores, how the list reads it back, the
// restart entry of the main menu, and the detail tables.
#include "FileNames.h"
#include "FormatSize.h"
#include "HistoryList.h"
#include "HistoryWriter.h"
#include "ReportDetails.h"
#include "ReportsFile.h"
#include "RestartJob.h"
#include "TableEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ReportsFile;

namespace {

int inChild(const std::function<int()>& work)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

HistoryRun sampleRun(const QString& source, int damagedFiles)
{
    HistoryRun run;
    run.when = QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26));
    run.source = source;
    run.destination = QStringLiteral("/home/user/rescued/");
    run.files = 12;
    run.totalBytes = 3.5 * 1024 * 1024;
    run.lostBytes = 8192.0 * damagedFiles;
    run.badFiles = damagedFiles;
    for (int i = 1; i <= damagedFiles; ++i)
        run.damaged.append({source + QStringLiteral("file %1.bin").arg(i),
                            run.destination + QStringLiteral("file %1.bin").arg(i), 100000 + i, 100000 + i,
                            8192, QStringLiteral("2026-03-01 10:00:0%1").arg(i),
                            QStringLiteral(" 8193 - 16384,")});
    return run;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    int m_n = 0;

    // A fresh program folder for each case.
    QString freshFolder()
    {
        m_folder = m_dir.path() + QStringLiteral("/f%1/").arg(++m_n);
        QDir().mkpath(m_folder);
        return m_folder;
    }
    QString reports() const { return pathIn(m_folder); }

private Q_SLOTS:
    void writerStoresTheRowLayout()
    {
        freshFolder();
        TableEngine engine;
        HistoryWriter writer(engine, reports());
        const HistoryRun run = sampleRun(QStringLiteral("/media/cd/"), 2);
        QCOMPARE(writer.append(run), 1);

        const QString top = TableReference::of(reports());
        const QLocale locale;
        QCOMPARE(engine.GetRowCount(top), 1);
        QCOMPARE(engine.GetCell(top, 1, 1), locale.toString(run.when.date(), QLocale::ShortFormat));
        QCOMPARE(engine.GetCell(top, 1, 2), locale.toString(run.when.time(), QLocale::ShortFormat));
        QCOMPARE(engine.GetCell(top, 1, 3), QStringLiteral("/media/cd/"));
        QCOMPARE(engine.GetCell(top, 1, 4), QStringLiteral("/home/user/rescued/"));
        QCOMPARE(engine.GetCell(top, 1, 5), QStringLiteral("12"));
        QCOMPARE(engine.GetCell(top, 1, 6), FormatSize(run.totalBytes));
        QCOMPARE(engine.GetCell(top, 1, 6), QStringLiteral("3584 Kb"));
        QCOMPARE(engine.GetCell(top, 1, 7), QStringLiteral("2"));
        QCOMPARE(engine.GetCell(top, 1, 8), QStringLiteral("16 Kb"));
        QCOMPARE(engine.GetCell(top, 1, 10), QStringLiteral("2"));
        QCOMPARE(engine.GetCell(top, 1, 9), QStringLiteral("/[1,9]"));

        const auto details = ReportDetails::read(engine, TableReference::of(reports(), 1, 9));
        QVERIFY(details);
        QCOMPARE(*details, run.damaged);
        // A finished run leaves nothing to run again.
        QCOMPARE(RestartJob::restartRow(engine, reports()), 0);
    }

    void runWithoutDamageHasNoDetails()
    {
        freshFolder();
        TableEngine engine;
        HistoryWriter(engine, reports()).append(sampleRun(QStringLiteral("/a/"), 0));
        QCOMPARE(engine.GetCell(TableReference::of(reports()), 1, 9), QString());
        const auto loaded = HistoryList::load(engine, reports());
        QCOMPARE(loaded.outcome, HistoryList::Outcome::Loaded);
        QCOMPARE(loaded.items.size(), 1);
        QCOMPARE(loaded.items[0].r(), QStringLiteral("0"));
        QCOMPARE(loaded.items[0].q(), QStringLiteral("0"));
        QCOMPARE(loaded.items[0].colour, HistoryList::PlainColour);
        QCOMPARE(HistoryList::detailsReference(m_folder, loaded.items[0]), QString());
    }

    void listIsLastFirstAndSkipsRowsWithoutDate()
    {
        freshFolder();
        TableEngine engine;
        const QString top = TableReference::of(reports());
        // Row 1: details and damaged files; row 2: no date; row 3: details, Q 0; row 4: none.
        TableTransaction w = engine.BeginWrite(reports());
        w.AppendRow(top,
                    {QStringLiteral("d1"), QStringLiteral("t1"), QStringLiteral("s1"), QStringLiteral("e1"),
                     QStringLiteral("1"), QStringLiteral("2 b"), QStringLiteral("1"), QStringLiteral("3 b")});
        w.CreateTable(top, 1, 9);
        w.SetCell(top, 1, 10, 3);
        w.AppendRow(top, {QString(), QStringLiteral("t2")});
        w.AppendRow(top, {QStringLiteral("d3"), QStringLiteral("t3")});
        w.CreateTable(top, 3, 9);
        w.SetCell(top, 3, 10, QStringLiteral("0"));
        w.AppendRow(top, {QStringLiteral("d4"), QStringLiteral("t4"), QStringLiteral("s4")});
        w.commit();

        const auto loaded = HistoryList::load(engine, reports());
        QCOMPARE(loaded.outcome, HistoryList::Outcome::Loaded);
        QCOMPARE(loaded.items.size(), 3);
        QCOMPARE(loaded.items[0].texts.value(0), QStringLiteral("d4"));
        QCOMPARE(loaded.items[1].texts.value(0), QStringLiteral("d3"));
        QCOMPARE(loaded.items[2].texts.value(0), QStringLiteral("d1"));
        QCOMPARE(loaded.items[2].texts,
                 QStringList({QStringLiteral("d1"), QStringLiteral("t1"), QStringLiteral("s1"),
                              QStringLiteral("e1"), QStringLiteral("1"), QStringLiteral("2 b"),
                              QStringLiteral("1"), QStringLiteral("3 b"), QStringLiteral("1"),
                              QStringLiteral("3")}));
        QCOMPARE(loaded.items[2].colour, HistoryList::RefreshableColour);
        QCOMPARE(loaded.items[1].r(), QStringLiteral("3"));
        QCOMPARE(loaded.items[1].q(), QStringLiteral("0"));
        QCOMPARE(loaded.items[1].colour, HistoryList::NotRefreshableColour);
        QCOMPARE(loaded.items[0].r(), QStringLiteral("0"));
        QCOMPARE(loaded.items[0].colour, HistoryList::PlainColour);
        QCOMPARE(HistoryList::detailsReference(m_folder, loaded.items[1]),
                 QLatin1Char('"') + reports() + QStringLiteral("\"/[3,9]"));
    }

    void buttonRules_data()
    {
        QTest::addColumn<QString>("r");
        QTest::addColumn<QString>("q");
        QTest::addColumn<bool>("details");
        QTest::addColumn<bool>("refresh");
        QTest::newRow("no details") << "0"
                                    << "0" << false << false;
        QTest::newRow("details, nothing to refresh") << "4"
                                                     << "0" << true << false;
        QTest::newRow("details, damaged files") << "4"
                                                << "2" << true << true;
        QTest::newRow("leading blank") << " 7"
                                       << " 1" << true << true;
        QTest::newRow("not a number") << "x"
                                      << "y" << false << false;
    }
    void buttonRules()
    {
        QFETCH(QString, r);
        QFETCH(QString, q);
        QFETCH(bool, details);
        QFETCH(bool, refresh);
        HistoryList::Item item;
        item.texts = QStringList(8, QString()) << r << q;
        const HistoryList::Buttons b = HistoryList::buttonsFor(&item);
        QCOMPARE(b.details, details);
        QCOMPARE(b.refresh, refresh);
        const HistoryList::Buttons none = HistoryList::buttonsFor(nullptr);
        QVERIFY(!none.details && !none.refresh);
    }

    void unusableFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("outcome");
        QTest::newRow("missing") << QByteArray() << false << int(HistoryList::Outcome::NoHistory);
        QTest::newRow("empty") << QByteArray() << true << int(HistoryList::Outcome::NoHistory);
        QTest::newRow("foreign") << QByteArray("Date,Time\n1,2\n") << true
                                 << int(HistoryList::Outcome::Unreadable);
        QTest::newRow("truncated") << QByteArray("truncate") << true << int(HistoryList::Outcome::Unreadable);
    }
    void unusableFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(int, outcome);
        freshFolder();
        if (content == "truncate") {
            // A real history cut short, as a copy that stopped halfway leaves it.
            {
                TableEngine engine;
                HistoryWriter writer(engine, reports());
                for (int i = 0; i < 20; ++i)
                    writer.append(sampleRun(QStringLiteral("/m/"), 30));
            }
            QFile f(reports());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(f.size() / 3));
        } else if (create) {
            QFile f(reports());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        TableEngine engine;
        const auto loaded = HistoryList::load(engine, reports());
        QCOMPARE(int(loaded.outcome), outcome);
        QVERIFY(loaded.items.isEmpty());
        QCOMPARE(RestartJob::restartRow(engine, reports()), 0);
        QVERIFY(!RestartJob::load(engine, reports()));
        if (!create)
            QVERIFY(!QFile::exists(reports())); // reading never makes the file
    }

    void fileWithNoRowsIsNoHistory()
    {
        freshFolder();
        TableEngine engine;
        engine.SetCell(TableReference::of(reports()), 0, RestartRowColumn, 1);
        QCOMPARE(HistoryList::load(engine, reports()).outcome, HistoryList::Outcome::NoHistory);
        // Row 0 alone offers no restart.
        QCOMPARE(RestartJob::restartRow(engine, reports()), 0);
    }

    void pausedRunIsOfferedAgainUntilTheNextRun()
    {
        freshFolder();
        TableEngine engine;
        HistoryWriter writer(engine, reports());
        writer.append(sampleRun(QStringLiteral("/a/"), 0));
        HistoryRun paused = sampleRun(QStringLiteral("/media/disk/"), 1);
        ResumeJob job{QStringLiteral("/media/disk/"),
                      QStringLiteral("/home/user/rescued/"),
                      {{QStringLiteral("/media/disk/big.iso"), 65536},
                       {QStringLiteral("\t/media/disk/photos"), 0},
                       {QStringLiteral("/media/disk/photos/1.jpg"), 0}}};
        paused.resume = job;
        QCOMPARE(writer.append(paused), 2);
        QCOMPARE(RestartJob::restartRow(engine, reports()), 2);
        QCOMPARE(RestartJob::load(engine, reports()), std::optional<ResumeJob>(job));
        // Row 0 is not a run.
        QCOMPARE(HistoryList::load(engine, reports()).items.size(), 2);

        // The next run, whatever it is, takes the offer away.
        writer.append(sampleRun(QStringLiteral("/b/"), 0));
        QCOMPARE(RestartJob::restartRow(engine, reports()), 0);
        QVERIFY(!RestartJob::load(engine, reports()));
        QCOMPARE(engine.CheckTable(TableReference::of(reports(), 0, ResumeJobColumn)), 0);
    }

    // Paths whose names are not UTF-8 come back as their own bytes, so that a run started again
    // or refreshed opens the very files it named; items the walk left out keep their reason.
    void rawNamesAndLeftOutItemsComeBackAsWritten()
    {
        freshFolder();
        TableEngine engine;
        const QString root = Platform::FileNames::fromBytes("/media/Holiday\xff/");
        HistoryRun run = sampleRun(root, 1);
        run.damaged[0].source = root + Platform::FileNames::fromBytes("photo\xff.jpg");
        HistoryDamage left;
        left.source = root + QStringLiteral("locked/");
        left.leftOut = QStringLiteral("The folder could not be read: Permission denied");
        run.leftOut.append(left);
        const ResumeJob job{root,
                            QStringLiteral("/home/user/rescued/"),
                            {{root + Platform::FileNames::fromBytes("photo\xff.jpg"), 4096},
                             {root + Platform::FileNames::fromBytes("photo\xef\xbf\xbd.jpg"), 0}}};
        run.resume = job;
        const int row = HistoryWriter(engine, reports()).append(run);
        QCOMPARE(RestartJob::load(engine, reports()), std::optional<ResumeJob>(job));
        const auto details = ReportDetails::read(engine, TableReference::of(reports(), row, DetailsColumn));
        QVERIFY(details);
        QCOMPARE(details->size(), 2);
        QCOMPARE(details->at(0), run.damaged[0]);
        QCOMPARE(details->at(1).source, left.source);
        QCOMPARE(details->at(1).leftOut, left.leftOut);
        // The list shows the source with its odd byte escaped.
        QCOMPARE(HistoryList::load(engine, reports()).items.first().texts.value(SourceColumn - 1),
                 QStringLiteral("/media/Holiday\\xFF/"));
    }

    void restartCellNamingNothingOffersNothing_data()
    {
        QTest::addColumn<QVariant>("cell");
        QTest::newRow("zero") << QVariant(0);
        QTest::newRow("text") << QVariant(QStringLiteral("abc"));
        QTest::newRow("past the last row") << QVariant(9);
        QTest::newRow("negative") << QVariant(-1);
    }
    void restartCellNamingNothingOffersNothing()
    {
        QFETCH(QVariant, cell);
        freshFolder();
        TableEngine engine;
        HistoryWriter(engine, reports()).append(sampleRun(QStringLiteral("/a/"), 0));
        engine.SetCell(TableReference::of(reports()), 0, RestartRowColumn, cell);
        QCOMPARE(RestartJob::restartRow(engine, reports()), 0);
        QVERIFY(!RestartJob::load(engine, reports()));
    }

    void restartWithoutSavedEntriesOffersNothing()
    {
        freshFolder();
        TableEngine engine;
        HistoryWriter(engine, reports()).append(sampleRun(QStringLiteral("/a/"), 0));
        engine.SetCell(TableReference::of(reports()), 0, RestartRowColumn, 1);
        QCOMPARE(RestartJob::restartRow(engine, reports()), 1);
        QVERIFY(!RestartJob::load(engine, reports()));
    }

    void restartProblems()
    {
        freshFolder();
        QDir().mkpath(m_folder + QStringLiteral("src"));
        QDir().mkpath(m_folder + QStringLiteral("dst"));
        ResumeJob job{
            m_folder + QStringLiteral("src/"), m_folder + QStringLiteral("dst/"), {{QStringLiteral("x"), 0}}};
        QCOMPARE(RestartJob::problemText(job), 0);
        job.destination = m_folder + QStringLiteral("gone/");
        QCOMPARE(RestartJob::problemText(job), 25);
        job.source = m_folder + QStringLiteral("no medium/");
        QCOMPARE(RestartJob::problemText(job), 33);
    }

    void failedWriteKeepsTheHistory()
    {
        freshFolder();
        {
            TableEngine engine;
            HistoryWriter writer(engine, reports());
            writer.append(sampleRun(QStringLiteral("/first/"), 1));
            HistoryRun paused = sampleRun(QStringLiteral("/second/"), 0);
            paused.resume = ResumeJob{
                QStringLiteral("/second/"), QStringLiteral("/d/"), {{QStringLiteral("/second/f"), 5}}};
            writer.append(paused);
        }
        const qint64 size = QFileInfo(reports()).size();
        // A big run whose write runs out of room halfway, as on a full disk.
        const int status = inChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(size + 16384), rlim_t(size + 16384)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            TableEngine engine;
            HistoryRun big = sampleRun(
                QStringLiteral("/third/") + QString(300, QLatin1Char('p')) + QLatin1Char('/'), 3000);
            try {
                HistoryWriter(engine, reports()).append(big);
            } catch (const TableError&) {
                return 0;
            }
            return 1;
        });
        QCOMPARE(status, 0);

        TableEngine engine;
        const auto loaded = HistoryList::load(engine, reports());
        QCOMPARE(loaded.outcome, HistoryList::Outcome::Loaded);
        QCOMPARE(loaded.items.size(), 2);
        QCOMPARE(loaded.items[0].texts.value(2), QStringLiteral("/second/"));
        QCOMPARE(loaded.items[1].texts.value(2), QStringLiteral("/first/"));
        const auto details =
            ReportDetails::read(engine, HistoryList::detailsReference(m_folder, loaded.items[1]));
        QVERIFY(details);
        QCOMPARE(details->size(), 1);
        // The offer to run the paused run again survives too.
        QCOMPARE(RestartJob::restartRow(engine, reports()), 2);
        QVERIFY(RestartJob::load(engine, reports()));
    }

    void damagedDetailTables_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("no table in the cell") << 0;
        QTest::newRow("size not a number") << 1;
        QTest::newRow("row without a file") << 2;
        QTest::newRow("negative lost bytes") << 3;
    }
    void damagedDetailTables()
    {
        QFETCH(int, kind);
        freshFolder();
        TableEngine engine;
        HistoryWriter(engine, reports()).append(sampleRun(QStringLiteral("/a/"), 2));
        const QString details = TableReference::of(reports(), 1, 9);
        const QString top = TableReference::of(reports());
        switch (kind) {
        case 0:
            engine.SetCell(top, 1, 9, QStringLiteral("x"));
            break;
        case 1:
            engine.SetCell(details, 2, DetailSize, QStringLiteral("lots"));
            break;
        case 2:
            engine.SetCell(details, 1, DetailSource, QVariant());
            break;
        default:
            engine.SetCell(details, 1, DetailLost, -5);
            break;
        }
        QVERIFY(!ReportDetails::read(engine, details));
        QCOMPARE(ReportDetails::corruptedText(details),
                 QStringLiteral("File '") + reports() + QStringLiteral("' is corrupted."));
    }

    void csvQuotesWhatNeedsIt()
    {
        const HistoryDamage d{QStringLiteral("/m/a, \"b\".txt"), QStringLiteral("/d/a.txt"), 10, 5, 4,
                              QStringLiteral("2026-01-01"),      QStringLiteral(" 1 - 4,")};
        // An item the walk left out has only its path and the reason.
        HistoryDamage left;
        left.source = Platform::FileNames::fromBytes("/m/locked\xff/");
        left.leftOut = QStringLiteral("The folder could not be read: Permission denied");
        const QString csv = ReportDetails::csvText({d, left});
        QCOMPARE(csv,
                 QStringLiteral("File,Destination,Size,Copied,Lost,Modified,Ranges,Left out,Result\r\n"
                                "\"/m/a, \"\"b\"\".txt\",/d/a.txt,10,5,4,2026-01-01,\"1 - 4,\",,partial\r\n"
                                "/m/locked\\xFF/,,,,,,,The folder could not be read: Permission denied,left "
                                "out\r\n"));
        QCOMPARE(ReportDetails::clipboardText({d}).split(QLatin1Char('\n')).value(1),
                 QStringLiteral("/m/a, \"b\".txt\t/d/a.txt\t10\t5\t4\t2026-01-01\t1 - 4,\t\tpartial"));
    }

    void refreshJobTakesTheDamagedFilesOnce()
    {
        HistoryList::Item item;
        item.texts = {QStringLiteral("d"),
                      QStringLiteral("t"),
                      QStringLiteral("/m/"),
                      QStringLiteral("/d/"),
                      QString(),
                      QString(),
                      QString(),
                      QString(),
                      QStringLiteral("1"),
                      QStringLiteral("2")};
        QList<HistoryDamage> damaged;
        damaged.append({QStringLiteral("/m/a"), QStringLiteral("/d/a"), 1, 1, 1, {}, {}});
        damaged.append({QStringLiteral("/m/a"), QStringLiteral("/d/a"), 1, 1, 1, {}, {}});
        damaged.append({QStringLiteral("/other/b"), QStringLiteral("/d/b"), 1, 1, 1, {}, {}});
        damaged.append({QStringLiteral("/m/sub/c"), QStringLiteral("/d/sub/c"), 1, 1, 1, {}, {}});
        const auto job = HistoryList::refreshJob(item, damaged);
        QVERIFY(job);
        QCOMPARE(job->source, QStringLiteral("/m/"));
        QCOMPARE(job->destination, QStringLiteral("/d/"));
        QCOMPARE(job->entries.size(), 2);
        QCOMPARE(job->entries[0].entry, QStringLiteral("/m/a"));
        QCOMPARE(job->entries[1].entry, QStringLiteral("/m/sub/c"));
        QVERIFY(!HistoryList::refreshJob(item, {}));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
