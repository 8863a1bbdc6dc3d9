#include "K3Cindral.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "ScriptedRecorder.h"
#include "isButton.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <stdexcept>

namespace {

using Disc = ScriptedRecorder::Disc;

const Disc BlankCdR{2, true, false, 48, 40};

struct Fixture
{
    explicit Fixture(std::vector<ScriptedRecorder::Recorder> recorders)
    {
        auto scripted = std::make_unique<ScriptedRecorder>();
        recorder = scripted.get();
        recorder->setRecorders(std::move(recorders));
        control = std::make_unique<K3Cindral>(std::move(scripted));
        control->resize(500, 400);
    }
    ScriptedRecorder* recorder = nullptr;
    std::unique_ptr<K3Cindral> control;
};

QStringList items(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// Collects every message shown and answers it.
struct Messages
{
    explicit Messages(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : answerer([this, answer](const Prompt::Message& m) {
            shown << m;
            return answer;
        })
    {
    }
    QList<Prompt::Message> shown;
    Prompt::ScopedAnswerer answerer;
};

} // namespace

class TestK3Cindral : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void childControlsCarryTheirNamesAndDefaults()
    {
        Fixture f({});
        K3Cindral& c = *f.control;
        for (const char* name :
             {"SourceDrives", "CDDVDSpeed", "WriteMedia", "StatusM", "BurnBut", "CDDVDStatus", "Frame1",
              "CDDVDDetectTimer", "EraseMedia(0)", "EraseMedia(1)", "BurnFrame(0)", "BurnFrame(1)",
              "CDDVDBurnProgress(2)", "Label1(0)", "Label1(6)"})
            QVERIFY2(c.findChild<QObject*>(QLatin1String(name)), name);
        QCOMPARE(c.BurnFrame(0)->title(), QStringLiteral("Options"));
        QCOMPARE(c.BurnFrame(1)->title(), QStringLiteral("Burn progress"));
        QCOMPARE(c.Label1(0)->text(), QStringLiteral("Write drive:"));
        QCOMPARE(c.EraseMedia(0)->text(), QStringLiteral("Quick Erase"));
        QCOMPARE(c.EraseMedia(1)->text(), QStringLiteral("Full Erase"));
        QCOMPARE(c.BurnBut->text(), QStringLiteral("Burn It"));
        QCOMPARE(c.LangValue(3), QStringLiteral("Burning process aborted.\rKorvalis has to be restarted."));
        QCOMPARE(c.LangValue(15), QStringLiteral("Rocorder:"));
        QCOMPARE(c.LangValue(27), QString());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.EraseMedia(2));
    }

    void langValueSetsTiedCaptionsAndRefusesBadIndexes()
    {
        Fixture f({});
        K3Cindral& c = *f.control;
        c.setLangValue(21, QStringLiteral("Medium:"));
        c.setLangValue(28, QStringLiteral("Alles löschen"));
        c.setLangValue(23, QStringLiteral("Скорость:"));
        QCOMPARE(c.Label1(0)->text(), QStringLiteral("Medium:"));
        QCOMPARE(c.Label1(2)->text(), QStringLiteral("Скорость:"));
        QCOMPARE(c.EraseMedia(1)->text(), QStringLiteral("Alles löschen"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.setLangValue(31, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.setLangValue(-1, QStringLiteral("x")));
        QCOMPARE(c.LangValue(30), QString());
        c.setFontCharSet(204);
        QCOMPARE(c.FontCharSet(), 204);
        QCOMPARE(c.Label1(4)->font().family(), QStringLiteral("Tahoma"));
    }

    void speedsFollowRecorderAndDisc_data()
    {
        QTest::addColumn<int>("media");
        QTest::addColumn<int>("limit1");
        QTest::addColumn<int>("limit2");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("48/40") << 2 << 48 << 40 << QStringList{QStringLiteral("4x"),  QStringLiteral("8x"),
                                                               QStringLiteral("12x"), QStringLiteral("16x"),
                                                               QStringLiteral("20x"), QStringLiteral("24x"),
                                                               QStringLiteral("28x"), QStringLiteral("32x"),
                                                               QStringLiteral("36x"), QStringLiteral("40x")};
        QTest::newRow("DVD 16/16") << 5 << 16 << 16
                                   << QStringList{QStringLiteral("2x"), QStringLiteral("4x"),
                                                  QStringLiteral("6x"), QStringLiteral("8x")};
        QTest::newRow("0/24") << 2 << 0 << 24 << QStringList{QStringLiteral("4x"),  QStringLiteral("8x"),
                                                             QStringLiteral("12x"), QStringLiteral("16x"),
                                                             QStringLiteral("20x"), QStringLiteral("24x")};
        QTest::newRow("top 10") << 3 << 10 << 16
                                << QStringList{QStringLiteral("2x"), QStringLiteral("4x"),
                                               QStringLiteral("6x"), QStringLiteral("8x"),
                                               QStringLiteral("10x")};
        QTest::newRow("top 5") << 2 << 5 << 16 << QStringList{QStringLiteral("2x"), QStringLiteral("4x")};
    }

    void speedsFollowRecorderAndDisc()
    {
        QFETCH(int, media);
        QFETCH(int, limit1);
        QFETCH(int, limit2);
        QFETCH(QStringList, expected);
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {media, true, false, limit1, limit2}}});
        QSignalSpy ready(f.control.get(), &K3Cindral::DriveReady);
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(ready.first().first().toBool(), true);
        QCOMPARE(items(f.control->CDDVDSpeed), expected);
        QCOMPARE(f.control->CDDVDSpeed->currentText(), expected.last());
        QVERIFY(f.control->CDDVDSpeed->isEnabled());
        QVERIFY(f.control->BurnBut->isEnabled());
    }

    void noRecorderLeavesTheListEmpty()
    {
        Fixture f({});
        QVERIFY(!f.control->GetDrives());
        QCOMPARE(f.control->SourceDrives->count(), 0);
        f.control->SetSpeedRange();
        QCOMPARE(items(f.control->CDDVDSpeed), QStringList{QStringLiteral("32x")});
        QVERIFY(!f.control->CDDVDSpeed->isEnabled());
    }

    void noDiscRepeatsDriveReadyFalse()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {}}});
        QSignalSpy ready(f.control.get(), &K3Cindral::DriveReady);
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(ready.count() >= 3, 10000);
        for (const auto& event : ready)
            QCOMPARE(event.first().toBool(), false);
        QCOMPARE(f.control->WriteMedia->text(), QStringLiteral("There Is No Disc In The Drive"));
        QCOMPARE(f.control->CDDVDSpeed->count(), 0);
        QVERIFY(!f.control->CDDVDSpeed->isEnabled());
        QVERIFY(!f.control->BurnBut->isEnabled());
        QVERIFY(!f.control->isBurnDriveReady());
        f.control->SetSpeedRange();
        QCOMPARE(items(f.control->CDDVDSpeed), QStringList{QStringLiteral("32x")});
        QVERIFY(!f.control->CDDVDSpeed->isEnabled());
    }

    void nonBlankDiscIsReportedAndErasable()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {3, false, true, 24, 24}}});
        QSignalSpy ready(f.control.get(), &K3Cindral::DriveReady);
        QSignalSpy erase(f.control.get(), &K3Cindral::EraseButtonClick);
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(ready.count() >= 2, 10000);
        for (const auto& event : ready)
            QCOMPARE(event.first().toBool(), false);
        QCOMPARE(f.control->StatusM->text(), QStringLiteral("The disc you have inserted is not empty."));
        QCOMPARE(f.control->WriteMedia->text(), QStringLiteral("CD-RW Disc"));
        QVERIFY(f.control->EraseMedia(0)->isEnabled());
        f.control->EraseMedia(1)->click();
        QCOMPARE(erase.count(), 1);
        QCOMPARE(erase.first().first().toInt(), 1);
    }

    void blankDiscGivesDriveReadyTrueOnce()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        QSignalSpy ready(f.control.get(), &K3Cindral::DriveReady);
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        // Let several more detection ticks pass: none repeats the event.
        QSignalSpy ticks(f.control->CDDVDDetectTimer, &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 10000);
        QCOMPARE(ready.count(), 1);
        QVERIFY(f.control->isBurnDriveReady());
        // The disc goes: the control says so on every tick, and is ready again once for a new one.
        f.recorder->setDisc(0, {});
        QTRY_VERIFY_WITH_TIMEOUT(ready.count() >= 3, 10000);
        QCOMPARE(ready.last().first().toBool(), false);
        f.recorder->setDisc(0, BlankCdR);
        QTRY_VERIFY_WITH_TIMEOUT(ready.last().first().toBool(), 10000);
        QVERIFY(f.control->isBurnDriveReady());
    }

    void fullBurnFinishes()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        QSignalSpy finished(&c, &K3Cindral::BurningFinished);
        QSignalSpy aborted(&c, &K3Cindral::BurningAborted);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/tmp/stage/"));
        QVERIFY(ready.wait(5000));
        f.recorder->clearCalls();
        QCOMPARE(c.PrepareBurn(), 0);
        QVERIFY(c.BurnFrame(1)->isVisibleTo(&c));
        QVERIFY(!c.BurnFrame(0)->isVisibleTo(&c));
        QCOMPARE(f.recorder->calls(),
                 (QStringList{QStringLiteral("BurnOptionA=0"), QStringLiteral("DriveCommand22"),
                              QStringLiteral("BurnOptionB=1"), QStringLiteral("BurnOptionC=1"),
                              QStringLiteral("WriteSpeed=40")}));
        QCOMPARE(c.CDDVDStatus->headerItem()->text(0), QStringLiteral("Date"));
        QCOMPARE(c.CDDVDStatus->headerItem()->text(1), QStringLiteral("Status"));
        QCOMPARE(c.CDDVDStatus->topLevelItem(0)->text(1), QStringLiteral("/dev/sr0 TEST Writer"));
        QCOMPARE(c.CDDVDStatus->topLevelItem(1)->text(1), QStringLiteral("CD-R Disc"));

        c.AddItem(QStringLiteral("\t/rec/Docs"));
        c.AddItem(QStringLiteral("\t/rec/Docs/Sub"));
        c.AddItem(QStringLiteral("/rec/Docs/Sub/a.txt"));
        c.AddItem(QStringLiteral("/rec/top.bin"));
        c.AddItem(QStringLiteral("/re"));
        QCOMPARE(c.Files_Count(), 2);
        QCOMPARE(c.Folders_Count(), 2);
        const std::vector<std::pair<QString, QString>> folders = {
            {QStringLiteral("/"), QStringLiteral("Docs")},
            {QStringLiteral("/"), QStringLiteral("Docs")},
            {QStringLiteral("/Docs/"), QStringLiteral("Sub")}};
        QCOMPARE(f.recorder->addedFolders(), folders);
        const std::vector<std::pair<QString, QString>> files = {
            {QStringLiteral("/Docs/Sub"), QStringLiteral("/tmp/stage/Docs/Sub/a.txt")},
            {QStringLiteral("/"), QStringLiteral("/tmp/stage/top.bin")}};
        QCOMPARE(f.recorder->addedFiles(), files);

        f.recorder->setImageBlocks(2048); // 4 MiB
        c.BurnIt();
        QVERIFY(c.isBurning());
        QCOMPARE(c.CDDVDDetectTimer->interval(), 100);
        QCOMPARE(c.CDDVDBurnProgress(0)->maximum(), 4);
        QVERIFY(finished.wait(10000));
        QCOMPARE(aborted.count(), 0);
        QVERIFY(!c.isBurning());
        QCOMPARE(c.LastBurnBlock(), 2048.0);
        QCOMPARE(c.CDDVDBurnProgress(0)->value(), 4);
        const int rows = c.CDDVDStatus->topLevelItemCount();
        QCOMPARE(c.CDDVDStatus->topLevelItem(rows - 1)->text(1), QStringLiteral("Done"));
        // The media row turned into the caching row when the burn began.
        QCOMPARE(c.CDDVDStatus->topLevelItem(1)->text(1), QStringLiteral("Caching data"));
    }

    void shortBurnAbortsAfterTheMessage()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        QSignalSpy finished(&c, &K3Cindral::BurningFinished);
        QSignalSpy aborted(&c, &K3Cindral::BurningAborted);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(QStringLiteral("/rec/a.txt"));
        f.recorder->setImageBlocks(1000);
        f.recorder->scriptShortBurn(600);
        int abortedWhenAsked = -1;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            abortedWhenAsked = int(aborted.count());
            [&] {
                QCOMPARE(m.text, QStringLiteral("Burning process aborted."));
                QCOMPARE(m.icon, QMessageBox::Critical);
                QVERIFY(m.title.isEmpty());
            }();
            return QMessageBox::Ok;
        });
        c.BurnIt();
        QVERIFY(aborted.wait(10000));
        QCOMPARE(abortedWhenAsked, 0);
        QCOMPARE(finished.count(), 0);
        QVERIFY(!c.isBurning());
        // Re-initialised: the options view and the 500 ms detection are back.
        QVERIFY(c.BurnFrame(0)->isVisibleTo(&c));
        QCOMPARE(c.CDDVDDetectTimer->interval(), 500);
        // The half-written disc is looked at again and is not offered as ready.
        f.recorder->setDisc(0, {2, false, false, 48, 40});
        ready.clear();
        QVERIFY(ready.wait(5000));
        QCOMPARE(ready.first().first().toBool(), false);
        QVERIFY(!c.isBurnDriveReady());
        QVERIFY(!c.BurnBut->isEnabled());
    }

    void stallMessageIsARealBox()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(QStringLiteral("/rec/a.txt"));
        f.recorder->setImageBlocks(1000);
        f.recorder->scriptStall(10);
        bool acted = false;
        QString text;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    text = box->text();
                ModalDriver::clickButton(modal, QStringLiteral("OK"));
            },
            &acted);
        c.BurnIt();
        QTRY_VERIFY_WITH_TIMEOUT(acted, 10000);
        QVERIFY(!c.isBurning());
        QVERIFY(text.startsWith(QStringLiteral("Burning process aborted.")));
    }

    void burnThatReachesTheEndButFailsIsNotFinished()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        QSignalSpy finished(&c, &K3Cindral::BurningFinished);
        QSignalSpy aborted(&c, &K3Cindral::BurningAborted);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(QStringLiteral("/rec/a.txt"));
        f.recorder->setImageBlocks(100);
        f.recorder->setBurnScript({{50, 10, 10}, {100, 10, 0, QStringLiteral("Closing")}}, true, false);
        Messages messages;
        c.BurnIt();
        QVERIFY(aborted.wait(10000));
        QCOMPARE(finished.count(), 0);
        QCOMPARE(messages.shown.size(), 1);
    }

    void stallStopsTheBurnWithoutAnEvent()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        QSignalSpy finished(&c, &K3Cindral::BurningFinished);
        QSignalSpy aborted(&c, &K3Cindral::BurningAborted);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(QStringLiteral("/rec/a.txt"));
        f.recorder->setImageBlocks(1000);
        f.recorder->scriptStall(300);
        Messages messages;
        c.BurnIt();
        QTRY_VERIFY_WITH_TIMEOUT(!c.isBurning(), 10000);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.first().text,
                 QStringLiteral("Burning process aborted.\nKorvalis has to be restarted."));
        QCOMPARE(c.LastBurnBlock(), 300.0);
        QTest::qWait(300);
        QCOMPARE(finished.count() + aborted.count(), 0);
    }

    void noDiscAtPrepareCanBeCancelled()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {}}});
        K3Cindral& c = *f.control;
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        // The real box, answered by clicking Cancel.
        bool acted = false;
        QString text;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    text = box->text();
                ModalDriver::clickButton(modal, QStringLiteral("Cancel"));
            },
            &acted);
        QCOMPARE(c.PrepareBurn(), -1);
        QVERIFY(acted);
        QCOMPARE(text, QStringLiteral("Insert disc into the drive"));
        QVERIFY(f.recorder->calls().contains(QStringLiteral("DriveCommand20")));
        QVERIFY(c.BurnFrame(0)->isVisibleTo(&c));
    }

    void retryFindsTheInsertedDisc()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {}}});
        K3Cindral& c = *f.control;
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message&) {
            f.recorder->setDisc(0, BlankCdR);
            return QMessageBox::Retry;
        });
        QCOMPARE(c.PrepareBurn(), 0);
    }

    void incompatibleMediaHasAWayOut()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {15, true, false, 8, 8}}});
        K3Cindral& c = *f.control;
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        int asked = 0;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            ++asked;
            [&] { QCOMPARE(m.text, QStringLiteral("Incompatible media")); }();
            return asked < 3 ? QMessageBox::Ok : QMessageBox::Cancel;
        });
        QCOMPARE(c.PrepareBurn(), -1);
        QCOMPARE(asked, 3);
        QCOMPARE(f.recorder->calls().count(QStringLiteral("DriveCommand20")), 3);
    }

    void burnButtonWithoutEntriesWritesNothing()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        QSignalSpy ready(f.control.get(), &K3Cindral::DriveReady);
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        f.control->BurnBut->click();
        QVERIFY(!f.control->isBurning());
        QVERIFY(!f.recorder->calls().contains(QStringLiteral("StartBurn")));
    }

    void disableStopsDetection()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {}}});
        f.control->InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(f.control->CDDVDDetectTimer->isActive());
        f.control->DisableMe();
        QVERIFY(!f.control->CDDVDDetectTimer->isActive());
        f.control->ReInitializeMe();
        QVERIFY(f.control->CDDVDDetectTimer->isActive());
    }

    void scriptedEraseBlanksTheDisc()
    {
        ScriptedRecorder recorder;
        recorder.setRecorders({{QStringLiteral("/dev/sr0 TEST Writer"), {9, false, true, 8, 8}}});
        QCOMPARE(recorder.SelectRecorder(0), 1);
        QVERIFY(recorder.IsErasable());
        QVERIFY(!recorder.IsBlank());
        QSignalSpy done(&recorder, &CDDVDBurner2::EraseDone);
        recorder.setQuickErase(false);
        recorder.StartErase();
        QVERIFY(done.wait(5000));
        QVERIFY(recorder.IsBlank());
        QCOMPARE(recorder.calls(),
                 (QStringList{QStringLiteral("QuickErase=0"), QStringLiteral("StartErase")}));
    }

    void factoryHookMakesTheControlsRecorder()
    {
        const auto previous = CDDVDBurner2::setFactory([] {
            auto r = std::make_unique<ScriptedRecorder>();
            r->setRecorders({{QStringLiteral("/dev/sr9 Made"), BlankCdR}});
            return r;
        });
        K3Cindral control;
        CDDVDBurner2::setFactory(previous);
        QVERIFY(qobject_cast<ScriptedRecorder*>(&control.CDDVDBurner()));
        QVERIFY(control.GetDrives());
        QCOMPARE(control.SourceDrives->itemText(0), QStringLiteral("/dev/sr9 Made"));
    }
};

QTEST_MAIN(TestK3Cindral)
#include "tst_k3cindral.moc"
