#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;

namespace Platform {

// Tells when drives come or go: a stick plugged in or pulled, a disc inserted, a file system
// mounted or unmounted, a share connected. It listens to the disk service on the bus (objects added
// and removed, mount points and media changed) and to the kernel's mount table, which flags every
// change of the mounts (the only source without a disk service).
class VolumeWatcher : public QObject
{
    Q_OBJECT

public:
    // A burst of changes (a stick with three partitions, then their mounts) ends in one changed().
    static constexpr std::chrono::milliseconds Settle{250};

    // Watches the disk service on `bus` (a bus that is not connected is skipped) and the mount table
    // at `mountTable` ("" for none).
    VolumeWatcher(const QDBusConnection& bus, const QString& mountTable, QObject* parent = nullptr);
    ~VolumeWatcher() override;

    // True while the mount table's changes are being watched.
    bool watchesMountTable() const { return m_mountNotifier != nullptr; }
    // True while the disk service's signals are being watched.
    bool watchesDiskService() const { return m_watchesBus; }

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void objectsChanged();
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

private:
    QDBusConnection m_bus;
    bool m_watchesBus = false;
    QFile m_mountTable;
    QSocketNotifier* m_mountNotifier = nullptr;
    QTimer m_settle;
};

} // namespace Platform
