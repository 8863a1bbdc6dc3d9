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
        QString root;    // root table entry: the mount point without its closing "/" ("" for "/")
        QString text;    // "/media/usb - Removable"; the bare mount point when the type name is ""
        int type = 0;    // drive type code, picture number type + 1
        QString tooltip; // volume label, or the share of a network volume; "" when not ready
        bool usable = false;
    };

    // Rebuilds the rows from `volumes` in their order and chooses the first usable one. Without a
    // usable volume the index ends one past the last row and the drive name is "/" alone, which
    // chooses no row.
    void rebuild(const Platform::VolumeList& volumes);

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
    QList<Row> m_rows;
    int m_index = 1;
    QString m_name;
    bool m_noneUsable = false;
};
