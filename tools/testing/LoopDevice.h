#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <unistd.h>

// A loop device over a file (read-only unless asked, as for a simulated medium's image; writable
// as a small disc for a burn), detached when it goes, before
// the medium behind it is unmounted. Attaching needs root and losetup; when it cannot be done,
// device() is empty and skipReason() says why.
class LoopDevice
{
public:
    explicit LoopDevice(const QString& file, bool readOnly = true)
        : m_losetup(QStandardPaths::findExecutable(QStringLiteral("losetup"),
                                                   {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}))
    {
        if (m_losetup.isEmpty() || ::geteuid() != 0 ||
            !QFileInfo::exists(QStringLiteral("/dev/loop-control"))) {
            m_skipReason = QStringLiteral("loop devices need root and losetup");
            return;
        }
        QStringList args{QStringLiteral("-f"), QStringLiteral("--show"), file};
        if (readOnly)
            args.prepend(QStringLiteral("-r"));
        m_device = run(args);
        if (m_device.isEmpty())
            m_skipReason = QStringLiteral("losetup cannot attach a loop device here");
    }
    ~LoopDevice()
    {
        if (!m_device.isEmpty())
            run({QStringLiteral("-d"), m_device});
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const QString& device() const { return m_device; }
    const QString& skipReason() const { return m_skipReason; }

private:
    // losetup's standard output, or a null string when it failed.
    QString run(const QStringList& args) const
    {
        QProcess process;
        process.start(m_losetup, args);
        if (!process.waitForFinished(30'000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return {};
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }

    QString m_losetup;
    QString m_device;
    QString m_skipReason;
};
