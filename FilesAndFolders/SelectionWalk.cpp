#include "SelectionWalk.h"

#include "FolderListing.h"
#include "FolderReader.h"

#include <QFile>

#include <sys/stat.h>

#include <stdexcept>

void SelectionWalk::startBuild()
{
    m_count = 0;
    m_totalSize = 0;
    m_limitReached = false;
}

bool SelectionWalk::append(const QString& entry)
{
    if (m_count >= m_limit) {
        m_limitReached = true;
        return false;
    }
    const auto at = static_cast<size_t>(m_count);
    if (at < m_entries.size())
        m_entries[at] = entry;
    else
        m_entries.push_back(entry);
    ++m_count;
    return true;
}

bool SelectionWalk::addFile(const QString& path, qint64 size)
{
    if (!append(path))
        return false;
    if (m_progress)
        m_progress(path);
    m_totalSize += static_cast<double>(size);
    return true;
}

bool SelectionWalk::getFileNames(const QString& a, const QString& b)
{
    QString folder = a + b;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (cancelled())
        return false;
    const FolderContents contents = FolderReader::read(folder);
    // What a damaged folder gave before it failed is still collected; the call then reports false.
    if (!contents.ok && !contents.partial)
        return false;

    for (const FolderContents::File& file : contents.files) {
        if (FolderListing::isHidden(file.name) && !m_showHidden)
            continue;
        if (cancelled() || !addFile(folder + file.name, file.size))
            return false;
    }
    // Links to folders are left out: following them can loop for ever or leave the medium.
    QStringList subfolders;
    subfolders.reserve(contents.folders.size());
    for (const QString& name : contents.folders)
        subfolders.append(folder + name + QLatin1Char('/'));
    for (const QString& sub : subfolders) {
        if (cancelled() || !append(FolderMark + sub))
            return false;
        getFileNames(sub, QString());
        if (m_limitReached)
            return false;
    }
    return contents.ok;
}

bool SelectionWalk::createListOfSelected(const QString& currentPath, const QStringList& selectedNames)
{
    startBuild();
    for (const QString& name : selectedNames) {
        if (cancelled())
            break;
        const QString full = currentPath + name;
        struct stat st
        {
        };
        // A selected link to a folder is walked (the user chose it); links below it are not.
        if (::stat(QFile::encodeName(full).constData(), &st) != 0)
            continue; // gone or unreadable since it was listed
        if (S_ISDIR(st.st_mode)) {
            if (!append(FolderMark + full))
                break;
            getFileNames(currentPath, name);
        } else if (S_ISREG(st.st_mode)) {
            if (!addFile(full, static_cast<qint64>(st.st_size)))
                break;
        }
        if (m_limitReached)
            break;
    }
    if (m_limitReached)
        throw std::length_error("the selection is larger than the entry limit");
    return m_count > 0;
}

bool SelectionWalk::createFilesList(const QString& currentPath)
{
    startBuild();
    getFileNames(currentPath, QString());
    return m_count > 0 && !m_limitReached;
}

QString SelectionWalk::selectedItemName(int index) const
{
    if (index < 1 || index > MaxEntries)
        throw std::out_of_range("selection entry outside 1 to 1000000");
    const auto at = static_cast<size_t>(index - 1);
    return at < m_entries.size() ? m_entries[at] : QString();
}
