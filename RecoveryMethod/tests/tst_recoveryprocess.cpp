#include "EngineAnswers.h"
#include "EngineMessages.h"
#include "EngineTestJob.h"
#include "FaultyMedium.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "isButton.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace EngineTestJob;

namespace {

const QString Src = QStringLiteral("/medium/");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Clicks the button of the given name on the dialog passed to Prompt::exec, as a person would.
int clickOn(QDialog& dialog, const QString& name)
{
    auto* button = dialog.findChild<isButton*>(name);
    if (!button)
        return -1;
    button->click();
    return dialog.result();
}

} // namespace

class TestRecoveryProcess : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecoveryProcess> m_engine;
    std::shared_ptr<FaultyFileAccess> m_files;
    QString m_dst;
    QStringList m_messages; // texts of the message boxes shown

    std::shared_ptr<FaultyMedium> addSource(const QString& name, qint64 size)
    {
        auto medium = FaultyMedium::patterned(size);
        m_files->addSource(Src + name, medium);
        return medium;
    }

    // Presses Stop on the window's thread while a read of the run waits; returns once the abort
    // dialog has been answered.
    void stopAndAnswerDuringTheRead()
    {
        QMetaObject::invokeMethod(
            m_engine.get(), [this] { m_engine->TerminateMe(); }, Qt::BlockingQueuedConnection);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dst = m_dir->path() + QLatin1Char('/');
        m_engine = std::make_unique<RecoveryProcess>();
        m_files = std::make_shared<FaultyFileAccess>();
        m_engine->setFileAccess(m_files);
        fillTexts(*m_engine);
        m_messages.clear();
    }

    void mixedJobLogsCountsAndRecords()
    {
        addSource(QStringLiteral("sub/a.bin"), 100000);
        auto damaged = addSource(QStringLiteral("sub/b.bin"), 300000);
        damaged->addBadRange(65536, 20000);
        auto tail = addSource(QStringLiteral("tail.bin"), 70000);
        tail->addBadRange(69900, 100);
        setJob(*m_engine, Src, m_dst,
               {QLatin1Char('\t') + Src + QStringLiteral("sub"), Src + QStringLiteral("sub/a.bin"),
                Src + QStringLiteral("sub/b.bin"), Src + QStringLiteral("missing.bin"),
                Src + QStringLiteral("tail.bin")});
        Events events(*m_engine);
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages));
        m_engine->StartProcess();

        QCOMPARE(events.raised(), QStringLiteral("done"));
        // Damaged files are logged with their losses after the first pass, and again after the
        // rescue of their given-up ranges.
        const QString lossOf = QStringLiteral(" - ") + text(40) + QStringLiteral(": ");
        QCOMPARE(
            logLines(*m_engine),
            QStringList({text(14), text(9) + QStringLiteral(": \"") + m_dst + QStringLiteral("sub\"."),
                         Src + QStringLiteral("sub/a.bin - ok"),
                         Src + QStringLiteral("sub/b.bin") + lossOf + QStringLiteral("32 Kb"),
                         text(10) + QStringLiteral(": ") + Src + QStringLiteral("missing.bin"),
                         Src + QStringLiteral("tail.bin") + lossOf + QStringLiteral("4464 b"), text(41),
                         Src + QStringLiteral("sub/b.bin") + lossOf + QStringLiteral("20 Kb"),
                         Src + QStringLiteral("tail.bin") + lossOf + QStringLiteral("368 b"), text(31)}));
        // Asked once for the missing source, naming it.
        QCOMPARE(m_messages, QStringList{text(70).arg(Src + QStringLiteral("missing.bin"))});
        QCOMPARE(m_engine->ItemsFolders_Count(), 1);
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 1);
        QCOMPARE(m_engine->CorruptedFilesCount(), 2);
        QCOMPARE(m_engine->CurrentFile(), 6);
        // Bytes read from the medium, and the sectors that stayed unreadable: [65536, 85536) is
        // bad in b.bin, [69900, 70000) in tail.bin, in 512-byte sectors.
        QCOMPARE(m_engine->TotalCopiedBytes(), 100000.0 + (300000.0 - 20480.0) + (70000.0 - 368.0));
        QCOMPARE(m_engine->TotalLostBytes(), 20480.0 + 368.0);
        QVERIFY(!m_engine->isCopyingProcess());

        const QList<bool> done{false, true, true, false, true};
        const QList<qint64> copied{0, 100000, 300000, 0, 65536};
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(m_engine->isDone(i), done[i - 1]);
            QCOMPARE(m_engine->CopiedBytes(i), copied[i - 1]);
        }
        QCOMPARE(m_engine->DamageRecordCount(), 2);
        QCOMPARE(m_engine->DamageRecord(1).file, Src + QStringLiteral("sub/b.bin"));
        QCOMPARE(m_engine->DamageRecord(1).file2, m_dst + QStringLiteral("sub/b.bin"));
        QCOMPARE(m_engine->DamageRecord(1).lostBytes, qint64(20480));
        QCOMPARE(m_engine->DamageRecord(1).rangeList, QStringLiteral(" 65537 - 86016,"));
        QCOMPARE(m_engine->DamageRecord(2).rangeList, QStringLiteral(" 69633 - 70000,"));
        QCOMPARE(m_engine->DamageRecord(2).copied, qint64(70000));
        QCOMPARE(readFile(m_dst + QStringLiteral("sub/a.bin")),
                 FaultyMedium::patterned(100000)->bytes(0, 100000));
        // The unreadable tail reads back as zero bytes, the copy has the source's size.
        QByteArray tailCopy = FaultyMedium::patterned(70000)->bytes(0, 70000);
        tailCopy.replace(69632, 368, QByteArray(368, '\0'));
        QCOMPARE(readFile(m_dst + QStringLiteral("tail.bin")), tailCopy);

        auto* statT0 = m_engine->findChild<QLineEdit*>(QStringLiteral("StatT(0)"));
        QCOMPARE(statT0->text(), QStringLiteral("5 / 5"));
        QCOMPARE(m_engine->findChild<QLabel*>(QStringLiteral("TotalStat(3)"))->text(),
                 QStringLiteral("100%"));
        QCOMPARE(m_engine->findChild<QProgressBar*>(QStringLiteral("ProgressBar2"))->value(), 100);
        QCOMPARE(m_engine->findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(), text(31));
    }

    void emptyJobAndFolderOnlyJob()
    {
        setJob(*m_engine, Src, m_dst, {});
        Events events(*m_engine);
        m_engine->StartProcess();
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QCOMPARE(logLines(*m_engine), QStringList({text(14), text(31)}));

        setJob(*m_engine, m_dir->path() + QStringLiteral("/src/"), m_dst,
               {QStringLiteral("\t%1/src/x").arg(m_dir->path()),
                QStringLiteral("\t%1/src/x/y").arg(m_dir->path())});
        m_engine->StartProcess();
        QCOMPARE(m_engine->ItemsFolders_Count(), 2);
        QCOMPARE(m_engine->TotalCopiedBytes(), 0.0);
        QVERIFY(QFileInfo(m_dst + QStringLiteral("x/y")).isDir());
    }

    void folderThatCannotBeCreatedStopsTheRun()
    {
        addSource(QStringLiteral("a.bin"), 10);
        setJob(*m_engine, Src, m_dst,
               {QLatin1Char('\t') + Src + QStringLiteral("no/parent"), Src + QStringLiteral("a.bin")});
        Events events(*m_engine);
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages));
        m_engine->StartProcess();
        QCOMPARE(m_messages, QStringList{text(11)});
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QCOMPARE(m_engine->ItemsFolders_Count(), 0);
        QCOMPARE(m_engine->CurrentFile(), 1);
        QVERIFY(!QFile::exists(m_dst + QStringLiteral("a.bin")));
    }

    void destinationThatCannotBeOpenedEndsAfterItsEntry()
    {
        addSource(QStringLiteral("a.bin"), 10);
        addSource(QStringLiteral("b.bin"), 10);
        setJob(*m_engine, Src, m_dst + QStringLiteral("gone/"),
               {Src + QStringLiteral("a.bin"), Src + QStringLiteral("b.bin")});
        Events events(*m_engine);
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages));
        m_engine->StartProcess();
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral(
                     "Unable to continue.\nDestination path not found. Please restart process.")});
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QCOMPARE(m_engine->Items_Count(), -1);
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 1);
        QCOMPARE(logLines(*m_engine),
                 QStringList({text(14), Src + QStringLiteral("a.bin - ") + text(33), text(31)}));
    }

    void destinationThatCannotBeCreatedAheadIsReportedInItsTurn()
    {
        // The second file's copy is created while the first is finished, and that fails.
        addSource(QStringLiteral("a.bin"), 10);
        addSource(QStringLiteral("gone/b.bin"), 10);
        setJob(*m_engine, Src, m_dst, {Src + QStringLiteral("a.bin"), Src + QStringLiteral("gone/b.bin")});
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages));
        m_engine->StartProcess();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].startsWith(QStringLiteral("Unable to continue.")));
        QCOMPARE(m_engine->Items_Count(), -1);
        QCOMPARE(logLines(*m_engine),
                 QStringList({text(14), Src + QStringLiteral("a.bin - ok"),
                              Src + QStringLiteral("gone/b.bin - ") + text(33), text(31)}));
        QCOMPARE(readFile(m_dst + QStringLiteral("a.bin")).size(), 10);
    }

    void pauseAtTheThirdOfFiveThenResume()
    {
        QStringList entries;
        for (int i = 1; i <= 5; ++i) {
            auto medium = addSource(QStringLiteral("f%1.bin").arg(i), 300000);
            entries << Src + QStringLiteral("f%1.bin").arg(i);
            if (i == 3) {
                // The user presses Stop while the second block of the third file is read: the
                // read waits until the dialog has been answered.
                medium->setOnRead([this](qint64 offset, qint64) {
                    if (offset == 65536)
                        stopAndAnswerDuringTheRead();
                });
            }
        }
        setJob(*m_engine, Src, m_dst, entries);
        Events events(*m_engine);
        {
            Prompt::ScopedAnswerer answerer(cancellingAll(m_messages), [](QDialog& d) {
                return clickOn(d, QStringLiteral("Command1(1)"));
            });
            m_engine->StartProcess();
        }
        QCOMPARE(events.raised(), QStringLiteral("paused"));
        QCOMPARE(m_engine->CurrentFile(), 3);
        QVERIFY(m_engine->isDone(3));
        QCOMPARE(m_engine->StartPosition(3), qint64(131072));
        QCOMPARE(m_engine->CopiedBytes(3), qint64(131072));
        for (int j = 4; j <= 5; ++j) {
            QVERIFY(!m_engine->isDone(j));
            QCOMPARE(m_engine->CopiedBytes(j), qint64(0));
            QCOMPARE(m_engine->StartPosition(j), qint64(0));
        }
        QCOMPARE(m_engine->findChild<QLabel*>(QStringLiteral("TotalStat(3)"))->text(),
                 QStringLiteral("100%"));
        QCOMPARE(m_engine->AbortWindowAnswer(), 1);
        QCOMPARE(m_engine->DamageRecord(1).copied, qint64(131072));

        // The host resumes with the entries from the paused one on.
        const qint64 resumeAt = m_engine->StartPosition(3);
        setJob(*m_engine, Src, m_dst, entries.mid(2));
        m_engine->setStartPosition(1, resumeAt);
        Events second(*m_engine);
        m_engine->StartProcess();
        QCOMPARE(second.raised(), QStringLiteral("done"));
        QCOMPARE(readFile(m_dst + QStringLiteral("f3.bin")),
                 FaultyMedium::patterned(300000)->bytes(0, 300000));
        QCOMPARE(readFile(m_dst + QStringLiteral("f5.bin")),
                 FaultyMedium::patterned(300000)->bytes(0, 300000));
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 0);
    }

    void answerGivenBetweenFilesIsNotLost_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("event");
        QTest::newRow("pause") << 1 << QStringLiteral("paused");
        QTest::newRow("abort") << 3 << QStringLiteral("aborted");
    }

    void answerGivenBetweenFilesIsNotLost()
    {
        QFETCH(int, answer);
        QFETCH(QString, event);
        QStringList entries;
        for (int i = 1; i <= 20; ++i) {
            addSource(QStringLiteral("small%1").arg(i), 500);
            entries << Src + QStringLiteral("small%1").arg(i);
        }
        setJob(*m_engine, Src, m_dst, entries);
        // Stop is pressed once the sixth file is done, before the seventh is read: the answer is
        // taken after the seventh file's first block.
        m_files->onOpen(entries[6], [this] { stopAndAnswerDuringTheRead(); });
        Events events(*m_engine);
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages), [answer](QDialog& d) {
            return clickOn(d, QStringLiteral("Command1(%1)").arg(answer));
        });
        m_engine->StartProcess();
        QCOMPARE(events.raised(), event);
        QCOMPARE(m_engine->CurrentFile(), 7);
        QCOMPARE(m_engine->StartPosition(7), qint64(500));
        QVERIFY(!QFile::exists(m_dst + QStringLiteral("small8")));
    }

    void skipEndsOnlyTheCurrentFile()
    {
        auto medium = addSource(QStringLiteral("big.bin"), 400000);
        addSource(QStringLiteral("next.bin"), 1000);
        medium->setOnRead([this](qint64 offset, qint64) {
            if (offset == 65536)
                stopAndAnswerDuringTheRead();
        });
        setJob(*m_engine, Src, m_dst, {Src + QStringLiteral("big.bin"), Src + QStringLiteral("next.bin")});
        Events events(*m_engine);
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages),
                                        [](QDialog& d) { return clickOn(d, QStringLiteral("Command1(2)")); });
        m_engine->StartProcess();
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QVERIFY(!m_engine->isDone(1));
        QVERIFY(m_engine->isDone(2));
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 1);
        QCOMPARE(logLines(*m_engine).at(1), Src + QStringLiteral("big.bin - ") + text(33));
        QCOMPARE(readFile(m_dst + QStringLiteral("next.bin")).size(), 1000);
    }

    void overwriteAnswers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<int>("overwritten");
        QTest::newRow("1 overwrite this") << QStringLiteral("isButton1(1)") << 3 << 3;
        QTest::newRow("10 overwrite all") << QStringLiteral("isButton1(10)") << 1 << 3;
        QTest::newRow("2 skip this") << QStringLiteral("isButton1(2)") << 3 << 0;
        QTest::newRow("20 skip all") << QStringLiteral("isButton1(20)") << 1 << 0;
        QTest::newRow("closed without a button") << QString() << 3 << 0;
    }

    void overwriteAnswers()
    {
        QFETCH(QString, button);
        QFETCH(int, dialogs);
        QFETCH(int, overwritten);
        QStringList entries;
        for (int i = 1; i <= 3; ++i) {
            addSource(QStringLiteral("e%1").arg(i), 3000);
            writeFile(m_dst + QStringLiteral("e%1").arg(i), QByteArray("old"));
            entries << Src + QStringLiteral("e%1").arg(i);
        }
        setJob(*m_engine, Src, m_dst, entries);
        int shown = 0;
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages), [&](QDialog& d) {
            ++shown;
            if (d.findChild<QLineEdit*>(QStringLiteral("ExFile"))->text() !=
                m_dst + QStringLiteral("e%1").arg(shown))
                return -1;
            if (button.isEmpty()) {
                d.reject();
                return d.result();
            }
            return clickOn(d, button);
        });
        Events events(*m_engine);
        m_engine->StartProcess();
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QCOMPARE(shown, dialogs);
        int replaced = 0;
        for (int i = 1; i <= 3; ++i)
            replaced += readFile(m_dst + QStringLiteral("e%1").arg(i)).size() == 3000 ? 1 : 0;
        QCOMPARE(replaced, overwritten);
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 3 - overwritten);
        const QString suffix = overwritten ? text(32) : text(12);
        QCOMPARE(logLines(*m_engine).at(1), entries[0] + QStringLiteral(" - ") + suffix);
        // A new run asks again.
        shown = 0;
        m_engine->StartProcess();
        QCOMPARE(shown, dialogs);
    }

    void aFileListedTwiceAsksBeforeReplacingItsFirstCopy()
    {
        addSource(QStringLiteral("a.bin"), 3000);
        addSource(QStringLiteral("b.bin"), 2000);
        const QStringList entries{Src + QStringLiteral("b.bin"), Src + QStringLiteral("a.bin"),
                                  Src + QStringLiteral("a.bin")};
        setJob(*m_engine, Src, m_dst, entries);
        QStringList asked;
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages), [&](QDialog& d) {
            asked << d.findChild<QLineEdit*>(QStringLiteral("ExFile"))->text();
            return clickOn(d, QStringLiteral("isButton1(2)"));
        });
        m_engine->StartProcess();
        QCOMPARE(asked, QStringList{m_dst + QStringLiteral("a.bin")});
        QCOMPARE(logLines(*m_engine).at(3), entries[2] + QStringLiteral(" - ") + text(12));
    }

    void sourcesAreOpenedOnlyInTheirTurn()
    {
        // Nothing of a source is opened (or read) before the copier comes to it, so the medium
        // sees no read the engine does not count.
        QStringList entries;
        QStringList files;
        for (int i = 1; i <= 30; ++i) {
            auto medium = addSource(QStringLiteral("f%1").arg(i), 1000);
            if (i == 12)
                medium->addBadRange(100, 10);
            entries << Src + QStringLiteral("f%1").arg(i);
            files << entries.last();
            if (i == 3)
                entries << QLatin1Char('\t') + Src + QStringLiteral("folder");
        }
        setJob(*m_engine, Src, m_dst, entries);
        QList<QStringList> openedBefore; // the sources already opened as each one opens
        for (const QString& file : files)
            m_files->onOpen(file, [this, &openedBefore] { openedBefore << m_files->openedSources(); });
        m_engine->StartProcess();
        // In job order, each once; then the damaged one again for its rescue, after all others.
        QCOMPARE(m_files->openedSources(), files + QStringList{Src + QStringLiteral("f12")});
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(openedBefore.at(i), files.mid(0, i));
        QVERIFY(m_engine->isDone(1));
        QCOMPARE(m_engine->CorruptedFilesCount(), 1);
        QCOMPARE(m_engine->ItemsNotCopied_Count(), 0);
    }

    void overwriteDialogDrivenForReal_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("1") << 1 << true;
        QTest::newRow("10") << 10 << true;
        QTest::newRow("2") << 2 << false;
        QTest::newRow("20") << 20 << false;
        QTest::newRow("closed without a button") << 0 << false;
    }

    void overwriteDialogDrivenForReal()
    {
        QFETCH(int, index);
        QFETCH(bool, replaced);
        addSource(QStringLiteral("x"), 5000);
        writeFile(m_dst + QStringLiteral("x"), QByteArray("old"));
        setJob(*m_engine, Src, m_dst, {Src + QStringLiteral("x")});
        QString title, prompt, caption;
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                title = modal->windowTitle();
                prompt = modal->findChild<QLabel*>(QStringLiteral("FormPrompt"))->text();
                if (index == 0) {
                    modal->close();
                    return;
                }
                caption = modal->findChild<isButton*>(QStringLiteral("isButton1(%1)").arg(index))->text();
                ModalDriver::clickButton(modal, QStringLiteral("isButton1(%1)").arg(index));
            },
            &acted);
        m_engine->StartProcess();
        QVERIFY(acted);
        QCOMPARE(title, QStringLiteral("Korvalis"));
        QCOMPARE(prompt, text(15));
        const int slots[] = {16, 17, 18, 19};
        const int indexes[] = {1, 10, 2, 20};
        for (int i = 0; i < 4; ++i) {
            if (indexes[i] == index)
                QCOMPARE(caption, text(slots[i]));
        }
        QCOMPARE(EngineAnswers::overwriteAnswer(), index); // closing it leaves the answer at none
        QCOMPARE(readFile(m_dst + QStringLiteral("x")).size() == 5000, replaced);
        if (index == 0) {
            QCOMPARE(readFile(m_dst + QStringLiteral("x")), QByteArray("old"));
            QCOMPARE(logLines(*m_engine).at(1), Src + QStringLiteral("x - ") + text(12));
        }
    }

    void hiddenDestinationIsAskedAbout()
    {
        addSource(QStringLiteral(".dotfile"), 100);
        writeFile(m_dst + QStringLiteral(".dotfile"), QByteArray("keep"));
        setJob(*m_engine, Src, m_dst, {Src + QStringLiteral(".dotfile")});
        int shown = 0;
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages), [&](QDialog& d) {
            ++shown;
            return clickOn(d, QStringLiteral("isButton1(2)"));
        });
        m_engine->StartProcess();
        QCOMPARE(shown, 1);
        QCOMPARE(readFile(m_dst + QStringLiteral(".dotfile")), QByteArray("keep"));
    }

    void stopDuringAHungReadTakesEffectAfterTheBlock_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("block by block") << qint64(400000);
        QTest::newRow("many blocks a percent") << qint64(400 * 65536);
    }

    void stopDuringAHungReadTakesEffectAfterTheBlock()
    {
        QFETCH(qint64, size);
        auto medium = addSource(QStringLiteral("slow.bin"), size);
        medium->addDelay(65536, 1, 1500);
        setJob(*m_engine, Src, m_dst, {Src + QStringLiteral("slow.bin")});

        // The window keeps running while the read hangs: a timer ticks, and Stop opens the dialog.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        int ticksBeforeStop = -1;
        qsizetype readsAtOpen = -1;
        qsizetype readsAtAnswer = -1;
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536)
                QMetaObject::invokeMethod(m_engine.get(), [&] {
                    ticksBeforeStop = ticks;
                    m_engine->findChild<isButton*>(QStringLiteral("Command2"))->click();
                });
        });
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                readsAtOpen = medium->reads().size();
                // Keep the dialog open past the end of the hung read.
                QTimer::singleShot(1800, modal, [&, modal] {
                    readsAtAnswer = medium->reads().size();
                    ModalDriver::clickButton(modal, QStringLiteral("Command1(3)"));
                });
            },
            &acted);
        Events events(*m_engine);
        m_engine->StartProcess();
        QVERIFY(acted);
        QVERIFY(ticks > ticksBeforeStop);
        QVERIFY(ticksBeforeStop >= 0);
        QCOMPARE(readsAtOpen, qsizetype(2));
        QCOMPARE(readsAtAnswer, qsizetype(2)); // no block was read while the dialog was open
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(events.raised(), QStringLiteral("aborted"));
        QCOMPARE(m_engine->CopiedBytes(1), qint64(131072));
        QCOMPARE(readFile(m_dst + QStringLiteral("slow.bin")).size(), 131072);
    }

    void abortDialogDrivenForReal_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 4; ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i;
    }

    void abortDialogDrivenForReal()
    {
        QFETCH(int, index);
        EngineAnswers::setAbortAnswer(-5);
        QString title, prompt, caption;
        ModalDriver::onNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            prompt = modal->findChild<QLabel*>(QStringLiteral("FormPrompt"))->text();
            caption = modal->findChild<isButton*>(QStringLiteral("Command1(%1)").arg(index))->text();
            ModalDriver::clickButton(modal, QStringLiteral("Command1(%1)").arg(index));
        });
        m_engine->TerminateMe();
        QCOMPARE(m_engine->AbortWindowAnswer(), index);
        QCOMPARE(title, text(27));
        QCOMPARE(prompt, text(22));
        QCOMPARE(caption, text(23 + index));

        // Closing it without a button keeps the answer.
        ModalDriver::onNextModal([](QWidget* modal) { modal->close(); });
        m_engine->TerminateMe();
        QCOMPARE(m_engine->AbortWindowAnswer(), index);
    }

    void errorMessageTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("52") << 52 << QStringLiteral("T30");
        QTest::newRow("53") << 53 << QStringLiteral("T28");
        QTest::newRow("61") << 61 << QStringLiteral("T30");
        QTest::newRow("71") << 71 << QStringLiteral("T29");
        QTest::newRow("75 shows the system's text") << 75 << QString::fromLocal8Bit(strerror(EIO));
        QTest::newRow("other") << 1000 + EROFS << QString::fromLocal8Bit(strerror(EROFS));
    }

    void errorMessageTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, shown);
        Prompt::Message asked;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked = m;
            return QMessageBox::Retry;
        });
        QVERIFY(m_engine->ErrorMessages(code));
        QCOMPARE(asked.text, shown);
        QCOMPARE(asked.icon, QMessageBox::Critical);
        QCOMPARE(asked.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        QVERIFY(asked.title.isEmpty());
    }

    // A file error that knows its side names the file: 70 on the source, 71 on the destination.
    // Not found and not ready keep their own advice; errors without a text of their own keep the
    // system's words after the named file.
    void fileErrorsNameTheFileAndItsSide_data()
    {
        using Side = Platform::FileError::Side;
        QTest::addColumn<int>("systemError");
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("shown");
        const QString f = QStringLiteral("/media/disc/a b.txt");
        const auto system = [](int e) -> QString {
            return QStringLiteral("\n\n") + QString::fromLocal8Bit(strerror(e));
        };
        QTest::newRow("source, bad name")
            << int(ENAMETOOLONG) << int(Side::Source) << QStringLiteral("T70 ") + f;
        QTest::newRow("destination, full")
            << int(ENOSPC) << int(Side::Destination) << QStringLiteral("T71 ") + f;
        QTest::newRow("source, a folder")
            << int(EISDIR) << int(Side::Source) << QStringLiteral("T70 ") + f + system(EISDIR);
        QTest::newRow("destination, read-only")
            << int(EROFS) << int(Side::Destination) << QStringLiteral("T71 ") + f + system(EROFS);
        QTest::newRow("not found") << int(ENOENT) << int(Side::Source) << QStringLiteral("T28");
        QTest::newRow("not ready") << int(ENOMEDIUM) << int(Side::Source) << QStringLiteral("T29");
        QTest::newRow("side unknown") << int(ENOSPC) << int(Side::Unknown) << QStringLiteral("T30");
    }

    void fileErrorsNameTheFileAndItsSide()
    {
        QFETCH(int, systemError);
        QFETCH(int, side);
        QFETCH(QString, shown);
        QStringList asked;
        Prompt::ScopedAnswerer answerer(cancellingAll(asked));
        QVERIFY(!EngineMessages::errorMessage(Platform::onFile(Platform::fileErrorFromErrno(systemError),
                                                               Platform::FileError::Side(side),
                                                               QStringLiteral("/media/disc/a b.txt"))));
        QCOMPARE(asked, QStringList{shown});
    }

    // A language file without texts 70 and 71 still asks, with the one text of old.
    void fileMessagesWithoutTheirTexts()
    {
        EngineTexts::setSlot(70, QString());
        EngineTexts::setSlot(71, QString());
        QStringList asked;
        Prompt::ScopedAnswerer answerer(cancellingAll(asked));
        QVERIFY(!EngineMessages::missingSource(QStringLiteral("/m/a")));
        QVERIFY(!EngineMessages::errorMessage(Platform::onFile(Platform::fileErrorFromErrno(ENOSPC),
                                                               Platform::FileError::Side::Destination,
                                                               QStringLiteral("/d/a"))));
        QCOMPARE(asked, QStringList({QStringLiteral("T30"), QStringLiteral("T30")}));
        fillTexts(*m_engine);
    }

    void textsCaptionsAndIndexes()
    {
        m_engine->setLangValue(3, QStringLiteral("Speed"));
        QCOMPARE(m_engine->findChild<QLabel*>(QStringLiteral("Stat(2)"))->text(), QStringLiteral("Speed:"));
        m_engine->setLangValue(7, QStringLiteral("Total size"));
        QCOMPARE(m_engine->findChild<QLabel*>(QStringLiteral("TotalStat(1)"))->text(),
                 QStringLiteral("Total size:"));
        m_engine->setLangValue(9, QStringLiteral("Folder"));
        QCOMPARE(EngineTexts::slot(9), QStringLiteral("Folder"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_engine->setLangValue(0, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_engine->setLangValue(101, QStringLiteral("x")));
        QCOMPARE(EngineTexts::slot(1), QStringLiteral("T1"));

        m_engine->setFontCharSet(204);
        QCOMPARE(m_engine->FontCharSet(), 204);
        RecoveryProcess other;
        QCOMPARE(other.FontCharSet(), 204); // shared by every engine control
        m_engine->setFontCharSet(0);

        m_engine->setFileName(1000000, QStringLiteral("last"));
        QCOMPARE(m_engine->FileName(1000000), QStringLiteral("last"));
        QCOMPARE(m_engine->CopiedBytes(999999), qint64(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_engine->FileName(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_engine->setStartPosition(1000001, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_engine->isDone(-1));
        m_engine->setCopiedBytes(2, 5000000000LL);
        QCOMPARE(m_engine->CopiedBytes(2), 5000000000LL);
    }

    void panelFollowsItsSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(640, 430);
        QTest::newRow("large") << QSize(1100, 800);
    }

    void panelFollowsItsSize()
    {
        QFETCH(QSize, size);
        m_engine->show();
        m_engine->resize(size);
        QCoreApplication::processEvents();
        auto geometry = [this](const char* name) {
            return m_engine->findChild<QWidget*>(QLatin1String(name))->geometry();
        };
        const QRect list = geometry("List2");
        const int w = size.width() - 2 * list.x();
        QCOMPARE(list.width(), w);
        QCOMPARE(geometry("Frame2").width(), w);
        QCOMPARE(geometry("Frame1").width(), w);
        QCOMPARE(geometry("ProgressBar2").width(), w);
        const QRect frame2 = geometry("Frame2");
        QCOMPARE(frame2.top(), size.height() - frame2.height() - frame2.x());
        QCOMPARE(list.bottom() + 1, frame2.top());
        QCOMPARE(geometry("TotalStat(3)").right(), geometry("ProgressBar2").right());
        QCOMPARE(geometry("TotalStat(2)").right() + 1, geometry("TotalStat(3)").left());
        const QRect chart = geometry("SpeedChart1");
        QCOMPARE(chart.width(), w - chart.x() - chart.y() / 2);
    }
};

QTEST_MAIN(TestRecoveryProcess)
#include "tst_recoveryprocess.moc"
