#include "DriveChoice.h"

#include "DriveTypeNames.h"

#include <algorithm>

bool DriveChoice::isUsable(const Platform::Volume& volume)
{
    if (volume.type == Platform::DriveType::Removable || !volume.ready)
        return false;
    return !(volume.type == Platform::DriveType::Optical && volume.label == QLatin1String("Audio CD"));
}

void DriveChoice::rebuild(const Platform::VolumeList& volumes)
{
    m_rows.clear();
    m_index = 1;
    bool searching = true;
    for (const Platform::Volume& v : volumes) {
        Row row;
        row.type = v.driveTypeCode();
        row.root = v.root.endsWith(QLatin1Char('/')) ? v.root.chopped(1) : v.root;
        row.tooltip = v.ready ? v.label : QString();
        const QString shown = row.root.isEmpty() ? QStringLiteral("/") : row.root;
        const QString typeName = DriveTypeNames::name(row.type);
        row.text = typeName.isEmpty() ? shown : shown + QStringLiteral(" - ") + typeName;
        row.usable = isUsable(v);
        m_rows.append(row);
        if (searching) {
            if (row.usable)
                searching = false;
            else
                ++m_index;
        }
    }
    m_noneUsable = searching;
    m_name = m_noneUsable ? QStringLiteral("/") : driveName(m_rows[m_index - 1]);
}

void DriveChoice::pick(int position)
{
    if (position < 1 || position > m_rows.size())
        return;
    m_index = position;
    m_name = driveName(m_rows[position - 1]);
    m_noneUsable = false;
}

int DriveChoice::toolbarCount() const
{
    return std::min(static_cast<int>(m_rows.size()), ToolbarButtons);
}

int DriveChoice::pressedButton() const
{
    return m_index >= 1 && m_index <= toolbarCount() ? m_index : 0;
}

int DriveChoice::matchingRow() const
{
    // "/" stands for no volume when nothing was usable, even if the root file system is listed.
    if (m_noneUsable && m_name == QLatin1String("/"))
        return -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (driveName(m_rows[i]) == m_name)
            return i;
    }
    return -1;
}
