#include "Volumes.h"

#include "BoundedCall.h"
#include "PathRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <future>
#include <optional>

namespace Platform {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as octal.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

bool isUnderKernelTree(const QString& mountPoint)
{
    return mountPoint == QLatin1String("/proc") || mountPoint.startsWith(QLatin1String("/proc/")) ||
           mountPoint == QLatin1String("/sys") || mountPoint.startsWith(QLatin1String("/sys/")) ||
           mountPoint.startsWith(QLatin1String("/dev/pts"));
}

// A block device is removable when sysfs says so for it or its whole disk, or when it hangs off USB.
bool sysfsRemovable(const QString& majorMinor)
{
    const QString link = QStringLiteral("/sys/dev/block/") + majorMinor;
    const QString real = QFileInfo(link).canonicalFilePath();
    if (real.isEmpty())
        return false;
    if (real.contains(QLatin1String("/usb")))
        return true;
    for (const QString& dir : {real, QFileInfo(real).path()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1";
    }
    return false;
}

QString labelOfDevice(const QString& device)
{
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty() || !byLabel.exists())
        return {};
    const auto names = byLabel.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (QFileInfo(byLabel.filePath(name)).canonicalFilePath() == target)
            return unescapeMountField(name.toUtf8().replace("\\x20", "\\040"));
    }
    return {};
}

struct SizeAnswer
{
    bool ok = false;
    qint64 total = 0;
    qint64 free = 0;
};

SizeAnswer querySizes(const QString& root)
{
    struct statvfs st
    {
    };
    if (::statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return {};
    const auto unit = static_cast<qint64>(st.f_frsize ? st.f_frsize : st.f_bsize);
    return {true, static_cast<qint64>(st.f_blocks) * unit, static_cast<qint64>(st.f_bavail) * unit};
}

QString canonicalWithin(const QString& path, std::chrono::milliseconds limit)
{
    const QByteArray encoded = QFile::encodeName(path);
    const auto real = callWithin(limit, [encoded]() -> QByteArray {
        char buffer[PATH_MAX];
        if (::realpath(encoded.constData(), buffer) == nullptr)
            return {};
        return QByteArray(buffer);
    });
    if (!real || real->isEmpty())
        return QDir::cleanPath(path);
    return QFile::decodeName(*real);
}

} // namespace

VolumeList Volumes::parseMountInfo(const QByteArray& mountInfo,
                                   const std::function<bool(const QString&)>& removable)
{
    VolumeList volumes;
    const auto lines = mountInfo.split('\n');
    for (const QByteArray& line : lines) {
        const auto fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 2 >= fields.size())
            continue;
        const QString majorMinor = QString::fromLatin1(fields[2]);
        const QString mountPoint = unescapeMountField(fields[4]);
        const QString fs = unescapeMountField(fields[dash + 1]);
        const QString source = unescapeMountField(fields[dash + 2]);
        if (isPseudoFileSystem(fs) || isUnderKernelTree(mountPoint))
            continue;

        Volume v;
        v.root = PathRules::withClosingSlash(mountPoint);
        v.fileSystem = fs;
        v.device = source;
        const bool blockDevice = source.startsWith(QLatin1String("/dev/"));
        v.type = classifyDrive(fs, source, blockDevice && removable && removable(majorMinor));
        if (v.type == DriveType::Network)
            v.label = source;
        v.ready = true;

        auto same = std::find_if(volumes.begin(), volumes.end(),
                                 [&](const Volume& other) { return other.root == v.root; });
        if (same != volumes.end())
            *same = v;
        else
            volumes.append(v);
    }
    return volumes;
}

VolumeList Volumes::unmountedOpticalDrives(const VolumeList& mounted)
{
    VolumeList drives;
    const QDir sysBlock(QStringLiteral("/sys/block"));
    const auto names = sysBlock.entryList({QStringLiteral("sr*")}, QDir::Dirs | QDir::System);
    for (const QString& name : names) {
        const QString device = QStringLiteral("/dev/") + name;
        const bool isMounted =
            std::any_of(mounted.begin(), mounted.end(), [&](const Volume& v) { return v.device == device; });
        if (isMounted)
            continue;
        Volume v;
        v.root = device;
        v.device = device;
        v.type = DriveType::Optical;
        v.ready = false;
        drives.append(v);
    }
    return drives;
}

VolumeList Volumes::mounts()
{
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    VolumeList volumes = parseMountInfo(f.readAll(), sysfsRemovable);
    volumes += unmountedOpticalDrives(volumes);
    return volumes;
}

VolumeList Volumes::list(std::chrono::milliseconds limit)
{
    VolumeList volumes = mounts();
    // Start every size query first, then collect: the slowest volume, not their sum, sets the wait.
    struct Pending
    {
        std::shared_ptr<std::packaged_task<SizeAnswer()>> task;
        std::future<SizeAnswer> answer;
    };
    std::vector<std::optional<Pending>> pending(static_cast<size_t>(volumes.size()));
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        if (!volumes[i].ready)
            continue;
        const QString root = volumes[i].root;
        auto task = std::make_shared<std::packaged_task<SizeAnswer()>>([root] { return querySizes(root); });
        auto future = task->get_future();
        std::thread([task] { (*task)(); }).detach();
        pending[static_cast<size_t>(i)] = Pending{task, std::move(future)};
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        auto& p = pending[static_cast<size_t>(i)];
        if (!p)
            continue;
        Volume& v = volumes[i];
        if (p->answer.wait_until(deadline) != std::future_status::ready) {
            v.ready = false;
            continue;
        }
        const SizeAnswer sizes = p->answer.get();
        v.ready = sizes.ok;
        v.totalBytes = sizes.total;
        v.freeBytes = sizes.free;
        if (v.label.isEmpty() && v.device.startsWith(QLatin1String("/dev/")))
            v.label = labelOfDevice(v.device);
    }
    return volumes;
}

Volume Volumes::volumeOf(const QString& path, const VolumeList& volumes)
{
    const QString p = PathRules::withClosingSlash(QDir::cleanPath(path));
    const Volume* best = nullptr;
    for (const Volume& v : volumes) {
        if (!v.root.endsWith(QLatin1Char('/')) || !p.startsWith(v.root))
            continue;
        if (!best || v.root.size() > best->root.size())
            best = &v;
    }
    return best ? *best : Volume{};
}

Volume Volumes::volumeOf(const QString& path)
{
    return volumeOf(canonicalWithin(path, std::chrono::milliseconds(500)), mounts());
}

bool Volumes::sameVolume(const QString& a, const QString& b)
{
    const VolumeList volumes = mounts();
    const Volume va = volumeOf(canonicalWithin(a, std::chrono::milliseconds(500)), volumes);
    const Volume vb = volumeOf(canonicalWithin(b, std::chrono::milliseconds(500)), volumes);
    return !va.root.isEmpty() && va.root == vb.root;
}

} // namespace Platform
