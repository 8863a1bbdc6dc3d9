#pragma once

#include "DriveChoice.h"
#include "Volume.h"

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QToolBar;
class QToolButton;

// The drive picker: every mounted volume in a combo box, the first three also as large picture
// buttons on a toolbar, the first usable volume chosen, and DriveChanged when the user picks.
// Volumes are queried off the window's thread; a volume that does not answer within the query
// limit is listed as not ready and the window keeps repainting meanwhile.
class DrivesList : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString CurrentDriveName READ CurrentDriveName WRITE setCurrentDriveName)
    Q_PROPERTY(int CurrentDriveIndex READ CurrentDriveIndex WRITE setCurrentDriveIndex)
    Q_PROPERTY(bool ShowRemovables READ ShowRemovables WRITE setShowRemovables)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)

public:
    // Where the volumes come from: Platform::Volumes::list() unless a test scripts them. Called on
    // a worker thread.
    using VolumeSource = std::function<Platform::VolumeList()>;

    explicit DrivesList(QWidget* parent = nullptr);
    ~DrivesList() override;

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

    // Rebuilds both views and chooses the first usable volume; DriveChanged is not raised.
    void ShowDevices();

    // Index 1 sets the caption above the combo box; any other index does nothing.
    void LangValue(const QString& text, int index);
    // Index 0 sets the caption; 1 to 6 the name of drive type index - 1 (shared by every picker,
    // shown from the next ShowDevices); other indexes are ignored.
    void setLang(int index, const QString& text);

    // Shared by every picker: the last value written through any of them.
    int FontCharSet() const;
    void setFontCharSet(int charSet);

    // The type pictures (ImageList2): picture n, for drive type n - 1, at n - 1.
    const QList<QPixmap>& imageList() const;
    const DriveChoice& choice() const { return m_choice; }

Q_SIGNALS:
    // The user picked a volume on the toolbar or in the combo box.
    void DriveChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillViews();
    void showPressedButton();
    void selectMatchingComboItem();
    void toolbarPicked(int position);
    void comboPicked(int row);

    QToolBar* m_drivesToolbar = nullptr;
    QList<QToolButton*> m_buttons;
    QList<QAction*> m_buttonActions;
    QLabel* m_sourceDriveLabel = nullptr;
    QComboBox* m_drivesFullList = nullptr;

    VolumeSource m_source;
    DriveChoice m_choice;
    bool m_showRemovables = true;
    int m_generation = 0;
    // Set when the picker goes, so a volume query still waiting is given up.
    std::shared_ptr<std::atomic<bool>> m_gone = std::make_shared<std::atomic<bool>>(false);
};
