// The burn hand-off with scripted recorders: the route question, the disc checks, erasing from
// the burn start and from the erase buttons, the burn's outcomes, quitting while a burn runs and
// what becomes of an unburned temporary copy.
#include "BurnHandOff.h"
#include "EraseMediaForm.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "MediaKind.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "ScriptedRecorder.h"
#include "TextRegister.h"
#include "Volumes.h"
#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using Disc = ScriptedRecorder::Disc;

const Disc BlankCdR{2, true, false, 48, 40};
const Disc UsedCdRw{3, false, true, 24, 24};
const Disc UsedCdR{2, false, false, 48, 40};
const QString Writer = QStringLiteral("/dev/sr0 TEST Writer");

// A scripted recorder that counts how often the disc is asked for.
class CountingRecorder : public ScriptedRecorder
{
public:
    int MediaType() override
    {
        ++mediaQueries;
        return ScriptedRecorder::MediaType();
    }
    int mediaQueries = 0;
};

struct Nav
{
    bool back = false;
    bool next = false;
    bool exit = false;
    bool operator==(const Nav&) const = default;
};

// The burn page of a window: the control with its recorder, the window's own recorder, and
// what the window was asked to do.
struct Page
{
    explicit Page(Disc controlDisc, Disc windowDisc)
    {
        texts.setText(78, QStringLiteral("Not blank and cannot be erased."));
        texts.setText(88, QStringLiteral("Erase the disc?"));
        texts.setText(113, QStringLiteral("Erasing the disc"));
        texts.setText(191, QStringLiteral("The disc could not be erased."));
        texts.setText(192, QStringLiteral("Stop"));
        auto scripted = std::make_unique<ScriptedRecorder>();
        recorder = scripted.get();
        recorder->setRecorders({{Writer, controlDisc}});
        window.setRecorders({{Writer, windowDisc}});
        control = new K3Cindral(std::move(scripted), &host);
        handOff = std::make_unique<BurnHandOff>(
            *control, window, texts,
            BurnHandOff::Host{[this](bool b, bool n, bool e) {
                                  nav << Nav{b, n, e};
                              },
                              [this](bool stopped, bool resume) {
                                  reports << QStringLiteral("%1,%2").arg(stopped).arg(resume);
                              },
                              [this] { return int(entries.size()); },
                              [this](int i) { return entries.at(i - 1); },
                              [this] {
                                  delete control;
                                  control = nullptr;
                              }},
            &host);
    }
    ~Page() { handOff.reset(); }

    QWidget host;
    TextRegister texts;
    ScriptedRecorder* recorder = nullptr;
    CountingRecorder window;
    K3Cindral* control = nullptr;
    std::unique_ptr<BurnHandOff> handOff;
    QList<Nav> nav;
    QStringList reports;
    QStringList entries;
};

// Answers every message with `answer` and keeps what was shown.
struct Messages
{
    explicit Messages(QMessageBox::StandardButton answer)
        : answerer([this, answer](const Prompt::Message& m) {
            shown << m;
            return answer;
        })
    {
    }
    QList<Prompt::Message> shown;
    Prompt::ScopedAnswerer answerer;
};

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestBurnHandOff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameVolumeBurnsDirectlyWithoutAsking()
    {
        int asked = 0;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message&) {
            ++asked;
            return QMessageBox::Yes;
        });
        QVERIFY(!BurnHandOff::asksAboutTempCopy(QStringLiteral("/"), QStringLiteral("/")));
        QCOMPARE(
            BurnHandOff::chooseRoute(QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("q"), nullptr),
            BurnHandOff::Route::Direct);
        QCOMPARE(asked, 0);
    }

    void otherVolumeAsksAboutTheTemporaryCopy_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("route");
        QTest::newRow("yes") << int(QMessageBox::Yes) << int(BurnHandOff::Route::ViaTemp);
        QTest::newRow("no") << int(QMessageBox::No) << int(BurnHandOff::Route::Direct);
    }

    void otherVolumeAsksAboutTheTemporaryCopy()
    {
        QFETCH(int, answer);
        QFETCH(int, route);
        // Two volumes of this machine.
        QString other;
        for (const Platform::Volume& v : Platform::Volumes::mounts()) {
            if (v.root != QLatin1String("/") && QDir(v.root).exists()) {
                other = v.root;
                break;
            }
        }
        if (other.isEmpty())
            QSKIP("this machine has a single volume");
        Messages messages(static_cast<QMessageBox::StandardButton>(answer));
        const QString question = QStringLiteral("Copy the files into a temporary folder first?");
        QCOMPARE(int(BurnHandOff::chooseRoute(QStringLiteral("/"), other, question, nullptr)), route);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, question); // in the user's language
        QCOMPARE(messages.shown[0].icon, QMessageBox::Question);
        QCOMPARE(messages.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void driveReadyEnablesNextExactlyWhileABlankDiscIsReady()
    {
        Page p(BlankCdR, BlankCdR);
        QSignalSpy ready(p.control, &K3Cindral::DriveReady);
        QVERIFY(!p.handOff->startDirect(QStringLiteral("/rec/")));
        QVERIFY(ready.wait(5000));
        QCOMPARE(p.nav.last(), (Nav{true, true, true}));
        p.recorder->setDisc(0, {});
        QTRY_COMPARE_WITH_TIMEOUT(p.nav.last(), (Nav{true, false, true}), 5000);
    }

    void blankDiscGetsTheEntriesInListOrderAndFinishes()
    {
        Page p(BlankCdR, BlankCdR);
        p.entries = {QStringLiteral("\t/rec/Docs"), QStringLiteral("/rec/Docs/a.txt"),
                     QStringLiteral("\t/rec/Docs/Sub"), QStringLiteral("/rec/Docs/Sub/b.txt"),
                     QStringLiteral("/rec/top.bin")};
        QSignalSpy ready(p.control, &K3Cindral::DriveReady);
        QSignalSpy finished(p.control, &K3Cindral::BurningFinished);
        p.handOff->startFromCopy(QStringLiteral("/rec/"), QStringLiteral("/tmp/kvs/"),
                                 QStringLiteral("/tmp/"));
        QVERIFY(ready.wait(5000));
        Messages messages(QMessageBox::Ok);
        p.handOff->BeginBurn();
        QVERIFY(p.control->isBurning());
        QCOMPARE(p.nav.last(), (Nav{false, false, true}));
        const std::vector<std::pair<QString, QString>> folders = {
            {QStringLiteral("/"), QStringLiteral("Docs")},
            {QStringLiteral("/"), QStringLiteral("Docs")},
            {QStringLiteral("/Docs/"), QStringLiteral("Sub")}};
        QCOMPARE(p.recorder->addedFolders(), folders);
        const std::vector<std::pair<QString, QString>> files = {
            {QStringLiteral("/Docs"), QStringLiteral("/tmp/kvs/Docs/a.txt")},
            {QStringLiteral("/Docs/Sub"), QStringLiteral("/tmp/kvs/Docs/Sub/b.txt")},
            {QStringLiteral("/"), QStringLiteral("/tmp/kvs/top.bin")}};
        QCOMPARE(p.recorder->addedFiles(), files);
        QVERIFY(finished.wait(10000));
        QCOMPARE(p.reports, QStringList{QStringLiteral("0,0")});
        QVERIFY(!p.control->CDDVDDetectTimer->isActive());
        QVERIFY(p.handOff->keeper().isBurned());
        QVERIFY(messages.shown.isEmpty());
        // The window's recorder was asked about the disc, not the file system.
        QCOMPARE(p.window.selected(), 0);
    }

    void theWindowsRecorderIsFoundByName()
    {
        // The window's list has one more drive ahead of the one the control burns on.
        Page p(BlankCdR, BlankCdR);
        p.window.setRecorders({{QStringLiteral("/dev/sr9 Other"), UsedCdR}, {Writer, BlankCdR}});
        p.entries = {QStringLiteral("/rec/a.txt")};
        QSignalSpy ready(p.control, &K3Cindral::DriveReady);
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        Messages messages(QMessageBox::Ok);
        p.handOff->BeginBurn();
        QCOMPARE(p.window.selected(), 1);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(p.control->isBurning());
    }

    void nonBlankErasableDisc_data()
    {
        QTest::addColumn<bool>("erase");
        QTest::newRow("yes erases and burns") << true;
        QTest::newRow("no returns to waiting") << false;
    }

    void nonBlankErasableDisc()
    {
        QFETCH(bool, erase);
        Page p(UsedCdRw, UsedCdRw);
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QStringList asked;
        bool startedWhileErasing = false;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked << m.text;
            [&] {
                QCOMPARE(m.icon, QMessageBox::Question);
                QCOMPARE(m.title, QStringLiteral("Korvalis"));
                QCOMPARE(m.buttons, QMessageBox::Yes | QMessageBox::No);
            }();
            return erase ? QMessageBox::Yes : QMessageBox::No;
        });
        QStringList labelText;
        if (erase) {
            ModalDriver::onNextModal(
                [&](QWidget* modal) {
                    if (auto* form = qobject_cast<EraseMediaForm*>(modal)) {
                        labelText << form->Label2->text() << form->windowTitle();
                        startedWhileErasing = p.recorder->calls().contains(QStringLiteral("StartBurn"));
                    }
                },
                nullptr, 20000);
        }
        p.handOff->BeginBurn();
        QCOMPARE(asked, QStringList{QStringLiteral("Erase the disc?")});
        if (erase) {
            QCOMPARE(labelText,
                     (QStringList{QStringLiteral("Erasing the disc..."), QStringLiteral("Korvalis Plus")}));
            QCOMPARE(p.window.calls(),
                     (QStringList{QStringLiteral("QuickErase=1"), QStringLiteral("StartErase"),
                                  QStringLiteral("DriveCommand22"), QStringLiteral("DriveCommand34")}));
            QVERIFY(!startedWhileErasing);
            // Right after the dialog: the burn runs without waiting for another DriveReady.
            QVERIFY(p.control->isBurning());
            QVERIFY(p.recorder->calls().contains(QStringLiteral("StartBurn")));
            QCOMPARE(p.nav.last(), (Nav{false, false, true}));
        } else {
            QVERIFY(!p.window.calls().contains(QStringLiteral("StartErase")));
            QVERIFY(!p.recorder->calls().contains(QStringLiteral("StartBurn")));
            QVERIFY(!p.control->isBurning());
            QVERIFY(p.control->BurnFrame(0)->isVisibleTo(p.control));
            QCOMPARE(p.control->CDDVDDetectTimer->interval(), 500);
            QVERIFY(p.control->CDDVDDetectTimer->isActive());
        }
    }

    // Every rewritable kind that holds data: erased from the burn step, then burned at once.
    void everyRewritableKindIsErasedThenBurned_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("CD-RW") << int(MediaKind::CdRw);
        QTest::newRow("DVD-RW sequential") << int(MediaKind::DvdRwSequential);
        QTest::newRow("DVD-RW restricted overwrite") << int(MediaKind::DvdRwRestricted);
        QTest::newRow("DVD-RAM") << int(MediaKind::DvdRam);
        QTest::newRow("DVD+RW") << int(MediaKind::DvdPlusRw);
        QTest::newRow("BD-RE") << int(MediaKind::BdRe);
    }

    void everyRewritableKindIsErasedThenBurned()
    {
        QFETCH(int, code);
        const Disc used{code, false, true, 8, 8};
        Page p(used, used);
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(p.control->EraseMedia(0)->isEnabled(), 5000);
        QVERIFY(!p.control->BurnBut->isEnabled());
        Messages messages(QMessageBox::Yes);
        p.handOff->BeginBurn();
        QCOMPARE(messages.shown.size(), 1); // the question, and no failure
        QVERIFY(p.window.calls().contains(QStringLiteral("StartErase")));
        QVERIFY(p.window.IsBlank());
        QVERIFY(p.control->isBurning());
    }

    void failedEraseIsReportedAndNothingIsBurned()
    {
        Page p(UsedCdRw, UsedCdRw);
        p.window.scriptErase(1, false, QStringLiteral("Erasing failed: SORRY : Drive refused (test)"));
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        Messages messages(QMessageBox::Yes);
        p.handOff->BeginBurn();
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown[1].icon, QMessageBox::Critical);
        QVERIFY(messages.shown[1].text.startsWith(QStringLiteral("The disc could not be erased.")));
        QVERIFY(messages.shown[1].text.contains(QStringLiteral("Drive refused (test)")));
        QVERIFY(!p.window.IsBlank());
        QVERIFY(!p.recorder->calls().contains(QStringLiteral("StartBurn")));
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
        QVERIFY(p.control->BurnFrame(0)->isVisibleTo(p.control));
    }

    void eraseCanBeCancelledWhereTheDiscAllows()
    {
        Page p(UsedCdRw, UsedCdRw);
        p.window.scriptErase(100000, true); // long, and it can be stopped
        p.handOff->startDirect(QStringLiteral("/rec/"));
        Messages messages(QMessageBox::Yes);
        bool acted = false;
        QString caption;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* form = qobject_cast<EraseMediaForm*>(modal);
                if (!form)
                    return;
                caption = form->CancelErase->text();
                QTRY_VERIFY_WITH_TIMEOUT(form->CancelErase->isEnabled(), 10000);
                QCOMPARE(form->EraseProgress->maximum(), 100);
                form->CancelErase->click();
            },
            &acted, 20000);
        p.handOff->onEraseButtonClick(1);
        QVERIFY(acted);
        QCOMPARE(caption, QStringLiteral("Stop"));
        QVERIFY(p.window.calls().contains(QStringLiteral("CancelErase")));
        // Stopped by the user: no failure message.
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
    }

    void controlsOwnBurnButtonStartsTheBurn()
    {
        Page p(BlankCdR, BlankCdR);
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(p.control->BurnBut->isEnabled(), 5000);
        Messages messages(QMessageBox::Ok);
        p.control->BurnBut->click();
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(p.control->isBurning());
        QCOMPARE(p.recorder->addedFiles().size(), size_t(1));
        QCOMPARE(p.nav.last(), (Nav{false, false, true}));
    }

    // An image file is replaced when it is written: no disc check, no erase offer.
    void imageFileNeedsNoDiscCheck()
    {
        Page p({}, {});
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        {
            Prompt::ScopedAnswerer chooser({}, [](QDialog& dialog) {
                auto* files = qobject_cast<QFileDialog*>(&dialog);
                if (!files)
                    return int(QDialog::Rejected);
                files->selectFile(QDir::temp().filePath(QStringLiteral("handoff.iso")));
                return int(QDialog::Accepted);
            });
            QVERIFY(p.control->ChooseImageFile());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!p.nav.isEmpty() && p.nav.last().next, 5000);
        Messages messages(QMessageBox::Ok);
        p.window.mediaQueries = 0;
        p.handOff->BeginBurn();
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(p.window.calls().isEmpty());
        QCOMPARE(p.window.mediaQueries, 0);
        QVERIFY(p.control->isBurning());
    }

    void nonBlankDiscThatCannotBeErased()
    {
        Page p(UsedCdR, UsedCdR);
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        Messages messages(QMessageBox::Ok);
        p.handOff->BeginBurn();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("Not blank and cannot be erased."));
        QCOMPARE(messages.shown[0].icon, QMessageBox::Warning);
        QVERIFY(!p.recorder->calls().contains(QStringLiteral("StartBurn")));
        QVERIFY(!p.window.calls().contains(QStringLiteral("StartErase")));
        QVERIFY(p.control->BurnFrame(0)->isVisibleTo(p.control));
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
    }

    void unlistableButUsedDiscIsNotTakenForBlank()
    {
        // The control's recorder would write; the window's says the disc holds data.
        Page p(BlankCdR, UsedCdR);
        QVERIFY(!p.handOff->IsDiscBlank(0));
        p.window.setDisc(0, BlankCdR);
        QVERIFY(p.handOff->IsDiscBlank(0));
        QVERIFY(!p.handOff->IsDiscBlank(3));
    }

    void cancelAtTheDiscPromptStops()
    {
        Page p({}, {});
        p.entries = {QStringLiteral("/rec/a.txt")};
        p.handOff->startDirect(QStringLiteral("/rec/"));
        Messages messages(QMessageBox::Cancel);
        p.handOff->BeginBurn();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(!p.recorder->calls().contains(QStringLiteral("StartBurn")));
        QVERIFY(p.window.calls().isEmpty());
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
    }

    void eraseButtonsKeepTheirMode_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("mode");
        QTest::newRow("quick") << 0 << QStringLiteral("QuickErase=1");
        QTest::newRow("full") << 1 << QStringLiteral("QuickErase=0");
    }

    void eraseButtonsKeepTheirMode()
    {
        QFETCH(int, button);
        QFETCH(QString, mode);
        Page p(UsedCdRw, UsedCdRw);
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QTRY_VERIFY_WITH_TIMEOUT(p.control->EraseMedia(button)->isEnabled(), 5000);
        Messages messages(QMessageBox::Yes);
        bool timerStoppedWhileErasing = false;
        bool quickWhenStarted = true;
        QTimer::singleShot(0, p.control, [&] {
            if (p.handOff->isErasing()) {
                timerStoppedWhileErasing = !p.control->CDDVDDetectTimer->isActive();
                quickWhenStarted = p.window.quickErase();
            }
        });
        p.control->EraseMedia(button)->click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("Erase the disc?"));
        QCOMPARE(p.window.calls(),
                 (QStringList{mode, QStringLiteral("StartErase"), QStringLiteral("DriveCommand22"),
                              QStringLiteral("DriveCommand34")}));
        QVERIFY(timerStoppedWhileErasing);
        QCOMPARE(quickWhenStarted, button == 0);
        // Detection resumes after the dialog.
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
        QCOMPARE(p.control->CDDVDDetectTimer->interval(), 500);
    }

    void eraseButtonDeclinedDoesNothing()
    {
        Page p(UsedCdRw, UsedCdRw);
        p.handOff->startDirect(QStringLiteral("/rec/"));
        Messages messages(QMessageBox::No);
        p.handOff->onEraseButtonClick(1);
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(p.window.calls().isEmpty());
        QVERIFY(p.control->CDDVDDetectTimer->isActive());
    }

    void eraseDoneClosesTheDialogAtTheLongerTick()
    {
        CountingRecorder recorder;
        recorder.setRecorders({{Writer, UsedCdRw}});
        recorder.SelectRecorder(0);
        recorder.setStepIntervalMs(60000); // the erase never ends by itself
        EraseMediaForm form(recorder, QStringLiteral("Erasing"));
        QSignalSpy ticks(form.Timer1, &QTimer::timeout);
        int queriesAtDone = -1;
        int ticksAtDone = -1;
        QTimer::singleShot(0, &form, [&] {
            // Wait for two media polls, then the recorder reports the erase done.
            QTimer* later = new QTimer(&form);
            connect(later, &QTimer::timeout, &form, [&, later] {
                if (ticks.count() < 2)
                    return;
                later->stop();
                queriesAtDone = recorder.mediaQueries;
                ticksAtDone = int(ticks.count());
                form.eraseFinished();
            });
            later->start(50);
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QCOMPARE(recorder.calls(), QStringList{QStringLiteral("StartErase")});
        QCOMPARE(form.Timer1->interval(), EraseMediaForm::FinishMs);
        // One more tick closed it, and it did not look at the disc again.
        QCOMPARE(int(ticks.count()), ticksAtDone + 1);
        QCOMPARE(recorder.mediaQueries, queriesAtDone);
        QVERIFY(queriesAtDone >= 2);
    }

    void eraseDialogClosesWhenTheDiscIsGone()
    {
        CountingRecorder recorder;
        recorder.setRecorders({{Writer, UsedCdRw}});
        recorder.SelectRecorder(0);
        recorder.setStepIntervalMs(60000);
        EraseMediaForm form(recorder, QStringLiteral("Erasing"));
        QTimer::singleShot(0, &form, [&] { recorder.setDisc(0, {}); });
        // Escape cannot stop it.
        QTimer::singleShot(10, &form, [&] { form.reject(); });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QCOMPARE(recorder.mediaQueries, 1);
        QVERIFY(!form.Timer1->isActive());
    }

    void closingTicks_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("media");
        QTest::addColumn<bool>("closes");
        QTest::newRow("disc still there") << 1000 << 3 << false;
        QTest::newRow("no disc") << 1000 << 0 << true;
        QTest::newRow("after erase done") << 5000 << 3 << true;
    }

    void closingTicks()
    {
        QFETCH(int, interval);
        QFETCH(int, media);
        QFETCH(bool, closes);
        QCOMPARE(EraseMediaForm::closesAtTick(interval, media), closes);
    }

    void shortBurnReinitialisesTheControl()
    {
        Page p(BlankCdR, BlankCdR);
        p.entries = {QStringLiteral("/rec/a.txt")};
        QSignalSpy ready(p.control, &K3Cindral::DriveReady);
        QSignalSpy aborted(p.control, &K3Cindral::BurningAborted);
        p.handOff->startFromCopy(QStringLiteral("/rec/"), QStringLiteral("/tmp/kvs/"),
                                 QStringLiteral("/tmp/"));
        QVERIFY(ready.wait(5000));
        p.recorder->setImageBlocks(1000);
        p.recorder->scriptShortBurn(600);
        Messages messages(QMessageBox::Ok);
        p.handOff->BeginBurn();
        QVERIFY(aborted.wait(10000));
        QVERIFY(p.reports.isEmpty());
        QVERIFY(!p.control->isBurning());
        QVERIFY(p.control->BurnFrame(0)->isVisibleTo(p.control));
        QCOMPARE(p.control->CDDVDDetectTimer->interval(), 500);
        QVERIFY(!p.handOff->keeper().isBurned());
        // Waiting again: the buttons follow the disc.
        ready.clear();
        QVERIFY(ready.wait(5000));
        QCOMPARE(p.nav.last().back, true);
        QCOMPARE(p.nav.last().exit, true);
    }

    void fillRecorderList()
    {
        Page p(BlankCdR, BlankCdR);
        p.window.setRecorders({{Writer, BlankCdR}, {QStringLiteral("stdio:/tmp/x.iso"), {}}});
        QComboBox combo;
        combo.addItem(QStringLiteral("old"));
        p.handOff->FillRecorderList(combo);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), Writer);
        QCOMPARE(combo.itemText(1), QStringLiteral("stdio:/tmp/x.iso"));
        QCOMPARE(combo.currentIndex(), 0);
        QVERIFY(combo.isEnabled());
        QVERIFY(!combo.itemIcon(0).isNull());
        p.window.setRecorders({});
        p.handOff->FillRecorderList(combo);
        QCOMPARE(combo.count(), 0);
        QVERIFY(!combo.isEnabled());
    }

    void discRootOfARecorder_data()
    {
        QTest::addColumn<QString>("recorder");
        QTest::addColumn<QString>("root");
        QTest::newRow("mounted") << QStringLiteral("/dev/sr0 HL-DT-ST DVDRAM")
                                 << QStringLiteral("/media/disc/");
        QTest::newRow("other drive") << QStringLiteral("/dev/sr1 Other") << QString();
        QTest::newRow("not ready") << QStringLiteral("/dev/sr2 Slow") << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void discRootOfARecorder()
    {
        QFETCH(QString, recorder);
        QFETCH(QString, root);
        Platform::VolumeList volumes;
        Platform::Volume disc;
        disc.root = QStringLiteral("/media/disc/");
        disc.device = QStringLiteral("/dev/sr0");
        disc.ready = true;
        Platform::Volume slow;
        slow.root = QStringLiteral("/media/slow/");
        slow.device = QStringLiteral("/dev/sr2");
        slow.ready = false;
        Platform::Volume home;
        home.root = QStringLiteral("/");
        home.device = QStringLiteral("/dev/sda1");
        home.ready = true;
        volumes << home << disc << slow;
        QCOMPARE(BurnHandOff::discRootOf(recorder, volumes), root);
    }

    void quittingWhileBurning_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stay") << false;
        QTest::newRow("stop and quit") << true;
    }

    void quittingWhileBurning()
    {
        QFETCH(bool, stop);
        Page p(BlankCdR, BlankCdR);
        p.entries = {QStringLiteral("/rec/a.txt")};
        QSignalSpy ready(p.control, &K3Cindral::DriveReady);
        p.handOff->startDirect(QStringLiteral("/rec/"));
        QVERIFY(ready.wait(5000));
        p.recorder->setImageBlocks(1000);
        p.recorder->setBurnScript({{100, 10, 10}, {200, 10, 10}, {300, 10, 10}});
        p.recorder->setStepIntervalMs(2000);
        p.handOff->BeginBurn();
        QVERIFY(p.control->isBurning());
        QPointer<ScriptedRecorder> recorder = p.recorder;
        QSignalSpy finished(p.control, &K3Cindral::BurningFinished);
        QSignalSpy aborted(p.control, &K3Cindral::BurningAborted);
        Messages messages(stop ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(p.handOff->mayQuit(), stop);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].icon, QMessageBox::Warning);
        QCOMPARE(messages.shown[0].defaultButton, QMessageBox::No);
        if (stop) {
            // The control went with its recorder, which ends the burn.
            QVERIFY(!p.control);
            QVERIFY(recorder.isNull());
            QCOMPARE(finished.count() + aborted.count(), 0);
            QVERIFY(p.handOff->mayQuit());
        } else {
            QVERIFY(p.control->isBurning());
            QCOMPARE(p.control->CDDVDDetectTimer->interval(), 100);
            QVERIFY(p.control->CDDVDDetectTimer->isActive());
        }
    }

    void notBurningQuitsWithoutAsking()
    {
        Page p(BlankCdR, BlankCdR);
        Messages messages(QMessageBox::No);
        QVERIFY(p.handOff->mayQuit());
        QVERIFY(messages.shown.isEmpty());
    }

    void unburnedCopyIsKept_data()
    {
        QTest::addColumn<bool>("deleteIt");
        QTest::newRow("kept") << false;
        QTest::newRow("deleted when the user agrees") << true;
    }

    void unburnedCopyIsKept()
    {
        QFETCH(bool, deleteIt);
        QTemporaryDir temp;
        const QString tempFolder = temp.path() + QLatin1Char('/');
        const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
        QVERIFY(!job.isEmpty());
        QVERIFY(writeFile(job + QStringLiteral("Docs/a.txt"), "recovered"));
        Page p(BlankCdR, BlankCdR);
        p.handOff->startFromCopy(QStringLiteral("/rec/"), job, tempFolder);
        QVERIFY(p.handOff->keeper().holdsUnburnedCopy());
        Messages messages(deleteIt ? QMessageBox::Yes : QMessageBox::No);
        p.handOff->releaseTempCopy(tempFolder);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].defaultButton, QMessageBox::No);
        // Moved out of the job folder's way, so that the next burn task cannot empty it.
        QVERIFY(!QFileInfo::exists(job));
        const QStringList kept = QDir(tempFolder).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        if (deleteIt) {
            QVERIFY(kept.isEmpty());
        } else {
            QCOMPARE(kept.size(), 1);
            const QString where = tempFolder + kept[0] + QLatin1Char('/');
            QVERIFY2(messages.shown[0].text.contains(where), qPrintable(messages.shown[0].text));
            QFile f(where + QStringLiteral("Docs/a.txt"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("recovered"));
        }
        // Asked once only.
        p.handOff->releaseTempCopy(tempFolder);
        QCOMPARE(messages.shown.size(), 1);
    }

    void stoppedCopyIsKept()
    {
        QTemporaryDir temp;
        const QString tempFolder = temp.path() + QLatin1Char('/');
        const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
        QVERIFY(writeFile(job + QStringLiteral("half.bin"), "partly recovered"));
        Page p(BlankCdR, BlankCdR);
        Messages messages(QMessageBox::No);
        p.handOff->keepStoppedCopy(tempFolder);
        QCOMPARE(messages.shown.size(), 1);
        const QStringList kept = QDir(tempFolder).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QFile f(tempFolder + kept[0] + QStringLiteral("/half.bin"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("partly recovered"));
    }

    void burnedOrMissingCopyGoesWithoutAsking_data()
    {
        QTest::addColumn<bool>("fromCopy");
        QTest::newRow("burned copy") << true;
        QTest::newRow("direct route") << false;
    }

    void burnedOrMissingCopyGoesWithoutAsking()
    {
        QFETCH(bool, fromCopy);
        QTemporaryDir temp;
        const QString tempFolder = temp.path() + QLatin1Char('/');
        const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
        QVERIFY(writeFile(job + QStringLiteral("a.txt"), "x"));
        Page p(BlankCdR, BlankCdR);
        if (fromCopy) {
            p.handOff->startFromCopy(QStringLiteral("/rec/"), job, tempFolder);
            p.handOff->onBurningFinished();
        } else {
            p.handOff->startDirect(QStringLiteral("/rec/"));
        }
        Messages messages(QMessageBox::No);
        p.handOff->releaseTempCopy(tempFolder);
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(!QFileInfo::exists(job));
    }

    void keptFolderNamesDoNotCollide()
    {
        QTemporaryDir temp;
        const QString tempFolder = temp.path() + QLatin1Char('/');
        const QDateTime at(QDate(2026, 12, 8), QTime(1, 2, 3));
        QCOMPARE(TempFolderKeeper::keptFolderName(at), QStringLiteral("kvs_recovered_20261208_010203"));
        QStringList places;
        for (int i = 0; i < 2; ++i) {
            const QString job = JobAssembly::CreateJobTempFolder(tempFolder);
            QVERIFY(writeFile(job + QStringLiteral("f"), QByteArray::number(i)));
            TempFolderKeeper keeper;
            keeper.copyMade(tempFolder);
            places << keeper.setAside(at);
        }
        QCOMPARE(places, (QStringList{tempFolder + QStringLiteral("kvs_recovered_20261208_010203/"),
                                      tempFolder + QStringLiteral("kvs_recovered_20261208_010203_2/")}));
        // An empty job folder is nothing to keep.
        JobAssembly::CreateJobTempFolder(tempFolder);
        TempFolderKeeper keeper;
        keeper.copyMade(tempFolder);
        QVERIFY(!keeper.holdsUnburnedCopy());
    }
};

QTEST_MAIN(TestBurnHandOff)
#include "tst_burnhandoff.moc"
