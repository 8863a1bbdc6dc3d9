#pragma once

#include "Background.h"
#include "DriveChoice.h"
#include "Volume.h"
#include "Volumes.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDBusPendingCallWatcher;
class QLabel;
class QToolBar;
class QToolButton;

namespace Platform {
class VolumeWatcher;
}

// The drive picker: every drive a user sees in a combo box, the first three also as large picture
// buttons on a toolbar, the first usable drive chosen, and DriveChanged when the user picks.
// Drives are listed off the window's thread; a drive that does not answer within the query limit
// is listed as not ready and the window keeps repainting meanwhile. Drives that come or go while
// the picker is shown are listed at once, keeping the user's choice. A file system that is present
// but not mounted is listed as such; picking it mounts it (read-only for a source) and chooses it.
class DrivesList : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString CurrentDriveName READ CurrentDriveName WRITE setCurrentDriveName)
    Q_PROPERTY(int CurrentDriveIndex READ CurrentDriveIndex WRITE setCurrentDriveIndex)
    Q_PROPERTY(bool ShowRemovables READ ShowRemovables WRITE setShowRemovables)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)
    Q_PROPERTY(bool MountReadOnly READ MountReadOnly WRITE setMountReadOnly)

public:
    // Where scripted volumes come from in tests. Called on a worker thread.
    using VolumeSource = std::function<Platform::VolumeList()>;

    // The texts of the picker's own messages and states, in the user's language.
    enum class Text
    {
        NotMounted,      // row state of a file system that is present but not mounted
        NotReady,        // row state of a drive without a medium
        MountNotAllowed, // "%1" is the drive; the user may not mount it
        MountUnreadable, // "%1" is the drive; its file system is damaged or unknown
        MountFailed,     // "%1" is the drive; any other failure
    };

    // Lists the drives of this machine and follows their changes.
    explicit DrivesList(QWidget* parent = nullptr);
    ~DrivesList() override;

    // Lists and watches the drives of `origin` (tests give a private bus and a mount table file).
    void setVolumeOrigin(const Platform::VolumeOrigin& origin);
    // Lists what `source` returns and watches nothing.
    void setVolumeSource(VolumeSource source);

    // The mount point of the chosen volume with a closing "/".
    QString CurrentDriveName() const { return m_choice.currentDriveName(); }
    void setCurrentDriveName(const QString& name) { m_choice.setCurrentDriveName(name); }
    // 1-based position of the chosen volume among the listed ones.
    int CurrentDriveIndex() const { return m_choice.currentDriveIndex(); }
    void setCurrentDriveIndex(int index) { m_choice.setCurrentDriveIndex(index); }

    // Stored and returned as written (true before any write). Removable volumes, optical drives
    // and RAM disks stay listed either way: they are where a user recovers from and to.
    bool ShowRemovables() const { return m_showRemovables; }
    void setShowRemovables(bool show) { m_showRemovables = show; }

    // True (the default) mounts a picked file system read-only: the picker of a source never lets
    // the mount write to a failing medium. The destination's picker sets it false.
    bool MountReadOnly() const { return m_mountReadOnly; }
    void setMountReadOnly(bool readOnly) { m_mountReadOnly = readOnly; }

    // Keeps the drive the user picks under `key` in the user's settings, and starts from the one
    // kept there, so the same drive is chosen first again after the program is restarted.
    // An empty key (the default) keeps nothing.
    void setRememberedAs(const QString& key);

    // Rebuilds both views and chooses the drive the user picked last when it is listed and
    // mounted, else the first usable one; DriveChanged is not raised.
    void ShowDevices();

    // Lists the drives again, keeping the current choice; when the chosen drive went away the
    // first usable one is chosen and DriveChanged raised. Runs when drives come or go.
    void refreshDevices();

    // Index 1 sets the caption above the combo box; any other index does nothing.
    void LangValue(const QString& text, int index);
    // Index 0 sets the caption; 1 to 6 the name of drive type index - 1 (shared by every picker,
    // shown from the next ShowDevices); other indexes are ignored.
    void setLang(int index, const QString& text);
    // Sets one of the picker's own texts; shown from the next listing.
    void setText(Text which, const QString& text);

    // Shared by every picker: the last value written through any of them.
    int FontCharSet() const;
    void setFontCharSet(int charSet);

    // The type pictures (ImageList2): picture n, for drive type n - 1, at n - 1.
    const QList<QPixmap>& imageList() const;
    const DriveChoice& choice() const { return m_choice; }
    // True while a picked file system is being mounted.
    bool isMounting() const { return !m_mounting.isEmpty(); }

Q_SIGNALS:
    // The user picked a volume on the toolbar or in the combo box, or the chosen one went away.
    void DriveChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::optional<Platform::VolumeList> listVolumes();
    void fillViews();
    void clearViews();
    void showPressedButton();
    void selectMatchingComboItem();
    void toolbarPicked(int position);
    void comboPicked(int row);
    // True when the row at position (1-based) is a file system to mount; starts mounting it.
    bool mountInsteadOfPicking(int position);
    void mountFinished(QDBusPendingCallWatcher* call, const QString& shownName);
    void setLastPicked(const QString& name);

    QToolBar* m_drivesToolbar = nullptr;
    QList<QToolButton*> m_buttons;
    QList<QAction*> m_buttonActions;
    QLabel* m_sourceDriveLabel = nullptr;
    QComboBox* m_drivesFullList = nullptr;

    VolumeSource m_source;
    std::optional<Platform::VolumeOrigin> m_origin; // unset for a scripted source
    QPointer<Platform::VolumeWatcher> m_watcher;
    DriveChoice m_choice;
    QString m_lastPicked;   // drive name the user picked last, chosen first by ShowDevices
    QString m_rememberedAs; // settings key that keeps m_lastPicked across runs; empty: none
    QString m_mounting;     // handle of the file system being mounted
    QString m_justMounted;  // mount point to choose at the next listing, after a mount the user asked for
    bool m_showRemovables = true;
    bool m_mountReadOnly = true;
    bool m_listed = false;
    int m_generation = 0;
    QString m_mountNotAllowed = QStringLiteral("You are not allowed to mount %1.");
    QString m_mountUnreadable = QStringLiteral(
        "%1 could not be mounted: its file system is damaged or of a kind this system cannot read.");
    QString m_mountFailed = QStringLiteral("%1 could not be mounted.");
    // Fires when the picker goes, so a volume query still waiting is given up.
    std::unique_ptr<Platform::Abandon> m_abandon = std::make_unique<Platform::Abandon>();
};
