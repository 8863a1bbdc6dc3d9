// The program ends while a read hangs in the kernel: the run must end at once instead of
// waiting for the medium, and must leave its resume point.
#include "EngineTestJob.h"
#include "FaultyMedium.h"
#include "RecoveryProcess.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace EngineTestJob;

class TestEngineQuit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void quittingEndsTheRunDuringAHungRead()
    {
        QTemporaryDir dir;
        auto files = std::make_shared<FaultyFileAccess>();
        auto medium = FaultyMedium::patterned(400000);
        medium->addDelay(65536, 1, 4000);
        const QString src = QStringLiteral("/medium/");
        files->addSource(src + QStringLiteral("hung.bin"), medium);
        files->addSource(src + QStringLiteral("after.bin"), FaultyMedium::patterned(100));

        RecoveryProcess engine;
        engine.setFileAccess(files);
        fillTexts(engine);
        setJob(engine, src, dir.path() + QLatin1Char('/'),
               {src + QStringLiteral("hung.bin"), src + QStringLiteral("after.bin")});
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536)
                QMetaObject::invokeMethod(
                    qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        });
        Events events(engine);
        engine.StartProcess();
        QCOMPARE(events.raised(), QStringLiteral("aborted"));
        QVERIFY(!engine.isCopyingProcess());
        QCOMPARE(engine.CurrentFile(), 1);
        QCOMPARE(engine.StartPosition(1), qint64(65536));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("after.bin"))));
        QVERIFY(medium->reads().size() <= 2);
    }
};

QTEST_MAIN(TestEngineQuit)
#include "tst_engine_quit.moc"
