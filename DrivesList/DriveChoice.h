#pragma once

#include "Volume.h"

#include <QList>
#include <QString>

// The drive picker's rows and its choice, without widgets: which volumes are listed, how each
// row reads, which are usable, which one is chosen first and what a pick sets.
class DriveChoice
{
public:
    static constexpr int ToolbarButtons = 3;

    struct Row
    {
        QString root; // root table entry: the mount point without its closing "/" ("" for "/")
        // "/media/usb (SanDisk Cruzer) - Removable"; the bare mount point when the type name is "";
        // "/dev/sdb1 (Kingston DataTraveler) - Removable - not mounted" for a file system to mount.
        QString text;
        QString buttonText; // the toolbar's caption: the mount point over the type name
        int type = 0;       // drive type code, picture number type + 1
        QString tooltip;    // drive, volume label or share; "" when not ready and nothing is known
        bool usable = false;
        QString mountHandle; // set for a file system that is present but not mounted

        bool operator==(const Row&) const = default;
    };

    // The words for the states of a drive; the host puts them into the user's language.
    struct StateWords
    {
        QString notMounted = QStringLiteral("not mounted");
        QString notReady = QStringLiteral("not ready");
    };
    void setStateWords(const StateWords& words) { m_words = words; }
    const StateWords& stateWords() const { return m_words; }

    // Rebuilds the rows from `volumes` in their order and chooses the first usable one. Without a
    // usable volume the index ends one past the last row and the drive name is "/" alone, which
    // chooses no row.
    void rebuild(const Platform::VolumeList& volumes);

    // Rebuilds the rows and chooses the row of drive name `preferred` when it is listed and
    // mounted; otherwise the first usable one. True when `preferred` was kept.
    bool rebuildPreferring(const Platform::VolumeList& volumes, const QString& preferred);

    // The user picked row `position` (1-based) on the toolbar or in the combo box.
    void pick(int position);

    const QList<Row>& rows() const { return m_rows; }
    int toolbarCount() const;

    int currentDriveIndex() const { return m_index; }
    void setCurrentDriveIndex(int index) { m_index = index; }
    QString currentDriveName() const { return m_name; }
    void setCurrentDriveName(const QString& name)
    {
        m_name = name;
        m_noneUsable = false;
    }

    // Toolbar button (1 to 3) shown pressed for the current index; 0 for none.
    int pressedButton() const;
    // Row (0-based) whose drive name equals the current drive name; -1 for none.
    int matchingRow() const;

    // The drive name a row stands for: its mount point with a closing "/".
    static QString driveName(const Row& row) { return row.root + QLatin1Char('/'); }
    // Usable for the first choice: mounted and answering, not removable, not an audio CD.
    static bool isUsable(const Platform::Volume& volume);

private:
    StateWords m_words;
    QList<Row> m_rows;
    int m_index = 1;
    QString m_name;
    bool m_noneUsable = false;
};
