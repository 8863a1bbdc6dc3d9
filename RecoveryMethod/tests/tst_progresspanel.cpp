// The progress panel as a user reads it: a new run starts from an empty panel, the speed is that
// of the data the whole run moves, and the time left appears once it can be estimated.
#include "EngineTestJob.h"
#include "FaultyMedium.h"
#include "ModalDriver.h"
#include "RecoveryMethod/SpeedChart.h"
#include "RecoveryMethod/SpeedMeter.h"
#include "RecoveryMethod/TimeLeftText.h"
#include "RecoveryProcess.h"
#include "SizeText.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace EngineTestJob;

namespace {

const QString Src = QStringLiteral("/medium/");

QString field(RecoveryProcess& engine, const QString& name)
{
    return engine.findChild<QLineEdit*>(name)->text();
}

// Every text a field showed, in order.
struct FieldLog
{
    explicit FieldLog(QLineEdit* field)
    {
        QObject::connect(field, &QLineEdit::textChanged, field, [this](const QString& t) { texts << t; });
    }
    QStringList texts;
};

// Shows the engine as in the window, reading from fake media.
std::shared_ptr<FaultyFileAccess> shownOnFakeMedia(RecoveryProcess& engine)
{
    auto files = std::make_shared<FaultyFileAccess>();
    engine.setFileAccess(files);
    fillTexts(engine);
    engine.show();
    return files;
}

} // namespace

class TestProgressPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void speedOverTheLastSeconds_data()
    {
        QTest::addColumn<QList<QPoint>>("samples"); // (ms, bytes moved in all)
        QTest::addColumn<double>("speed");
        QTest::newRow("nothing yet") << QList<QPoint>{} << 0.0;
        QTest::newRow("steady") << QList<QPoint>{{1000, 1000}, {2000, 2000}, {3000, 3000}} << 1000.0;
        // Small files one after another: the run's bytes count, not one file's.
        QTest::newRow("across files")
            << QList<QPoint>{{500, 4096}, {1000, 8192}, {1500, 12288}, {2000, 16384}} << 8192.0;
        // Only the last five seconds count: a fast start is forgotten.
        QTest::newRow("window") << QList<QPoint>{{1000, 1000000}, {6000, 1000000}, {11000, 1005000}}
                                << 1000.0;
        // A stall: after five seconds without data the speed is nil.
        QTest::newRow("stalled") << QList<QPoint>{{1000, 50000}, {2000, 100000}, {8000, 100000}} << 0.0;
        // The window's start between two samples: the earlier one counts in proportion.
        QTest::newRow("part of a sample") << QList<QPoint>{{0, 0}, {4000, 4000}, {8000, 8000}} << 1000.0;
    }

    void speedOverTheLastSeconds()
    {
        QFETCH(QList<QPoint>, samples);
        QFETCH(double, speed);
        SpeedMeter meter;
        meter.restart(0);
        for (const QPoint& s : samples)
            meter.add(s.x(), s.y());
        QCOMPARE(meter.bytesPerSecond(), speed);
    }

    void timeLeftOnceItCanBeEstimated()
    {
        SpeedMeter meter;
        meter.restart(0);
        meter.add(1000, 0); // the run starts slowly: a question, a slow first open
        QCOMPARE(meter.secondsLeft(1e6), -1);
        meter.add(2000, 100000);
        meter.add(3000, 200000);
        // Two seconds of data are not enough to tell.
        QCOMPARE(meter.secondsLeft(1e6), -1);
        QCOMPARE(meter.secondsLeftByShare(0.2), -1);
        meter.add(4000, 300000);
        // 300 000 bytes in the last four seconds: 75 000 a second.
        QCOMPARE(meter.secondsLeft(1e6), 14);
        QCOMPARE(meter.secondsLeft(0), 0);
        // A run of unknown size: 20 % done in 4 s leaves 16 s.
        QCOMPARE(meter.secondsLeftByShare(0.2), 16);
        // Nothing moves any more: no estimate.
        meter.add(10000, 300000);
        QCOMPARE(meter.secondsLeft(1e6), -1);
        // A new run forgets the old one.
        meter.restart(20000);
        QCOMPARE(meter.bytesPerSecond(), 0.0);
        QCOMPARE(meter.secondsLeft(1e6), -1);
        QCOMPARE(meter.movedBytes(), 0);
    }

    void timeLeftInWords_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0") << qint64(0) << QStringLiteral("5 s");
        QTest::newRow("41") << qint64(41) << QStringLiteral("45 s");
        QTest::newRow("58") << qint64(58) << QStringLiteral("1 min");
        QTest::newRow("61") << qint64(61) << QStringLiteral("2 min");
        QTest::newRow("59:59") << qint64(3599) << QStringLiteral("60 min");
        QTest::newRow("1:00:00") << qint64(3600) << QStringLiteral("1 h");
        QTest::newRow("2:04:10") << qint64(2 * 3600 + 4 * 60 + 10) << QStringLiteral("2 h 5 min");
        QTest::newRow("2:59:30") << qint64(2 * 3600 + 59 * 60 + 30) << QStringLiteral("3 h");
    }

    void timeLeftInWords()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, shown);
        const TimeLeftText::Units units{QStringLiteral("%1 s"), QStringLiteral("%1 min"),
                                        QStringLiteral("%1 h")};
        QCOMPARE(TimeLeftText::text(seconds, units, QLocale(QLocale::English)), shown);
    }

    void chartShowsTheWholeRun()
    {
        SpeedChart chart;
        for (int i = 0; i < SpeedChart::Capacity; ++i)
            chart.addReading(i < 120 ? 100 : 300);
        QCOMPARE(chart.points().size(), SpeedChart::Capacity);
        // Full: the next reading halves the points; the run's start is still on the left.
        chart.addReading(300);
        QCOMPARE(chart.points().size(), SpeedChart::Capacity / 2 + 1);
        QCOMPARE(chart.readingsPerPoint(), 2);
        QCOMPARE(chart.points().first(), 100.0);
        QCOMPARE(chart.points().last(), 300.0);
        chart.addReading(100);
        QCOMPARE(chart.points().last(), 200.0);
        chart.startRun();
        QVERIFY(chart.points().isEmpty());
        QCOMPARE(chart.readingsPerPoint(), 1);
    }

    void secondRunStartsEmpty_data()
    {
        QTest::addColumn<QString>("firstRun");
        QTest::newRow("after a whole run") << QStringLiteral("whole");
        QTest::newRow("after a run with lost bytes") << QStringLiteral("damaged");
        QTest::newRow("after a paused run") << QStringLiteral("paused");
    }

    void secondRunStartsEmpty()
    {
        QFETCH(QString, firstRun);
        QTemporaryDir dir;
        RecoveryProcess engine;
        const auto files = shownOnFakeMedia(engine);
        QVERIFY(QTest::qWaitForWindowExposed(&engine));
        const QString dst = dir.path() + QLatin1Char('/');

        auto first = FaultyMedium::patterned(300000);
        if (firstRun == QLatin1String("damaged"))
            first->addBadRange(100000, 20000);
        files->addSource(Src + QStringLiteral("first.bin"), first);
        std::atomic<bool> asked = false;
        if (firstRun == QLatin1String("paused")) {
            first->setOnRead([&](qint64 offset, qint64) {
                if (offset == 65536 && !asked.exchange(true))
                    QMetaObject::invokeMethod(
                        &engine,
                        [&engine] {
                            engine.findChild<QAbstractButton*>(QStringLiteral("Command2"))->click();
                        },
                        Qt::BlockingQueuedConnection);
            });
            ModalDriver::onNextModal(
                [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Command1(1)")); });
        }
        setJob(engine, Src, dst, {Src + QStringLiteral("first.bin")});
        engine.setJobBytes(300000);
        engine.StartProcess();
        // The first run left its marks on the panel.
        QVERIFY(!field(engine, QStringLiteral("StatR(0)")).isEmpty());
        QVERIFY(!field(engine, QStringLiteral("StatR(3)")).isEmpty());
        if (firstRun == QLatin1String("damaged"))
            QVERIFY(!field(engine, QStringLiteral("StatR(1)")).isEmpty());
        QVERIFY(!engine.findChild<SpeedChart*>(QStringLiteral("SpeedChart1"))->points().isEmpty());

        // The second run, seen when it opens its first file, before it copied a byte.
        QStringList seen;
        files->addSource(Src + QStringLiteral("second.bin"), FaultyMedium::patterned(200000));
        files->onOpen(Src + QStringLiteral("second.bin"), [&] {
            QMetaObject::invokeMethod(
                &engine,
                [&] {
                    for (int i = 0; i < 5; ++i)
                        seen << QStringLiteral("StatR(%1)=").arg(i) +
                                    field(engine, QStringLiteral("StatR(%1)").arg(i));
                    seen << QStringLiteral("StatT(1)=") + field(engine, QStringLiteral("StatT(1)"));
                    seen << QStringLiteral("TimeLeft=") + field(engine, QStringLiteral("TimeLeft"));
                    seen << QStringLiteral("TotalStat(3)=") +
                                engine.findChild<QLabel*>(QStringLiteral("TotalStat(3)"))->text();
                    for (const char* bar : {"ProgressBar1", "ProgressBar2"})
                        seen << QLatin1String(bar) +
                                    QStringLiteral("=%1").arg(
                                        engine.findChild<QProgressBar*>(QLatin1String(bar))->value());
                    seen << QStringLiteral("chart=%1")
                                .arg(engine.findChild<SpeedChart*>(QStringLiteral("SpeedChart1"))
                                         ->points()
                                         .size());
                    seen << QStringLiteral("lastLineInTitle=%1")
                                .arg(engine.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title() ==
                                     text(31));
                },
                Qt::BlockingQueuedConnection);
        });
        setJob(engine, Src, dst, {Src + QStringLiteral("second.bin")});
        engine.StartProcess();
        const QStringList empty{
            QStringLiteral("StatR(0)="),       QStringLiteral("StatR(1)="),
            QStringLiteral("StatR(2)="),       QStringLiteral("StatR(3)="),
            QStringLiteral("StatR(4)="),       QStringLiteral("StatT(1)=") + Platform::sizeText(0),
            QStringLiteral("TimeLeft=\u2014"), QStringLiteral("TotalStat(3)=0%"),
            QStringLiteral("ProgressBar1=0"),  QStringLiteral("ProgressBar2=0"),
            QStringLiteral("chart=0"),         QStringLiteral("lastLineInTitle=0")};
        QCOMPARE(seen, empty);
        QCOMPARE(field(engine, QStringLiteral("StatR(0)")),
                 Platform::sizeText(200000) + QStringLiteral(" / ") + Platform::sizeText(200000));
    }

    void resumedFileShowsWhereItStarts()
    {
        QTemporaryDir dir;
        RecoveryProcess engine;
        const auto files = shownOnFakeMedia(engine);
        QVERIFY(QTest::qWaitForWindowExposed(&engine));
        const QString dst = dir.path() + QLatin1Char('/');
        auto medium = FaultyMedium::patterned(1000000);
        files->addSource(Src + QStringLiteral("big.bin"), medium);
        // The earlier run's half of the copy.
        QFile half(dst + QStringLiteral("big.bin"));
        QVERIFY(half.open(QIODevice::WriteOnly));
        half.write(medium->bytes(0, 500000));
        half.close();

        // What the panel shows of the file before its first block is read.
        auto* copied = engine.findChild<QLineEdit*>(QStringLiteral("StatR(0)"));
        auto* percent = engine.findChild<QLineEdit*>(QStringLiteral("StatR(3)"));
        auto* bar = engine.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QString seen;
        std::atomic<bool> first = true;
        medium->setOnRead([&](qint64, qint64) {
            if (!first.exchange(false))
                return;
            QMetaObject::invokeMethod(
                &engine,
                [&] {
                    QTRY_VERIFY(!copied->text().isEmpty());
                    seen = copied->text() + QStringLiteral(" | ") + percent->text() +
                           QStringLiteral(" | %1").arg(bar->value());
                },
                Qt::BlockingQueuedConnection);
        });
        setJob(engine, Src, dst, {Src + QStringLiteral("big.bin")});
        engine.setStartPosition(1, 500000);
        engine.StartProcess();
        // Where the earlier run left it, and the percentage that goes with it.
        QCOMPARE(seen, Platform::sizeText(500000) + QStringLiteral(" / ") + Platform::sizeText(1000000) +
                           QStringLiteral(" | 50% | 50"));
        QCOMPARE(percent->text(), QStringLiteral("100%"));
    }

    void speedWhileAJobOfSeveralFilesCopies()
    {
        // Real files in a real folder, copied by the real engine; the clock is the test's, so
        // that time passes at each refresh of the panel.
        QTemporaryDir source;
        QTemporaryDir target;
        const QString src = source.path() + QLatin1Char('/');
        QStringList entries;
        for (int i = 0; i < 6; ++i) {
            const QString name = src + QStringLiteral("f%1.bin").arg(i);
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(FaultyMedium::patterned(300000)->bytes(0, 300000));
            entries << name;
        }
        // At the fourth file the run waits until the panel has been refreshed a dozen times.
        std::atomic<qint64> refreshes = 0;
        std::atomic<qint64> waitFor = -1;
        auto files = std::make_shared<OpenHook>(entries[3], OpenHook::ForCopy, [&] {
            waitFor = refreshes.load() + 12;
            while (refreshes.load() < waitFor.load())
                std::this_thread::yield();
        });
        RecoveryProcess engine;
        engine.setFileAccess(files);
        fillTexts(engine);
        engine.setClock([&] { return 500 * ++refreshes; });
        FieldLog speed(engine.findChild<QLineEdit*>(QStringLiteral("StatR(2)")));
        FieldLog timeLeft(engine.findChild<QLineEdit*>(QStringLiteral("TimeLeft")));
        setJob(engine, src, target.path() + QLatin1Char('/'), entries);
        engine.setJobBytes(6 * 300000);
        engine.StartProcess();
        QCOMPARE(engine.CopiedBytes(6), qint64(300000));

        // While the run copied, its speed showed the bytes of the files together.
        const QString nothing = QStringLiteral("%1/s").arg(Platform::sizeText(0));
        QStringList moving = speed.texts;
        moving.removeAll(nothing);
        moving.removeAll(QString());
        QVERIFY2(!moving.isEmpty(), qPrintable(speed.texts.join(u'|')));
        // And once the data had flowed for a few seconds, the time the rest would take.
        QStringList estimates = timeLeft.texts;
        estimates.removeAll(QStringLiteral("\u2014"));
        QVERIFY2(!estimates.isEmpty(), qPrintable(timeLeft.texts.join(u'|')));
        QVERIFY2(estimates.first().endsWith(QLatin1String(" s")) ||
                     estimates.first().endsWith(QLatin1String(" min")),
                 qPrintable(estimates.first()));
        // When the run has ended, no time is left to tell.
        QCOMPARE(timeLeft.texts.last(), QStringLiteral("\u2014"));
    }
};

QTEST_MAIN(TestProgressPanel)
#include "tst_progresspanel.moc"
