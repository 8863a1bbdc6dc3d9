#include "FolderReader.h"

#include "UniqueFd.h"

#include <QFile>

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

} // namespace

bool FolderReader::nameLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

FolderContents FolderReader::read(const QString& folder)
{
    FolderContents contents;
    Platform::UniqueFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return contents;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd.get()));
    if (!dir)
        return contents;
    fd.release(); // closedir closes it now
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        // readdir tells the end from a failure only through errno.
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) {
            contents.partial = errno != 0;
            break;
        }
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        const QString name = QFile::decodeName(raw);
        struct stat own
        {
        };
        if (::fstatat(dirFd, raw, &own, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(own.st_mode)) {
            contents.folders.append(name);
        } else if (S_ISREG(own.st_mode)) {
            contents.files.append({name, static_cast<qint64>(own.st_size)});
        } else if (S_ISLNK(own.st_mode)) {
            struct stat target
            {
            };
            if (::fstatat(dirFd, raw, &target, 0) != 0)
                continue;
            if (S_ISDIR(target.st_mode))
                contents.linkedFolders.append(name);
            else if (S_ISREG(target.st_mode))
                contents.files.append({name, static_cast<qint64>(target.st_size)});
        }
    }
    std::sort(contents.folders.begin(), contents.folders.end(), nameLess);
    std::sort(contents.linkedFolders.begin(), contents.linkedFolders.end(), nameLess);
    std::sort(contents.files.begin(), contents.files.end(),
              [](const FolderContents::File& a, const FolderContents::File& b) {
                  return nameLess(a.name, b.name);
              });
    contents.ok = !contents.partial;
    return contents;
}
