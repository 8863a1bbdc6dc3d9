#pragma once

#include "LoopDevice.h"
#include "MediumFiles.h"
#include "SimulatedMedium.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A disk of `size` bytes of a pattern with bad 512-byte sectors at the offsets given, served by
// the damaged-medium simulator and attached to a loop device: a failing disk as the program
// meets it. When the medium cannot be mounted, errorString() says why; when no loop device can
// be attached, device() is empty and skipReason() says why.
class BadSectorDisk
{
public:
    BadSectorDisk(qint64 size, const QList<qint64>& badSectors, quint32 seed)
        : m_data(MediumFiles::pattern(size, seed))
    {
        const QString image = QStringLiteral("disk.img");
        if (!MediumFiles::writeFile(m_source.filePath(image), m_data)) {
            m_error = QStringLiteral("cannot write the disk image");
            return;
        }
        QString map;
        for (const qint64 sector : badSectors)
            map += QStringLiteral("%1 %2 512\n").arg(image).arg(sector);
        m_medium = std::make_unique<SimulatedMedium>(m_source.path(), map);
        m_medium->setImage(image);
        if (!m_medium->mount()) {
            m_error = m_medium->errorString();
            return;
        }
        m_loop = std::make_unique<LoopDevice>(m_medium->mountPoint());
    }

    bool mounted() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString device() const { return m_loop ? m_loop->device() : QString(); }
    QString skipReason() const { return m_loop ? m_loop->skipReason() : m_error; }
    // What the disk holds where it is not bad.
    const QByteArray& data() const { return m_data; }

private:
    QTemporaryDir m_source;
    QByteArray m_data;
    std::unique_ptr<SimulatedMedium> m_medium;
    std::unique_ptr<LoopDevice> m_loop; // after the medium: detached before it is unmounted
    QString m_error;
};
