#pragma once

#include "TempFolderKeeper.h"
#include "Volume.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CDDVDBurner2;
class EraseMediaForm;
class K3Cindral;
class QComboBox;
class QWidget;
class TextRegister;

// The main window's side of burning: which route a recover-and-burn run takes, handing the
// chosen entries to the burning control, checking and erasing the disc with the window's own
// recorder, and what follows the control's events. The temporary copy of a burn task is kept
// until it is on a disc or the user lets it go.
class BurnHandOff : public QObject
{
    Q_OBJECT

public:
    enum class Route
    {
        Direct,  // burn from where the files are
        ViaTemp, // recover into the temporary folder first, then burn the copy
    };

    // What the hand-off needs of the window that hosts it.
    struct Host
    {
        std::function<void(bool back, bool next, bool exit)> setNavButtons;
        std::function<void(bool stoppedEarly, bool canResume)> gotoReportPage;
        // The source browser's entry list, counted from 1.
        std::function<int()> itemsCount;
        std::function<QString(int index)> itemName;
        // Destroys the burning control, so that its recorder stops a running burn and lets go
        // of the drive; the hand-off is not used afterwards but for quitting.
        std::function<void()> endBurnControl;
    };

    BurnHandOff(K3Cindral& control, CDDVDBurner2& burner, const TextRegister& texts, Host host,
                QWidget* window);
    ~BurnHandOff() override;

    // The temporary-copy decision: burn directly when the program and the temporary folder lie
    // on the same volume; otherwise ask.
    static bool asksAboutTempCopy(const QString& appFolder, const QString& tempPath);
    static Route chooseRoute(const QString& appFolder, const QString& tempPath, const QString& question,
                             QWidget* parent);

    // The direct route: the files are burned from the source folder. True when a blank disc
    // is ready at once.
    bool startDirect(const QString& sourceRoot);
    // After the copy into the job folder under tempFolder: its files are burned from copyRoot.
    bool startFromCopy(const QString& sourceRoot, const QString& copyRoot, const QString& tempFolder);

    // Fills a combo box with the window recorder's recorders; each item carries, as its data,
    // the mounted volume of the disc in that recorder (empty when none).
    void FillRecorderList(QComboBox& combo);

    // Next on the burn page.
    void BeginBurn();
    // Asks the window's recorder whether the disc in recorder index holds nothing.
    bool IsDiscBlank(int index);
    void HandBurnItems();

    // The handlers of the control's and the recorder's events (connected by the constructor).
    void onDriveReady(bool status);
    void onBurningAborted();
    void onBurningFinished();
    void onEraseButtonClick(int index);
    void onEraseDone();

    // Exit or closing the window: while a burn runs, asks whether to stop it; when the user
    // goes on, stops it and returns true. False keeps the program running.
    bool mayQuit();
    // Leaving the burn page or the program, where the window would delete the job folder under
    // tempFolder: an unburned copy is set aside instead, the user told where and asked whether
    // to delete it; otherwise the job folder is deleted.
    void releaseTempCopy(const QString& tempFolder);

    // A copy for a burn that stopped before its end (paused or aborted): what it holds may exist
    // nowhere else, so it is set aside and kept like an unburned copy.
    void keepStoppedCopy(const QString& tempFolder);

    // After a finished burn: what reading it back found ("Verified: ..."), and where it went
    // (the image file, or the recorder).
    QString burnCheck() const;
    QString burnTarget() const;

    bool isErasing() const { return !m_eraseForm.isNull(); }
    EraseMediaForm* eraseForm() const;
    const TempFolderKeeper& keeper() const { return m_keeper; }

    // The mounted volume of the disc in a recorder, found by the device the recorder's name
    // begins with; empty when the disc is not mounted.
    static QString discRootOf(const QString& recorderName, const Platform::VolumeList& volumes);
    static QString discRootOf(const QString& recorderName);

private:
    bool ask(int textNumber);
    void warn(int textNumber);
    // True when the disc was erased.
    bool showEraseForm();
    // The window recorder's number of the control's recorder controlIndex.
    int windowRecorderFor(int controlIndex);

    QPointer<K3Cindral> m_control;
    CDDVDBurner2& m_burner;
    // Text n of the current language, or the built-in English one when the language lacks it.
    QString textOr(int n, const QString& english) const;

    const TextRegister& m_texts;
    Host m_host;
    QWidget* m_window;
    QPointer<EraseMediaForm> m_eraseForm;
    TempFolderKeeper m_keeper;
};
