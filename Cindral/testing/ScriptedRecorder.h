#pragma once

#include "CDDVDBurner2.h"

#include <QStringList>
#include <QTimer>

#include <optional>
#include <utility>
#include <vector>

// A recorder that plays a script, for tests of everything that uses a recorder: which recorders
// there are, the disc in each (kind, blank, erasable, speed limits), and how a burn goes, step by
// step, ending with "Done" or stalling. Every call is logged by name.
class ScriptedRecorder : public CDDVDBurner2
{
    Q_OBJECT

public:
    struct Disc
    {
        int mediaType = 0;
        bool blank = false;
        bool erasable = false;
        int speedLimit1 = 0;
        int speedLimit2 = 0;
        qint64 freeBlocks = -1; // -1: the recorder cannot tell
    };
    struct Recorder
    {
        QString name;
        Disc disc;
        bool imageTarget = false;
    };
    // One poll of a burn: the fills first, then the progress, then the status text.
    struct Step
    {
        double blocks = 0;
        double bufferFill = 0;
        double cacheFill = 0;
        QString status = QStringLiteral("Writing");
    };

    explicit ScriptedRecorder(QObject* parent = nullptr);

    void setRecorders(std::vector<Recorder> recorders);
    void setDisc(int index, Disc disc);
    Disc disc(int index) const;
    // The image size PrepareImage reports; by default one block per added file, at least 1.
    void setImageBlocks(qint64 blocks);
    // The steps StartBurn plays; afterwards "Done" when endsDone, else the last status stays.
    void setBurnScript(std::vector<Step> steps, bool endsDone = true, bool succeeds = true);
    // Ready-made scripts: the whole image in four steps; written blocks then "Done"; progress that
    // stops with both buffers empty and never ends.
    void scriptFullBurn();
    void scriptShortBurn(qint64 written);
    void scriptStall(qint64 at);
    // What the disc becomes after StartErase; by default the same kind, blank.
    void setDiscAfterErase(Disc disc);
    void setStepIntervalMs(int ms) { m_timer.setInterval(ms); }
    // The erase runs in steps (each a timer tick), can be cancelled when cancellable, and ends
    // with failure (the disc as it was) when failure is not empty.
    void scriptErase(int steps, bool cancellable, const QString& failure = {});
    void setVerify(Verify state, const QString& detail = {});
    void setMessages(const QStringList& messages) { m_messages = messages; }
    void setCanSimulate(bool can) { m_canSimulate = can; }
    bool simulate() const { return m_simulate; }
    QString volumeLabel() const { return m_volumeLabel; }
    // A drive plugged in: the list grows and RecordersChanged follows at the next Rescan.
    void plugIn(Recorder recorder) { m_pluggedIn.push_back(std::move(recorder)); }

    QStringList calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    std::vector<std::pair<QString, QString>> addedFolders() const { return m_folders; }
    std::vector<std::pair<QString, QString>> addedFiles() const { return m_files; }
    double writeSpeed() const { return m_writeSpeed; }
    bool quickErase() const { return m_quickErase; }
    int selected() const { return m_selected; }

    QString StatusText() const override;
    void setQuickErase(bool quick) override;
    int MediaType() override;
    void setBurnOptionA(bool simulate) override;
    void setBurnOptionB(bool underrunProtection) override;
    void setBurnOptionC(bool closeDisc) override;
    void setWriteSpeed(double factor) override;
    qint64 ImageBlocks() const override;
    bool IsErasable() override;
    bool IsBlank() override;
    int RecorderCount() override;
    int SelectRecorder(int index) override;
    QString RecorderName(int index) override;
    int SpeedLimit1() override;
    int SpeedLimit2() override;
    void DriveCommand20() override;
    void DriveCommand22() override;
    void DriveCommand34() override;
    void AddFile(const QString& folder, const QString& file) override;
    void AddFolder(const QString& parent, const QString& name) override;
    bool PrepareImage() override;
    void StartBurn() override;
    bool BurnSucceeded() const override;
    void StartErase() override;
    qint64 FreeBlocks() override;
    int AddImageTarget(const QString& path) override;
    bool IsImageTarget(int index) override;
    void Rescan() override;
    bool CanSimulate() override;
    void setVolumeLabel(const QString& label) override;
    double EraseProgress() override;
    bool CanCancelErase() override;
    void CancelErase() override;
    Verify VerifyState() const override;
    QString VerifyDetail() const override;
    QStringList Messages() const override;

private:
    void playStep();
    const Disc* current() const;
    void log(const QString& call) { m_calls << call; }

    std::vector<Recorder> m_recorders;
    int m_selected = -1;
    qint64 m_fixedBlocks = -1;
    qint64 m_imageBlocks = 0;
    std::vector<Step> m_script;
    bool m_autoScript = true;
    bool m_endsDone = true;
    bool m_succeeds = true;
    bool m_succeeded = false;
    size_t m_next = 0;
    bool m_erasing = false;
    int m_eraseSteps = 1;
    int m_eraseStep = 0;
    bool m_eraseCancellable = false;
    QString m_eraseFailure;
    Verify m_verify = Verify::Verified;
    QString m_verifyDetail;
    QStringList m_messages;
    bool m_canSimulate = true;
    bool m_simulate = false;
    QString m_volumeLabel;
    std::vector<Recorder> m_pluggedIn;
    std::optional<Disc> m_afterErase;
    QString m_status;
    double m_writeSpeed = 0;
    bool m_quickErase = true;
    QTimer m_timer;
    QStringList m_calls;
    std::vector<std::pair<QString, QString>> m_folders;
    std::vector<std::pair<QString, QString>> m_files;
};
