#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The recorder component: everything the burning control and the main window ask of a CD/DVD
// recorder. Recorders are counted from 0. Calls return at once; long work (burning, erasing)
// runs in the background and reports through the signals, which arrive on the thread that
// owns the object.
//
// The three burn options, written before each burn:
//   BurnOptionA  simulate: a dry run with the laser off (written False, so the disc is written)
//   BurnOptionB  buffer-underrun protection (written True)
//   BurnOptionC  close the disc after the session, so no further session can be added (True)
// The three drive commands:
//   DriveCommand20  re-examine the medium: forget what is known about the disc in the selected
//                   recorder and read its state again (sent when a disc is missing or unusable)
//   DriveCommand22  reset: empty the image being assembled and clear the burn status (sent when a
//                   burn is being prepared and when an erase has ended)
//   DriveCommand34  re-examine the medium after this component changed it (sent after an erase)
class CDDVDBurner2 : public QObject
{
    Q_OBJECT

public:
    using Factory = std::function<std::unique_ptr<CDDVDBurner2>()>;

    explicit CDDVDBurner2(QObject* parent = nullptr);
    ~CDDVDBurner2() override;

    // A recorder of the kind the program uses on this machine (libburn); tests replace the factory.
    static std::unique_ptr<CDDVDBurner2> create();
    // Replaces the factory create() uses (an empty one restores the real recorder); returns the old one.
    static Factory setFactory(Factory factory);

    // Text of the latest burn step; exactly "Done" once a burn has ended, well or not.
    virtual QString StatusText() const = 0;
    virtual void setQuickErase(bool quick) = 0;
    // 0 no disc, 1 CD, 2 CD-R, 3 CD-RW, 4 DVD-ROM, 5 DVD-R, 6 DVD-RAM, 7 DVD-RW restricted
    // overwrite, 8 DVD-RW sequential, 9 DVD-RW, 10 DVD+RW, 11 DVD+R, 12 DVD-R DL, 13 DVD+R DL,
    // 14 BD-ROM, 15 BD-R, 16 BD-RE, 17 a kind this program does not know, 18 an image file.
    virtual int MediaType() = 0;
    virtual void setBurnOptionA(bool simulate) = 0;
    virtual void setBurnOptionB(bool underrunProtection) = 0;
    virtual void setBurnOptionC(bool closeDisc) = 0;
    // Speed factor ("x"); 0 lets the recorder choose its fastest.
    virtual void setWriteSpeed(double factor) = 0;
    // 2048-byte blocks of the image made by PrepareImage.
    virtual qint64 ImageBlocks() const = 0;
    virtual bool IsErasable() = 0;
    // True when the disc in the selected recorder holds nothing and can be written.
    virtual bool IsBlank() = 0;
    virtual int RecorderCount() = 0;
    // Non-zero on success.
    virtual int SelectRecorder(int index) = 0;
    // Device path first ("/dev/sr0" or "stdio:/path"), then vendor and model.
    virtual QString RecorderName(int index) = 0;
    // Top write speeds ("x") of the recorder and of the disc in it; 0 when unknown.
    virtual int SpeedLimit1() = 0;
    virtual int SpeedLimit2() = 0;
    virtual void DriveCommand20() = 0;
    virtual void DriveCommand22() = 0;
    virtual void DriveCommand34() = 0;
    // folder: image folder, "/"-rooted; file: the file on disk.
    virtual void AddFile(const QString& folder, const QString& file) = 0;
    // name: a folder made under the image folder parent.
    virtual void AddFolder(const QString& parent, const QString& name) = 0;
    // Builds the image; false (with the reason in StatusText) when it cannot be built.
    virtual bool PrepareImage() = 0;
    virtual void StartBurn() = 0;
    // After "Done": whether the recorder wrote the whole image and closed it well.
    virtual bool BurnSucceeded() const = 0;
    virtual void StartErase() = 0;

    // Blocks the medium in the selected recorder can still take; -1 when it cannot tell.
    virtual qint64 FreeBlocks() = 0;
    // A file that receives the image, as a recorder of its own after the drives; its index.
    // An image file is always ready to be written: what it held is replaced.
    virtual int AddImageTarget(const QString& path) = 0;
    virtual bool IsImageTarget(int index) = 0;
    // Looks for the machine's drives again; RecordersChanged follows when the list differs.
    virtual void Rescan() = 0;
    // Whether the selected recorder can do a dry run (BurnOptionA).
    virtual bool CanSimulate() = 0;
    // The volume name the next image gets.
    virtual void setVolumeLabel(const QString& label) = 0;

    // The running erase: the share done (0 to 1, -1 when the recorder cannot tell), and whether
    // it can be stopped (blanking and formatting, once begun, run inside the drive).
    virtual double EraseProgress() = 0;
    virtual bool CanCancelErase() = 0;
    virtual void CancelErase() = 0;

    // After a burn: what reading the written image back found.
    enum class Verify
    {
        NotChecked, // nothing was read back (a dry run, or the burn failed)
        Verified,   // every file read back matches the checksum recorded when it was written
        Differs,    // VerifyDetail names the first file that does not
    };
    virtual Verify VerifyState() const = 0;
    virtual QString VerifyDetail() const = 0;
    // What libburn and libisofs said during the last burn or erase, oldest first.
    virtual QStringList Messages() const = 0;

Q_SIGNALS:
    // Blocks written so far; raised when the count moves on.
    void BurnProgress(double blocks);
    void DeviceBufferSize(double bytes);
    void DeviceBufferFill(double bytes);
    void CacheSize(double bytes);
    void CacheFill(double bytes);
    void EraseDone();
    // The list of recorders changed (a drive was plugged in or removed).
    void RecordersChanged();
};
