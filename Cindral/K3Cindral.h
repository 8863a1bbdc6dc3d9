#pragma once

#include "CDDVDBurner2.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;
class QTreeWidget;
class isButton;

// The disc burning control: picks the recorder, watches for a blank disc, offers write speeds
// for recorder and disc, builds the image from the host's entries, burns it with progress and a
// time-stamped status list, and tells the host how it ended. It owns its own recorder.
//
// Host order: LangValue texts and FontCharSet; InitializeMe(source, staging); wait for
// DriveReady(true); PrepareBurn; AddItem for every entry; BurnIt; then BurningFinished or
// BurningAborted.
class K3Cindral : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool isBurning READ isBurning WRITE setIsBurning)
    Q_PROPERTY(bool isBurnDriveReady READ isBurnDriveReady WRITE setIsBurnDriveReady)
    Q_PROPERTY(double LastBurnBlock READ LastBurnBlock WRITE setLastBurnBlock)
    Q_PROPERTY(double CDDVDCacheSize READ CDDVDCacheSize WRITE setCDDVDCacheSize)
    Q_PROPERTY(double CDDVDBufferSize READ CDDVDBufferSize WRITE setCDDVDBufferSize)
    Q_PROPERTY(int Files_Count READ Files_Count WRITE setFiles_Count)
    Q_PROPERTY(int Folders_Count READ Folders_Count WRITE setFolders_Count)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)

public:
    // Slots 0 to 30 are the control's first texts; 40 onwards its later ones (31 to 39 unused).
    static constexpr int TextSlots = 100;
    // The last item of SourceDrives, which asks for an image file to burn into.
    static constexpr auto ImageChooserData = "choose-image-file";

    // With the recorder CDDVDBurner2::create() makes.
    explicit K3Cindral(QWidget* parent = nullptr);
    K3Cindral(std::unique_ptr<CDDVDBurner2> burner, QWidget* parent = nullptr);
    ~K3Cindral() override;

    bool isBurning() const { return m_isBurning; }
    void setIsBurning(bool value) { m_isBurning = value; }
    bool isBurnDriveReady() const { return m_isBurnDriveReady; }
    void setIsBurnDriveReady(bool value) { m_isBurnDriveReady = value; }
    double LastBurnBlock() const { return m_lastBurnBlock; }
    void setLastBurnBlock(double value) { m_lastBurnBlock = value; }
    double CDDVDCacheSize() const { return m_cacheSize; }
    void setCDDVDCacheSize(double value) { m_cacheSize = value; }
    double CDDVDBufferSize() const { return m_bufferSize; }
    void setCDDVDBufferSize(double value) { m_bufferSize = value; }
    int Files_Count() const { return m_filesCount; }
    void setFiles_Count(int value) { m_filesCount = value; }
    int Folders_Count() const { return m_foldersCount; }
    void setFolders_Count(int value) { m_foldersCount = value; }

    // sourceRoot: where the host's entries lie; stagingRoot: where their files are read from.
    // Both end in "/".
    void InitializeMe(const QString& sourceRoot, const QString& stagingRoot);
    void ReInitializeMe();
    void DisableMe();
    bool GetDrives();
    void SetSpeedRange();
    // A file's full path, or a folder's full path after a tab character.
    void AddItem(const QString& entry);
    // The recorder index to burn on, or -1 when the user gave up at a disc prompt.
    int PrepareBurn();
    void BurnIt();
    bool isEntireMediaEmpty(int index);
    // Asks where an image file is to be written (the recorder list's last item) and selects it;
    // false when the user gave up.
    bool ChooseImageFile();
    // The selected target is an image file: it is always ready and needs no disc check.
    bool isImageTargetSelected();
    // After BurningFinished: what reading the disc back found, as shown on the status list.
    CDDVDBurner2::Verify VerifyState() const { return m_verifyState; }
    QString VerifyText() const { return m_verifyText; }
    // Seconds without progress after which a burn is reported as stalled.
    void setStallSeconds(int seconds) { m_stallSeconds = seconds; }

    // Text slots 0 to 30; an index outside throws std::out_of_range and changes nothing.
    void setLangValue(int index, const QString& text);
    QString LangValue(int index) const;
    int FontCharSet() const { return m_charSet; }
    void setFontCharSet(int charSet);

    CDDVDBurner2& CDDVDBurner() { return *m_burner; }

    // Child controls, by the names their objectName carries.
    QComboBox* SourceDrives = nullptr;
    QComboBox* CDDVDSpeed = nullptr;
    QLineEdit* WriteMedia = nullptr;
    QLabel* StatusM = nullptr;
    isButton* BurnBut = nullptr;
    QTreeWidget* CDDVDStatus = nullptr;
    QFrame* Frame1 = nullptr;
    QTimer* CDDVDDetectTimer = nullptr;
    QLineEdit* VolumeLabel = nullptr;
    QCheckBox* Simulate = nullptr;
    QLabel* ProgressText = nullptr; // written of total, speed and time left
    isButton* EraseMedia(int index) const;
    QGroupBox* BurnFrame(int index) const;
    QProgressBar* CDDVDBurnProgress(int index) const;
    QLabel* Label1(int index) const;

Q_SIGNALS:
    void DriveReady(bool Status);
    void BurningAborted();
    void BurningFinished();
    void EraseButtonClick(int index);
    // The control's Burn It button: the host starts the burn as its own Burn button does.
    void BurnButtonClick();

private:
    void buildViews();
    void connectBurner();
    void tick();
    void detectionTick();
    void burnTick();
    QString mediaText(int code) const;
    void addStatusRow(const QString& status, bool withPicture = false);
    void setLastStatus(const QString& status);
    void endBurnAborted(const QString& why);
    void onBurnProgress(double blocks);
    static void setBar(QProgressBar* bar, double value);
    int recorderIndex() const { return m_selectedPosition - 1; }
    bool chooserSelected() const;
    void refreshRecorders();
    void showProgressText(double blocks);
    void checkStall();
    QString failureDetail() const;
    void noteVerifyOutcome();

    std::unique_ptr<CDDVDBurner2> m_burner;
    std::array<isButton*, 2> m_eraseMedia{};
    std::array<QGroupBox*, 2> m_burnFrame{};
    std::array<QProgressBar*, 3> m_burnProgress{};
    std::array<QLabel*, 7> m_label1{};
    QLabel* m_volumeLabelCaption = nullptr;
    QIcon m_recorderPicture; // the one picture of ImageList6

    bool m_isBurning = false;
    bool m_isBurnDriveReady = false;
    double m_lastBurnBlock = 0;
    double m_cacheSize = 0;
    double m_bufferSize = 0;
    int m_filesCount = 0;
    int m_foldersCount = 0;

    QString m_sourceRoot;
    QString m_stagingRoot;
    QString m_lastStatusText;
    int m_selectedPosition = 1;
    bool m_speedListStale = true;
    bool m_inTick = false;
    bool m_choosing = false;
    int m_stallSeconds = 30;
    bool m_stallReported = false;
    double m_progressBlocks = 0;
    QElapsedTimer m_burnClock;     // since the first block was written
    QElapsedTimer m_progressClock; // since the written count last moved
    CDDVDBurner2::Verify m_verifyState = CDDVDBurner2::Verify::NotChecked;
    QString m_verifyText;
    std::array<QString, TextSlots> m_texts;
    int m_charSet = 0;
};
