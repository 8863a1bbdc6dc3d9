#include "K3Cindral.h"
#include "MediaKind.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "ScriptedRecorder.h"
#include "isButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
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

// One recorder with a blank CD-R, the control ready on it and one file added: where a burn starts.
struct ReadyBurn : Fixture
{
    ReadyBurn()
        : Fixture({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}})
        , c(*control)
        , ready(&c, &K3Cindral::DriveReady)
        , finished(&c, &K3Cindral::BurningFinished)
        , aborted(&c, &K3Cindral::BurningAborted)
    {
    }
    bool prepare()
    {
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        if (!ready.wait(5000) || c.PrepareBurn() != 0)
            return false;
        c.AddItem(QStringLiteral("/rec/a.txt"));
        return true;
    }
    K3Cindral& c;
    QSignalSpy ready;
    QSignalSpy finished;
    QSignalSpy aborted;
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
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, c.setLangValue(100, QStringLiteral("x")));
        c.GetDrives();
        c.setLangValue(40, QStringLiteral("Файл образа (.iso)…"));
        QCOMPARE(c.SourceDrives->itemText(c.SourceDrives->count() - 1),
                 QStringLiteral("Файл образа (.iso)…"));
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
        // Only the image file is offered.
        QCOMPARE(items(f.control->SourceDrives), QStringList{f.control->LangValue(40)});
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
        QCOMPARE(c.CDDVDStatus->topLevelItem(rows - 2)->text(1), QStringLiteral("Done"));
        // Then what reading the disc back found.
        QCOMPARE(c.CDDVDStatus->topLevelItem(rows - 1)->text(1), c.LangValue(49));
        QCOMPARE(c.VerifyState(), CDDVDBurner2::Verify::Verified);
        // The media row turned into the caching row when the burn began.
        QCOMPARE(c.CDDVDStatus->topLevelItem(1)->text(1), QStringLiteral("Caching data"));
    }

    void shortBurnAbortsAfterTheMessage()
    {
        ReadyBurn f;
        QVERIFY(f.prepare());
        K3Cindral& c = f.c;
        f.recorder->setImageBlocks(1000);
        f.recorder->scriptShortBurn(600);
        int abortedWhenAsked = -1;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            abortedWhenAsked = int(f.aborted.count());
            [&] {
                QCOMPARE(m.text, QStringLiteral("Burning process aborted."));
                QCOMPARE(m.icon, QMessageBox::Critical);
                QVERIFY(m.title.isEmpty());
            }();
            return QMessageBox::Ok;
        });
        c.BurnIt();
        QVERIFY(f.aborted.wait(10000));
        QCOMPARE(abortedWhenAsked, 0);
        QCOMPARE(f.finished.count(), 0);
        QVERIFY(!c.isBurning());
        // Re-initialised: the options view and the 500 ms detection are back.
        QVERIFY(c.BurnFrame(0)->isVisibleTo(&c));
        QCOMPARE(c.CDDVDDetectTimer->interval(), 500);
        // The half-written disc is looked at again and is not offered as ready.
        f.recorder->setDisc(0, {2, false, false, 48, 40});
        f.ready.clear();
        QVERIFY(f.ready.wait(5000));
        QCOMPARE(f.ready.first().first().toBool(), false);
        QVERIFY(!c.isBurnDriveReady());
        QVERIFY(!c.BurnBut->isEnabled());
    }

    void stallMessageIsARealBox()
    {
        ReadyBurn f;
        QVERIFY(f.prepare());
        K3Cindral& c = f.c;
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
        ReadyBurn f;
        QVERIFY(f.prepare());
        K3Cindral& c = f.c;
        f.recorder->setImageBlocks(100);
        f.recorder->setBurnScript({{50, 10, 10}, {100, 10, 0, QStringLiteral("Closing")}}, true, false);
        Messages messages;
        c.BurnIt();
        QVERIFY(f.aborted.wait(10000));
        QCOMPARE(f.finished.count(), 0);
        QCOMPARE(messages.shown.size(), 1);
    }

    void stallStopsTheBurnWithoutAnEvent()
    {
        ReadyBurn f;
        QVERIFY(f.prepare());
        K3Cindral& c = f.c;
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
        QCOMPARE(f.finished.count() + f.aborted.count(), 0);
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
        // A pressed disc cannot be written.
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {MediaKind::DvdRom, false, false, 8, 8}}});
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
        QSignalSpy asked(f.control.get(), &K3Cindral::BurnButtonClick);
        f.control->BurnBut->click();
        QVERIFY(!f.control->isBurning());
        QVERIFY(!f.recorder->calls().contains(QStringLiteral("StartBurn")));
        // The host is asked to start the burn, as its own Burn button would.
        QCOMPARE(asked.count(), 1);
    }

    // Every kind of disc, blank or holding data: what the control shows and allows.
    void everyKindOfDisc_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("blank");
        QTest::addColumn<bool>("erasable");
        QTest::addColumn<QString>("media");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("eraseEnabled");
        QTest::addColumn<int>("statusSlot"); // 0: no status
        using namespace MediaKind;
        const auto row = [](const char* tag, int code, bool blank, bool erasable, const char* media,
                            bool ready, bool erase, int status) {
            QTest::newRow(tag) << code << blank << erasable << QString::fromUtf8(media) << ready << erase
                               << status;
        };
        row("CD-R blank", CdR, true, false, "CD-R Disc", true, false, 0);
        row("CD-R written", CdR, false, false, "CD-R Disc", false, false, 16);
        row("CD-RW blank", CdRw, true, false, "CD-RW Disc", true, false, 0);
        row("CD-RW written", CdRw, false, true, "CD-RW Disc", false, true, 16);
        row("DVD-R blank", DvdR, true, false, "DVD-R Disc", true, false, 0);
        row("DVD-R appendable", DvdR, false, false, "DVD-R Disc", false, false, 16);
        row("DVD-RW sequential blank", DvdRwSequential, true, false, "DVDRWSR Disc", true, false, 0);
        row("DVD-RW sequential written", DvdRwSequential, false, true, "DVDRWSR Disc", false, true, 16);
        row("DVD-RW restricted overwrite written", DvdRwRestricted, false, true, "DVDRWRO Disc", false, true,
            16);
        row("DVD-RW restricted overwrite blank", DvdRwRestricted, true, false, "DVDRWRO Disc", true, false,
            0);
        row("DVD-RAM written", DvdRam, false, true, "DVD RAM Disc", false, true, 16);
        row("DVD+RW blank", DvdPlusRw, true, false, "DVD+RW Disc", true, false, 0);
        row("DVD+RW written", DvdPlusRw, false, true, "DVD+RW Disc", false, true, 16);
        row("DVD+R blank", DvdPlusR, true, false, "DVD+R Disc", true, false, 0);
        row("DVD+R closed", DvdPlusR, false, false, "DVD+R Disc", false, false, 16);
        row("DVD-R DL blank", DvdRDualLayer, true, false, "DVD-R DL Disc", true, false, 0);
        row("DVD+R DL blank", DvdPlusRDualLayer, true, false, "DVD+R DL Disc", true, false, 0);
        row("BD-R blank", BdR, true, false, "BD-R Disc", true, false, 0);
        row("BD-R appendable", BdR, false, false, "BD-R Disc", false, false, 16);
        row("BD-RE blank", BdRe, true, false, "BD-RE Disc", true, false, 0);
        row("BD-RE written", BdRe, false, true, "BD-RE Disc", false, true, 16);
        row("CD-ROM", CdRom, false, false, "CD Disc", false, false, 9);
        row("DVD-ROM", DvdRom, false, false, "DVD Rom Disc", false, false, 9);
        row("BD-ROM", BdRom, false, false, "BD-ROM Disc", false, false, 9);
        row("unknown kind", OtherDisc, true, false, "Incompatible media", false, false, 9);
    }

    void everyKindOfDisc()
    {
        QFETCH(int, code);
        QFETCH(bool, blank);
        QFETCH(bool, erasable);
        QFETCH(QString, media);
        QFETCH(bool, ready);
        QFETCH(bool, eraseEnabled);
        QFETCH(int, statusSlot);
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), {code, blank, erasable, 8, 8}}});
        K3Cindral& c = *f.control;
        QSignalSpy readySpy(&c, &K3Cindral::DriveReady);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(readySpy.count() >= (ready ? 1 : 2), 10000);
        QCOMPARE(readySpy.last().first().toBool(), ready);
        QCOMPARE(c.WriteMedia->text(), media);
        QCOMPARE(c.BurnBut->isEnabled(), ready);
        QCOMPARE(c.EraseMedia(0)->isEnabled(), eraseEnabled);
        QCOMPARE(c.EraseMedia(1)->isEnabled(), eraseEnabled);
        QCOMPARE(c.StatusM->text(), statusSlot ? c.LangValue(statusSlot) : QString());
        // What a burn of this disc would meet: a kind that cannot be written is refused there too.
        if (statusSlot == 9) {
            Messages said(QMessageBox::Cancel);
            QCOMPARE(c.PrepareBurn(), -1);
            QCOMPARE(said.shown.first().text, c.LangValue(9));
        }
    }

    // Without any recorder the list offers an image file; choosing one makes it the target.
    void imageFileWithoutAnyRecorder()
    {
        Fixture f({});
        K3Cindral& c = *f.control;
        QSignalSpy ready(&c, &K3Cindral::DriveReady);
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(ready.count() >= 2, 10000);
        QCOMPARE(ready.last().first().toBool(), false);
        QCOMPARE(c.StatusM->text(), c.LangValue(53));

        // The user gives up in the file dialog: nothing changes.
        {
            Prompt::ScopedAnswerer answers({}, [](QDialog&) { return int(QDialog::Rejected); });
            QVERIFY(!c.ChooseImageFile());
        }
        QCOMPARE(c.SourceDrives->count(), 1);

        const QString image = QDir::temp().filePath(QStringLiteral("korvalis-chosen.iso"));
        QString title;
        Prompt::ScopedAnswerer answers({}, [&](QDialog& dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(&dialog);
            if (!chooser)
                return int(QDialog::Rejected);
            title = chooser->windowTitle();
            chooser->selectFile(image);
            return int(QDialog::Accepted);
        });
        Q_EMIT c.SourceDrives->activated(0);
        QCOMPARE(title, c.LangValue(41));
        QCOMPARE(items(c.SourceDrives), (QStringList{image, c.LangValue(40)}));
        QCOMPARE(c.SourceDrives->currentIndex(), 0);
        QVERIFY(c.isImageTargetSelected());
        QTRY_VERIFY_WITH_TIMEOUT(ready.last().first().toBool(), 10000);
        QCOMPARE(c.WriteMedia->text(), QStringLiteral("ISO image file"));
        QVERIFY(c.BurnBut->isEnabled());
        // A file is written as fast as the disk takes it: no speeds, no erasing, no dry run.
        QCOMPARE(c.CDDVDSpeed->count(), 0);
        QVERIFY(!c.CDDVDSpeed->isEnabled());
        QVERIFY(!c.EraseMedia(0)->isEnabled());
        QVERIFY(!c.Simulate->isEnabled());
    }

    // Too large for the disc: refused before the recorder is asked to write, with both sizes.
    void oversizedImageIsRefusedBeforeWriting_data()
    {
        QTest::addColumn<qint64>("freeBlocks");
        QTest::addColumn<qint64>("imageBlocks");
        QTest::addColumn<QString>("imageSize");
        QTest::addColumn<QString>("room");
        const QLocale locale;
        QTest::newRow("free space the recorder tells")
            << qint64(32768) << qint64(51200) << locale.formattedDataSize(51200LL * 2048)
            << locale.formattedDataSize(32768LL * 2048);
        // No free space told: the nominal size of the kind (an 80-minute CD-R).
        QTest::newRow("nominal size of a CD-R")
            << qint64(-1) << qint64(400000) << locale.formattedDataSize(400000LL * 2048)
            << locale.formattedDataSize(359847LL * 2048);
    }

    void oversizedImageIsRefusedBeforeWriting()
    {
        QFETCH(qint64, freeBlocks);
        QFETCH(qint64, imageBlocks);
        QFETCH(QString, imageSize);
        QFETCH(QString, room);
        ReadyBurn f;
        Disc disc = BlankCdR;
        disc.freeBlocks = freeBlocks;
        f.recorder->setDisc(0, disc);
        QVERIFY(f.prepare());
        f.recorder->setImageBlocks(imageBlocks);
        Messages said;
        f.c.BurnIt();
        QCOMPARE(f.aborted.count(), 1);
        QVERIFY(!f.c.isBurning());
        QVERIFY(!f.recorder->calls().contains(QStringLiteral("StartBurn")));
        QCOMPARE(said.shown.size(), 1);
        QVERIFY2(said.shown.first().text.contains(imageSize) && said.shown.first().text.contains(room),
                 qPrintable(said.shown.first().text));
    }

    void stallIsReportedWithTheRecordersMessage()
    {
        ReadyBurn f;
        QVERIFY(f.prepare());
        f.c.setStallSeconds(0);
        // Progress stops with the buffers full, and the burn never ends.
        f.recorder->setBurnScript({{10, 100, 100, QStringLiteral("Writing")}}, false, false);
        f.recorder->setMessages({QStringLiteral("SORRY : Drive does not answer (test)")});
        Messages said;
        f.c.BurnIt();
        QTRY_VERIFY_WITH_TIMEOUT(!said.shown.isEmpty(), 10000);
        QVERIFY(said.shown.first().text.startsWith(f.c.LangValue(52).arg(0)));
        QVERIFY(said.shown.first().text.contains(QStringLiteral("Drive does not answer (test)")));
        QCOMPARE(said.shown.size(), 1);
    }

    void verifyOutcome_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("warned");
        QTest::newRow("verified") << int(CDDVDBurner2::Verify::Verified) << false << 49 << false;
        QTest::newRow("a file differs") << int(CDDVDBurner2::Verify::Differs) << false << 50 << true;
        QTest::newRow("dry run") << int(CDDVDBurner2::Verify::Verified) << true << 51 << false;
    }

    void verifyOutcome()
    {
        QFETCH(int, state);
        QFETCH(bool, simulate);
        QFETCH(int, slot);
        QFETCH(bool, warned);
        ReadyBurn f;
        f.recorder->setVerify(CDDVDBurner2::Verify(state), QStringLiteral("/Docs/a.txt"));
        f.c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QVERIFY(f.ready.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(f.c.Simulate->isEnabled(), 5000);
        f.c.Simulate->setChecked(simulate);
        QCOMPARE(f.c.PrepareBurn(), 0);
        QCOMPARE(f.recorder->simulate(), simulate);
        f.c.AddItem(QStringLiteral("/rec/Docs/a.txt"));
        Messages said;
        f.c.BurnIt();
        QVERIFY(f.finished.wait(10000));
        QVERIFY(f.c.VerifyText().startsWith(f.c.LangValue(slot)));
        QCOMPARE(said.shown.size(), warned ? 1 : 0);
        if (warned)
            QVERIFY(said.shown.first().text.endsWith(QStringLiteral("/Docs/a.txt")));
        QVERIFY(!f.recorder->volumeLabel().isEmpty());
    }

    void recorderPluggedInLaterAppears()
    {
        Fixture f({{QStringLiteral("/dev/sr0 TEST Writer"), BlankCdR}});
        K3Cindral& c = *f.control;
        c.InitializeMe(QStringLiteral("/rec/"), QStringLiteral("/rec/"));
        QCOMPARE(c.SourceDrives->count(), 2);
        f.recorder->plugIn({QStringLiteral("/dev/sr1 USB Writer"), BlankCdR});
        // The burn page opened again looks for recorders again.
        c.ReInitializeMe();
        QCOMPARE(items(c.SourceDrives),
                 (QStringList{QStringLiteral("/dev/sr0 TEST Writer"), QStringLiteral("/dev/sr1 USB Writer"),
                              c.LangValue(40)}));
        QCOMPARE(c.SourceDrives->currentIndex(), 0);
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
