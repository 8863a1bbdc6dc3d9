#pragma once

#include "JobAssembly.h"
#include "pages/WizardPage.h"

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTabBar;
class QTreeWidget;
class isButton;

// The disc page: a tab strip over the disc drive to copy from and the temporary folder with the
// drives of this computer.
class DiscPageWidget : public WizardPage
{
    Q_OBJECT

public:
    enum Tab
    {
        DiscTab = 0,
        TempTab = 1,
    };

    explicit DiscPageWidget(QWidget* parent = nullptr);

    QTabBar* tabs() const { return m_tabs; }
    QComboBox* sourceDrives() const { return m_sourceDrives; }
    QLineEdit* tempFolder() const { return m_tempFolder; }

    // The tabs of the whole-disc copy (both) or of the temporary-folder route (that one alone).
    void showBothTabs(const TextRegister& texts);
    void showTempTabOnly(const TextRegister& texts);
    // Shows the frame of a tab; the temporary folder's lists the drives afresh.
    void showFrame(Tab tab);
    void fillDriveInfoList();
    // Lists the optical drives with their mounted discs (pictures of the page).
    void fillDiscDrives();
    void applyTexts(const TextRegister& texts) override;

Q_SIGNALS:
    void tabClicked(int tab);
    void folderDialogRequested();

private:
    QTabBar* m_tabs = nullptr;
    std::array<QFrame*, 2> m_frames{};
    std::array<QLabel*, 4> m_labels{};
    QComboBox* m_sourceDrives = nullptr;
    QLineEdit* m_tempFolder = nullptr;
    isButton* m_browse = nullptr;
    QTreeWidget* m_driveList = nullptr;
    QList<JobAssembly::DriveInfoColumn> m_columns; // titles in the current language
};
