#include "SelectionWalk.h"

#include "FileNames.h"
#include "FolderListing.h"
#include "FolderReader.h"
#include "PathAt.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

namespace {

// Deeper than this, a folder's descriptor is closed while its subfolders are walked and opened
// again through ".." afterwards, so a tree thousands of levels deep needs only this many.
constexpr size_t OpenLevels = 64;

using Reason = LeftOutItem::Reason;

Platform::UniqueFd openFolderAt(int at, const char* name, int extraFlags)
{
    return Platform::UniqueFd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags));
}

} // namespace

struct SelectionWalk::Level
{
    Platform::UniqueFd fd;
    QString path; // ends in "/"
    QStringList subfolders;
    qsizetype next = 0; // the subfolder to walk next
    dev_t device = 0;
    ino_t inode = 0;
};

void SelectionWalk::startBuild()
{
    m_count = 0;
    m_totalSize = 0;
    m_limitReached = false;
    m_leftOut.clear();
}

bool SelectionWalk::append(const QString& entry)
{
    if (m_count >= m_limit) {
        m_limitReached = true;
        return false;
    }
    m_entries.set(m_count, entry);
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

void SelectionWalk::leaveOut(const QString& path, Reason reason, int error)
{
    if (error == ENAMETOOLONG)
        reason = Reason::PathTooLong;
    m_leftOut.append({path, reason, error});
}

bool SelectionWalk::takeContents(Level& level)
{
    const FolderContents contents = FolderReader::readAt(level.fd.get());
    if (!contents.ok && !contents.partial) {
        leaveOut(level.path, Reason::FolderNotRead, contents.error);
        return false;
    }
    // What a damaged folder gave before it failed is still collected; the folder is reported.
    if (contents.partial)
        leaveOut(level.path, Reason::FolderReadInPart, contents.error);
    for (const FolderContents::File& file : contents.files) {
        if (cancelled())
            return false;
        if (FolderListing::isHidden(file.name) && !m_showHidden) {
            leaveOut(level.path + file.name, Reason::Hidden);
            continue;
        }
        if (!addFile(level.path + file.name, file.size))
            return false;
    }
    using Kind = FolderContents::Other::Kind;
    for (const FolderContents::Other& other : contents.others) {
        if (FolderListing::isHidden(other.name) && !m_showHidden && other.kind != Kind::Unexamined) {
            leaveOut(level.path + other.name, Reason::Hidden);
            continue;
        }
        const Reason reason = other.kind == Kind::Special      ? Reason::NotAFile
                              : other.kind == Kind::BrokenLink ? Reason::BrokenLink
                                                               : Reason::NotExamined;
        leaveOut(level.path + other.name, reason, other.error);
    }
    // Links to folders are not followed: following them can loop for ever or leave the medium.
    for (const QString& name : contents.linkedFolders)
        leaveOut(level.path + name + QLatin1Char('/'), Reason::FolderLink);
    level.subfolders = contents.folders;
    return contents.ok;
}

bool SelectionWalk::walkFrom(Level root)
{
    struct stat st
    {
    };
    if (::fstat(root.fd.get(), &st) == 0) {
        root.device = st.st_dev;
        root.inode = st.st_ino;
    }
    const bool rootRead = takeContents(root);
    if (m_limitReached || cancelled())
        return false;

    // Depth first, pre-order, without recursion: a deep tree costs no stack.
    std::vector<Level> levels;
    levels.push_back(std::move(root));
    while (!levels.empty()) {
        if (cancelled())
            return false;
        Level& top = levels.back();
        if (top.next >= top.subfolders.size()) {
            Level done = std::move(levels.back());
            levels.pop_back();
            if (levels.empty())
                break;
            Level& parent = levels.back();
            if (parent.fd)
                continue;
            // The parent was closed on the way down: open it again from here and make sure it
            // is still the same folder.
            parent.fd = openFolderAt(done.fd.get(), "..", 0);
            if (!parent.fd || ::fstat(parent.fd.get(), &st) != 0 || st.st_dev != parent.device ||
                st.st_ino != parent.inode) {
                parent.fd.reset();
                for (qsizetype i = parent.next; i < parent.subfolders.size(); ++i)
                    leaveOut(parent.path + parent.subfolders[i] + QLatin1Char('/'), Reason::FolderMoved);
                parent.next = parent.subfolders.size();
            }
            continue;
        }
        const QString name = top.subfolders[top.next++];
        Level sub;
        sub.path = top.path + name + QLatin1Char('/');
        if (!append(FolderMark + sub.path))
            return false;
        // O_NOFOLLOW: a folder swapped for a link since it was read is not followed either.
        sub.fd = openFolderAt(top.fd.get(), Platform::FileNames::toBytes(name).constData(), O_NOFOLLOW);
        if (!sub.fd) {
            leaveOut(sub.path, Reason::FolderNotRead, errno);
            continue;
        }
        if (::fstat(sub.fd.get(), &st) == 0) {
            sub.device = st.st_dev;
            sub.inode = st.st_ino;
        }
        takeContents(sub);
        if (m_limitReached || cancelled())
            return false;
        if (levels.size() >= OpenLevels)
            top.fd.reset();
        levels.push_back(std::move(sub));
    }
    return rootRead;
}

bool SelectionWalk::getFileNames(const QString& a, const QString& b)
{
    Level root;
    root.path = a + b;
    if (!root.path.endsWith(QLatin1Char('/')))
        root.path += QLatin1Char('/');
    if (cancelled())
        return false;
    const Platform::PathAt at = Platform::PathAt::of(Platform::FileNames::toBytes(root.path));
    if (at.ok())
        root.fd = openFolderAt(at.folder(), at.name(), 0);
    if (!root.fd) {
        leaveOut(root.path, Reason::FolderNotRead, at.ok() ? errno : at.error());
        return false;
    }
    return walkFrom(std::move(root));
}

bool SelectionWalk::createListOfSelected(const QString& currentPath, const QStringList& selectedNames)
{
    startBuild();
    for (const QString& name : selectedNames) {
        if (cancelled())
            break;
        const QString full = currentPath + name;
        const Platform::PathAt at = Platform::PathAt::of(Platform::FileNames::toBytes(full));
        struct stat st
        {
        };
        // A selected link to a folder is walked (the user chose it); links below it are not.
        if (!at.ok() || ::fstatat(at.folder(), at.name(), &st, 0) != 0) {
            const int error = at.ok() ? errno : at.error();
            struct stat link
            {
            };
            const bool brokenLink = at.ok() &&
                                    ::fstatat(at.folder(), at.name(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
                                    S_ISLNK(link.st_mode);
            leaveOut(full, brokenLink ? Reason::BrokenLink : Reason::NotExamined, error);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (!append(FolderMark + full))
                break;
            getFileNames(currentPath, name);
        } else if (S_ISREG(st.st_mode)) {
            if (!addFile(full, static_cast<qint64>(st.st_size)))
                break;
        } else {
            leaveOut(full, Reason::NotAFile);
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

Platform::PackedTexts SelectionWalk::takeEntries()
{
    m_entries.truncate(m_count);
    m_count = 0;
    return std::exchange(m_entries, {});
}

QString SelectionWalk::selectedItemName(int index) const
{
    if (index < 1 || index > MaxEntries)
        throw std::out_of_range("selection entry outside 1 to 1000000");
    return m_entries.at(index - 1);
}
