#include "DiscAccess.h"

#include "Prompt.h"
#include "UniqueFd.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace DiscAccess {

void warnIfMissing(const QString& lead, QWidget* parent)
{
    const QString missing = missingAccess(opticalDevices());
    if (missing.isEmpty())
        return;
    Prompt::show({QMessageBox::Warning, QStringLiteral("Korvalis"), lead + QStringLiteral("\n\n") + missing},
                 parent);
}

QStringList opticalDevices()
{
    QStringList devices;
    const QDir dev(QStringLiteral("/dev"));
    const auto names = dev.entryList({QStringLiteral("sr*")}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& name : names)
        devices.append(dev.filePath(name));
    return devices;
}

QString missingAccess(const QStringList& devices)
{
    QStringList lines;
    for (const QString& device : devices) {
        // O_NONBLOCK: an empty tray or a closing drive must not keep the start waiting.
        Platform::UniqueFd fd(
            ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (fd)
            continue;
        const int error = errno;
        if (error == ENOMEDIUM || error == ENXIO)
            continue; // the drive is there and answers; it only holds no disc
        // The message above these lines says, in the user's language, what group is needed.
        lines.append(device + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace DiscAccess
