#pragma once

#include "CDDVDBurner2.h"
#include "ImageTree.h"
#include "IsoImageBuilder.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>

#include <memory>

// The recorder on libburn and libisofs. Recorders are the optical drives libburn finds (on the
// drive thread, again on Rescan and when a drive appears in /dev or goes), any "stdio:/path"
// targets given, which take the image as if they were a disc, and the image files added with
// AddImageTarget. Queries about the disc return what the drive thread read last and ask it to
// read again, so they never block the window; the drive is held only for each reading, burn or
// erase. A new selection waits a little for its first reading.
class LibburnRecorder : public CDDVDBurner2
{
    Q_OBJECT

public:
    struct Options
    {
        bool scanDrives = true;     // look for the machine's optical drives
        QStringList extraRecorders; // "stdio:/path" targets, listed after the drives
    };

    // The machine's drives.
    explicit LibburnRecorder(QObject* parent = nullptr);
    explicit LibburnRecorder(Options options, QObject* parent = nullptr);
    ~LibburnRecorder() override;

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

    struct Shared;

private:
    void poll();
    void postReading(bool now = false);
    void finishJob();
    void postList(bool scan);
    void noticeListChange();
    void watchDevices();

    std::shared_ptr<Shared> m_shared;
    QTimer m_poll;                // follows a burn or an erase
    QFileSystemWatcher m_devices; // drives plugged in or removed
    QElapsedTimer m_lastReading;
    ImageTree m_tree;
    BurnSourcePtr m_image;
    qint64 m_imageBlocks = 0;
    int m_imageFiles = 0;
    QString m_volumeLabel = QStringLiteral("KORVALIS");
    Options m_options;
    QStringList m_opticalDevices; // /dev/sr* as last seen
    Verify m_verify = Verify::NotChecked;
    QString m_verifyDetail;
    QStringList m_messages;
    QString m_status;
    bool m_quickErase = true;
    bool m_simulate = false;
    bool m_underrunProof = true;
    bool m_closeDisc = true;
    double m_speed = 0;
    bool m_burnOk = false;
    bool m_polling = false;
    bool m_doneNext = false;
    // What the signals last told, so that each is raised when its value moves.
    double m_sentBlocks = -1;
    double m_sentBufferSize = -1;
    double m_sentBufferFill = -1;
    double m_sentCacheSize = -1;
    double m_sentCacheFill = -1;
};
