#pragma once

#include "LeftOutItem.h"
#include "NavigationHistory.h"
#include "SelectionWalk.h"
#include "TypeIconCache.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace Platform {
class Abandon;
}
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolBar;
class QToolButton;

// The file browser: one folder of one volume with type icons, navigation (double click, Enter,
// Backspace, back, up, new folder) and the export of the selection as an ordered entry list.
// Folder reads and selection walks run off the window's thread; the window keeps repainting and
// shows each collected file on the path line while it waits.
class FilesAndFoldersList : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString CurrentPath READ CurrentPath WRITE setCurrentPath)
    Q_PROPERTY(bool ShowHidden READ ShowHidden WRITE setShowHidden)
    Q_PROPERTY(bool AllowCreateFolders READ AllowCreateFolders WRITE setAllowCreateFolders)
    Q_PROPERTY(bool AllowMultySelect READ AllowMultySelect WRITE setAllowMultySelect)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)
    Q_PROPERTY(int Items_Count READ Items_Count)
    Q_PROPERTY(double Items_TotalSize READ Items_TotalSize)

public:
    static constexpr int TextCount = 100;
    // Item data of each row of FilesList.
    static constexpr int ImageRole = Qt::UserRole + 1;    // image number in ImageList1
    static constexpr int IsFolderRole = Qt::UserRole + 2; // bool
    static constexpr int NameRole = Qt::UserRole + 3;     // the name with its bytes kept (the
                                                          // row's text shows odd bytes escaped)
    static constexpr int IsOtherRole = Qt::UserRole + 4;  // bool: neither a file nor a folder
    // Text of the "Show hidden files" switch.
    static constexpr int ShowHiddenText = 20;

    explicit FilesAndFoldersList(QWidget* parent = nullptr);
    ~FilesAndFoldersList() override;

    QString CurrentPath() const { return m_currentPath; }
    // Stores the path and lists it at once.
    void setCurrentPath(const QString& path);
    // Lists the current path (a path without a closing "/" gets one).
    void ShowFilesList();

    // Whether hidden files are listed and collected. The switch in the toolbar (Ctrl+H) shows
    // it and lists the folder again when the user turns it.
    bool ShowHidden() const { return m_showHidden; }
    void setShowHidden(bool show);
    bool AllowCreateFolders() const { return m_allowCreateFolders; }
    void setAllowCreateFolders(bool allow);
    bool AllowMultySelect() const { return m_allowMultySelect; }
    void setAllowMultySelect(bool allow);
    // Character-set codes are stored and returned as given; the text itself is Unicode.
    int FontCharSet() const { return m_fontCharSet; }
    void setFontCharSet(int charSet) { m_fontCharSet = charSet; }

    // Text `index` (1 to 100); throws std::out_of_range outside. 1 rewrites the path line,
    // 3, 7 and 8 set the tooltips of the new-folder, back and up buttons, 20 the caption of the
    // "Show hidden files" switch.
    void setLangValue(int index, const QString& text);

    // The selected rows with everything below the selected folders; true when anything came.
    // Throws std::length_error when the list reached its 1,000,000 entries.
    bool CreateListOfSelected();
    // Everything below the current path; true when anything came and the list was not cut.
    bool CreateFilesList();
    // Appends the contents of folder a + b; false when a folder could not be read.
    bool GetFileNames(const QString& a, const QString& b);
    // Entry `index` (1 to 1,000,000) of the list; throws std::out_of_range outside.
    QString SelectedItemName(int index) const;
    int Items_Count() const { return m_itemsCount; }
    double Items_TotalSize() const { return m_itemsTotalSize; }
    // What the last build could not take, with the reason.
    const QList<LeftOutItem>& LeftOut() const { return m_leftOut; }

    // A selection build is running (the window keeps serving events meanwhile).
    bool isBuilding() const { return m_building; }
    // The images of ImageList1; image n is at n - 1.
    const QList<QIcon>& imageList() const { return m_imageList1; }
    // Caps the selection list below 1,000,000 entries (tests of the limit).
    void setEntryLimit(int limit);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString text(int index) const { return m_texts[static_cast<size_t>(index - 1)]; }
    void updatePathLine();
    void showPanel();
    void openItem(QListWidgetItem* item);
    void moveTo(const QString& path);
    void goBack();
    void goUp();
    void createFolder();
    QIcon typeIcon(const QString& fullPath) const;
    QString selectedName(const QListWidgetItem* item) const;
    bool runBuild(const std::function<bool(SelectionWalk&)>& build, bool restorePathLine);

    QToolBar* m_navigationButtons = nullptr;
    QToolButton* m_backButton = nullptr;
    QToolButton* m_upButton = nullptr;
    QToolButton* m_newFolderButton = nullptr;
    QToolButton* m_showHiddenButton = nullptr;
    QAction* m_newFolderAction = nullptr;
    QListWidget* m_filesList = nullptr;
    QLineEdit* m_pathCaption = nullptr;
    QFrame* m_errorMes = nullptr;
    QLabel* m_errMesCap = nullptr;
    QPushButton* m_command1 = nullptr;
    QList<QIcon> m_imageList1;

    QString m_currentPath = QStringLiteral("/");
    bool m_showHidden = false;
    bool m_allowCreateFolders = true;
    bool m_allowMultySelect = false;
    int m_fontCharSet = 0;
    std::array<QString, TextCount> m_texts;
    NavigationHistory m_history;
    TypeIconCache m_iconCache;
    int m_listingGeneration = 0;
    // Goes with the browser, so that a folder read or a walk still waited for is given up.
    Platform::Abandon* m_abandon = nullptr;

    std::shared_ptr<SelectionWalk> m_walk;
    std::shared_ptr<std::atomic<bool>> m_cancelBuild;
    bool m_building = false;
    int m_itemsCount = 0;
    double m_itemsTotalSize = 0;
    QList<LeftOutItem> m_leftOut;
};
