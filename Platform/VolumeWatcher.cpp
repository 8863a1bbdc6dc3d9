#include "VolumeWatcher.h"

#include "UDisks2Client.h"

#include <QSocketNotifier>

namespace Platform {

namespace {

const QString ObjectManagerInterface = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

VolumeWatcher::VolumeWatcher(const QDBusConnection& bus, const QString& mountTable, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(Settle);
    connect(&m_settle, &QTimer::timeout, this, &VolumeWatcher::changed);

    if (m_bus.isConnected()) {
        const QString& service = UDisks2Client::Service;
        const QString& root = UDisks2Client::ObjectRoot;
        m_watchesBus = m_bus.connect(service, root, ObjectManagerInterface, QStringLiteral("InterfacesAdded"),
                                     this, SLOT(objectsChanged())) &&
                       m_bus.connect(service, root, ObjectManagerInterface,
                                     QStringLiteral("InterfacesRemoved"), this, SLOT(objectsChanged()));
        // Mount points and media change as properties of objects that stay; any object of the service.
        m_bus.connect(service, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    }

    // The kernel flags a change of the mounts as an exceptional condition on the open table.
    if (!mountTable.isEmpty()) {
        m_mountTable.setFileName(mountTable);
        if (m_mountTable.open(QIODevice::ReadOnly)) {
            m_mountNotifier = new QSocketNotifier(m_mountTable.handle(), QSocketNotifier::Exception, this);
            connect(m_mountNotifier, &QSocketNotifier::activated, this, &VolumeWatcher::objectsChanged);
        }
    }
}

VolumeWatcher::~VolumeWatcher()
{
    if (m_mountNotifier)
        m_mountNotifier->setEnabled(false);
    if (m_bus.isConnected()) {
        m_bus.disconnect(UDisks2Client::Service, UDisks2Client::ObjectRoot, ObjectManagerInterface,
                         QStringLiteral("InterfacesAdded"), this, SLOT(objectsChanged()));
        m_bus.disconnect(UDisks2Client::Service, UDisks2Client::ObjectRoot, ObjectManagerInterface,
                         QStringLiteral("InterfacesRemoved"), this, SLOT(objectsChanged()));
        m_bus.disconnect(UDisks2Client::Service, QString(), PropertiesInterface,
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    }
}

void VolumeWatcher::objectsChanged()
{
    m_settle.start();
}

void VolumeWatcher::propertiesChanged(const QString& interface, const QVariantMap& changedProperties,
                                      const QStringList& invalidated)
{
    // A drive's health readings change often and list nothing new.
    const bool mounts = interface == QLatin1String("org.freedesktop.UDisks2.Filesystem") &&
                        (changedProperties.contains(QStringLiteral("MountPoints")) ||
                         invalidated.contains(QStringLiteral("MountPoints")));
    const bool media = interface == QLatin1String("org.freedesktop.UDisks2.Drive") &&
                       (changedProperties.contains(QStringLiteral("MediaAvailable")) ||
                        changedProperties.contains(QStringLiteral("Media")));
    const bool block = interface == QLatin1String("org.freedesktop.UDisks2.Block") &&
                       (changedProperties.contains(QStringLiteral("IdLabel")) ||
                        changedProperties.contains(QStringLiteral("IdType")) ||
                        changedProperties.contains(QStringLiteral("HintIgnore")));
    if (mounts || media || block)
        m_settle.start();
}

} // namespace Platform
