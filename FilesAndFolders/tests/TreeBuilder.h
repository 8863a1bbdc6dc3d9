#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Builds real folder trees for the tests: "a/b.dat" makes a file (folders on the way), "a/s/"
// a folder.
inline void makeTree(const QString& root, const QStringList& paths, qint64 fileSize = 10)
{
    for (const QString& p : paths) {
        const QString full = root + QLatin1Char('/') + p;
        if (p.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(full));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(full).path()));
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(fileSize, 'x'));
    }
}

// While one lives, the process acts as an unprivileged user, so that permission bits hold even
// when the tests run as root.
class AsUnprivilegedUser
{
public:
    AsUnprivilegedUser()
    {
        if (::geteuid() == 0)
            m_switched = ::seteuid(65534) == 0;
    }
    ~AsUnprivilegedUser()
    {
        if (m_switched && ::seteuid(0) != 0)
            qFatal("could not return to root");
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    bool m_switched = false;
};

// Lets an unprivileged user into a temporary tree.
inline void openToEveryone(const QString& path)
{
    ::chmod(QFile::encodeName(path).constData(), 0755);
}

#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>

// A tree as Linux media hold them, made from raw bytes: names that are not UTF-8, two names that
// a lossy decoding would merge, files without a dot, hidden entries, a pipe, a socket, a folder
// that only root may read and a path far deeper than PATH_MAX.
namespace LinuxTree {

constexpr int DeepLevels = 3000;
constexpr int DeepFileEvery = 100; // a file every 100 levels: 30 files

inline QByteArray contentsOf(const QByteArray& relative)
{
    return QByteArray("contents of " + relative);
}

inline bool writeRaw(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && ok;
}

// The regular files (relative paths as bytes), hidden ones marked.
struct FileSpec
{
    QByteArray relative;
    bool hidden;
};

inline QList<FileSpec> plainFiles()
{
    return {
        {"Holiday\xff/p1.jpg", false},
        {"Holiday\xff/p2.jpg", false},
        {"Holiday\xff/p3.jpg", false},
        {"Holiday\xff/p4.jpg", false},
        {"Holiday\xff/p5.jpg", false},
        {"photo\xff.jpg", false},
        {"photo\xef\xbf\xbd.jpg", false},
        {"README", false},
        {"Makefile", false},
        {"f001", false},
        {".hidden.txt", true},
        {".cfg/inside.txt", false},
        {".cfg/.deeper", true},
        {"locked/secret.dat", false},
    };
}

// "deep/d/d/.../d/f0100.bin" and so on.
inline QList<QByteArray> deepFiles()
{
    QList<QByteArray> files;
    QByteArray folder = "deep";
    for (int level = 1; level <= DeepLevels; ++level) {
        folder += "/d";
        if (level % DeepFileEvery == 0)
            files.append(
                QByteArray(folder + "/f" + QByteArray::number(level).rightJustified(4, '0') + ".bin"));
    }
    return files;
}

// Builds the tree under root (a short path of valid UTF-8); the tree is open to every user, but
// "locked" is for root alone.
inline bool build(const QByteArray& root)
{
    ::chmod(root.constData(), 0755);
    for (const QByteArray& folder : {QByteArray("Holiday\xff"), QByteArray(".cfg"), QByteArray("locked")})
        if (::mkdir(QByteArray(root + '/' + folder).constData(), 0755) != 0)
            return false;
    for (const FileSpec& f : plainFiles())
        if (!writeRaw(QByteArray(root + '/' + f.relative), contentsOf(f.relative)))
            return false;
    if (::mkfifo(QByteArray(root + "/pipe").constData(), 0644) != 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QByteArray(root + "/sock");
    if (size_t(socketPath.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (s >= 0)
        ::close(s);
    if (!bound)
        return false;
    // The deep chain, made level by level through descriptors.
    int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::mkdirat(fd, "deep", 0755) != 0)
        return false;
    int next = ::openat(fd, "deep", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    for (int level = 1; level <= DeepLevels && fd >= 0; ++level) {
        if (::mkdirat(fd, "d", 0755) != 0)
            return false;
        next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        if (fd >= 0 && level % DeepFileEvery == 0) {
            const QByteArray name =
                QByteArray("f" + QByteArray::number(level).rightJustified(4, '0') + ".bin");
            const int file = ::openat(fd, name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            const QByteArray data = contentsOf(name);
            if (file < 0 || ::write(file, data.constData(), size_t(data.size())) != data.size())
                return false;
            ::close(file);
        }
    }
    if (fd < 0)
        return false;
    ::close(fd);
    return ::chmod(QByteArray(root + "/locked").constData(), 0) == 0;
}

// Removes a tree that may be deeper than PATH_MAX (rm walks it by descriptors).
inline bool remove(const QString& root)
{
    return QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), root}) == 0;
}

// A temporary folder for a tree of thousands of folders. The tests run as root and mount a small
// memory file system on it: made and dropped in a blink, where a disk journals every level. When
// the mount is refused the folder is used as it is, only slower.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        const QByteArray where = QFile::encodeName(m_dir.path());
        m_mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64m,mode=0755") == 0;
    }
    ~ScratchFolder()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
        else
            remove(m_dir.path());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace LinuxTree
