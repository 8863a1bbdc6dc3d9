#include "DriveChoice.h"

#include "DriveTypeNames.h"

#include <QStringList>

#include <algorithm>

namespace {

// What the pointer shows over a drive: the drive, then the volume's label or share.
QString tooltipOf(const Platform::Volume& v)
{
    QStringList parts;
    if (!v.description.isEmpty())
        parts.append(v.description);
    if ((v.ready || !v.mounted) && !v.label.isEmpty() && v.label != v.description)
        parts.append(v.label);
    return parts.join(QLatin1Char('\n'));
}

} // namespace

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
        row.tooltip = tooltipOf(v);
        const QString shown = row.root.isEmpty() ? QStringLiteral("/") : row.root;
        // The type name, then the state of a drive that is not mounted; empty words are left out.
        QStringList words;
        if (const QString typeName = DriveTypeNames::name(row.type); !typeName.isEmpty())
            words.append(typeName);
        if (!v.mounted) {
            const QString& state = v.canBeMounted() ? m_words.notMounted : m_words.notReady;
            if (!state.isEmpty())
                words.append(state);
        }
        const QString named = v.description.isEmpty() || v.description == shown
                                  ? shown
                                  : shown + QStringLiteral(" (") + v.description + QLatin1Char(')');
        row.text = (QStringList{named} + words).join(QStringLiteral(" - "));
        // One line each for the narrow toolbar: mount point, type name, state.
        row.buttonText = (QStringList{shown} + words).join(QLatin1Char('\n'));
        row.usable = isUsable(v);
        if (v.canBeMounted())
            row.mountHandle = v.mountHandle;
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

bool DriveChoice::rebuildPreferring(const Platform::VolumeList& volumes, const QString& preferred)
{
    rebuild(volumes);
    if (preferred.isEmpty())
        return false;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (driveName(row) == preferred && row.mountHandle.isEmpty() && volumes[i].mounted) {
            pick(i + 1);
            return true;
        }
    }
    return false;
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
