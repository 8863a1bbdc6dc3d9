#include "FolderReader.h"

#include "FileNames.h"
#include "PathAt.h"
#include "UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {

struct DirCloser
{
    void operator()(DIR* d) const { ::closedir(d); }
};

using Kind = FolderContents::Other::Kind;

} // namespace

bool FolderReader::nameLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

FolderContents FolderReader::read(const QString& folder)
{
    const Platform::PathAt at = Platform::PathAt::of(Platform::FileNames::toBytes(folder));
    Platform::UniqueFd fd;
    if (at.ok())
        fd.reset(::openat(at.folder(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        FolderContents failed;
        failed.error = at.ok() ? errno : at.error();
        return failed;
    }
    return readAt(fd.get());
}

FolderContents FolderReader::readAt(int folderFd)
{
    FolderContents contents;
    // readdir needs a descriptor of its own; the caller's stays open for openat.
    Platform::UniqueFd fd(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    if (!fd) {
        contents.error = errno;
        return contents;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd.get()));
    if (!dir) {
        contents.error = errno;
        return contents;
    }
    fd.release(); // closedir closes it now
    ::rewinddir(dir.get());
    for (;;) {
        // readdir tells the end from a failure only through errno.
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) {
            contents.error = errno;
            contents.partial = errno != 0;
            break;
        }
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        QString name = Platform::FileNames::fromBytes(raw);
        struct stat own
        {
        };
        if (::fstatat(folderFd, raw, &own, AT_SYMLINK_NOFOLLOW) != 0) {
            contents.others.append({std::move(name), Kind::Unexamined, errno});
            continue;
        }
        if (S_ISDIR(own.st_mode)) {
            contents.folders.append(std::move(name));
        } else if (S_ISREG(own.st_mode)) {
            contents.files.append({std::move(name), static_cast<qint64>(own.st_size)});
        } else if (S_ISLNK(own.st_mode)) {
            struct stat target
            {
            };
            if (::fstatat(folderFd, raw, &target, 0) != 0)
                contents.others.append({std::move(name), Kind::BrokenLink, errno});
            else if (S_ISDIR(target.st_mode))
                contents.linkedFolders.append(std::move(name));
            else if (S_ISREG(target.st_mode))
                contents.files.append({std::move(name), static_cast<qint64>(target.st_size)});
            else
                contents.others.append({std::move(name), Kind::Special, 0});
        } else {
            contents.others.append({std::move(name), Kind::Special, 0});
        }
    }
    std::sort(contents.folders.begin(), contents.folders.end(), nameLess);
    std::sort(contents.linkedFolders.begin(), contents.linkedFolders.end(), nameLess);
    std::sort(contents.files.begin(), contents.files.end(),
              [](const FolderContents::File& a, const FolderContents::File& b) {
                  return nameLess(a.name, b.name);
              });
    std::sort(contents.others.begin(), contents.others.end(),
              [](const FolderContents::Other& a, const FolderContents::Other& b) {
                  return nameLess(a.name, b.name);
              });
    contents.ok = !contents.partial;
    return contents;
}
