#include "Volumes.h"

#include "Background.h"
#include "MountTable.h"
#include "PathRules.h"
#include "UDisks2Client.h"

#include <QDir>
#include <QFile>

#include <sys/statvfs.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace Platform {

namespace {

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

// Asks every mounted volume for its sizes at once: the slowest volume, not their sum, sets the wait.
void addSizes(VolumeList& volumes, std::chrono::milliseconds limit)
{
    std::vector<std::optional<Background::Pending<SizeAnswer>>> pending(static_cast<size_t>(volumes.size()));
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        if (volumes[i].ready)
            pending[static_cast<size_t>(i)] =
                Background::start([root = volumes[i].root] { return querySizes(root); });
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        auto& p = pending[static_cast<size_t>(i)];
        if (!p)
            continue;
        Volume& v = volumes[i];
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!p->waitFor(std::max(left, std::chrono::milliseconds(0)))) {
            v.ready = false;
            continue;
        }
        const SizeAnswer sizes = p->take();
        v.ready = sizes.ok;
        v.totalBytes = sizes.total;
        v.freeBytes = sizes.free;
    }
}

int kindRank(DriveType type)
{
    switch (type) {
    case DriveType::Fixed:
        return 0;
    case DriveType::Removable:
        return 1;
    case DriveType::Optical:
        return 2;
    case DriveType::Network:
        return 3;
    case DriveType::RamDisk:
        return 4;
    case DriveType::Unknown:
        break;
    }
    return 5;
}

QString canonicalWithin(const QString& path, std::chrono::milliseconds limit)
{
    const QByteArray encoded = QFile::encodeName(path);
    const auto real = Background::callWithin(limit, [encoded]() -> QByteArray {
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

VolumeOrigin VolumeOrigin::thisMachine()
{
    return {QDBusConnection::systemBus(), MountTable::defaultPath(), QDir::homePath()};
}

VolumeList Volumes::list(std::chrono::milliseconds limit)
{
    return list(VolumeOrigin::thisMachine(), limit);
}

VolumeList Volumes::list(const VolumeOrigin& origin, std::chrono::milliseconds limit)
{
    const MountTable table(origin.mountTable);
    VolumeList volumes;
    if (std::optional<VolumeList> disks = UDisks2Client(origin.bus).volumes(origin.home)) {
        volumes = std::move(*disks);
        // The disk service knows block devices only: shares, the user's FUSE and RAM mounts and a
        // container's root come from the mount table.
        const VolumeList others = table.userVisible(origin.home);
        for (const Volume& v : others) {
            const bool known = std::any_of(volumes.begin(), volumes.end(), [&](const Volume& d) {
                return d.root == v.root ||
                       (d.device == v.device && v.device.startsWith(QLatin1String("/dev/")));
            });
            if (!known && !v.device.startsWith(QLatin1String("/dev/")))
                volumes.append(v);
        }
    } else {
        volumes = table.userVisible(origin.home);
    }
    addSizes(volumes, limit);
    sortForPicker(volumes);
    return volumes;
}

void Volumes::sortForPicker(VolumeList& volumes)
{
    std::stable_sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        const int ka = kindRank(a.type);
        const int kb = kindRank(b.type);
        if (ka != kb)
            return ka < kb;
        if (a.mounted != b.mounted)
            return a.mounted;
        return a.root < b.root;
    });
}

VolumeList Volumes::mounts()
{
    VolumeList volumes = MountTable().all();
    volumes += MountTable::unmountedOpticalDrives(volumes);
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
