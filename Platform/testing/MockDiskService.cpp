#include "MockDiskService.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <atomic>

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString Root = QStringLiteral("/org/freedesktop/UDisks2");
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");

QString pythonProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral(KORVALIS_SYSTEM_PYTHON3));
}

void stopProcess(std::unique_ptr<QProcess>& process)
{
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

} // namespace

MockDiskService::MockDiskService()
{
    static std::atomic<int> count{0};
    m_connectionName = QStringLiteral("korvalis-mock-disks-%1").arg(++count);
}

MockDiskService::~MockDiskService()
{
    stop();
}

bool MockDiskService::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() &&
           !pythonProgram().isEmpty() &&
           QProcess::execute(pythonProgram(), {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) == 0;
}

bool MockDiskService::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_address = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus"));
    m_daemon = std::make_unique<QProcess>();
    m_daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                     QStringLiteral("--address=") + m_address});
    if (!m_daemon->waitForStarted(10000)) {
        m_error = QStringLiteral("dbus-daemon does not start: ") + m_daemon->errorString();
        return false;
    }
    // The socket appears once the daemon listens.
    QDeadlineTimer deadline(60000); // python starts slowly on a loaded machine
    while (!QFile::exists(m_dir.filePath(QStringLiteral("bus"))) && !deadline.hasExpired())
        QThread::msleep(10);

    m_mock = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_mock->setProcessEnvironment(env);
    m_mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_mock->setStandardOutputFile(m_dir.filePath(QStringLiteral("mock.log")));
    m_mock->start(pythonProgram(),
                  {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                   QStringLiteral("--template"), QStringLiteral(KORVALIS_UDISKS2_TEMPLATE)});
    if (!m_mock->waitForStarted(10000)) {
        m_error = QStringLiteral("python3 -m dbusmock does not start: ") + m_mock->errorString();
        return false;
    }

    const QDBusConnection connection = bus();
    if (!connection.isConnected()) {
        m_error = QStringLiteral("cannot connect to the private bus: ") + connection.lastError().message();
        return false;
    }
    while (!deadline.hasExpired()) {
        if (m_mock->state() == QProcess::NotRunning) {
            m_error = QStringLiteral("the mock service ended at start");
            return false;
        }
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            Service, Root, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
            QStringLiteral("GetManagedObjects"));
        if (connection.call(ping, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage)
            return true;
        QThread::msleep(20);
    }
    m_error = QStringLiteral("the mock service does not answer");
    return false;
}

void MockDiskService::stop()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    stopProcess(m_mock);
    stopProcess(m_daemon);
}

QDBusConnection MockDiskService::bus() const
{
    return QDBusConnection::connectToBus(m_address, m_connectionName);
}

QString MockDiskService::callMock(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Root, MockInterface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus().call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_error = reply.errorMessage();
        return {};
    }
    if (reply.arguments().isEmpty())
        return {};
    const QVariant first = reply.arguments().constFirst();
    if (first.canConvert<QDBusObjectPath>())
        return first.value<QDBusObjectPath>().path();
    return first.toString();
}

QString MockDiskService::addDrive(const QString& name, const QVariantMap& spec)
{
    return callMock(QStringLiteral("AddDrive"), {name, spec});
}

QString MockDiskService::addBlock(const QString& name, const QVariantMap& spec)
{
    return callMock(QStringLiteral("AddBlock"), {name, spec});
}

void MockDiskService::remove(const QString& objectPath)
{
    callMock(QStringLiteral("RemoveDevice"), {QVariant::fromValue(QDBusObjectPath(objectPath))});
}

QString MockDiskService::addSystemDisk(const QString& name, const QVariantMap& drive)
{
    const QString disk = addDrive(name, drive);
    addBlock(QStringLiteral("sda1"), {{QStringLiteral("drive"), disk},
                                      {QStringLiteral("fs"), QStringLiteral("vfat")},
                                      {QStringLiteral("hint_system"), true},
                                      {QStringLiteral("mounted_at"), QStringLiteral("/boot/efi")}});
    addBlock(QStringLiteral("sda2"), {{QStringLiteral("drive"), disk},
                                      {QStringLiteral("fs"), QStringLiteral("ext4")},
                                      {QStringLiteral("hint_system"), true},
                                      {QStringLiteral("mounted_at"), QStringLiteral("/")}});
    return disk;
}

QString MockDiskService::addRemovableMedia(const QString& folder)
{
    const QString stick =
        addDrive(QStringLiteral("Cruzer"), {{QStringLiteral("vendor"), QStringLiteral("SanDisk")},
                                            {QStringLiteral("model"), QStringLiteral("Cruzer Blade")},
                                            {QStringLiteral("bus"), QStringLiteral("usb")},
                                            {QStringLiteral("removable"), true}});
    addBlock(QStringLiteral("sdb1"),
             {{QStringLiteral("drive"), stick},
              {QStringLiteral("fs"), QStringLiteral("vfat")},
              {QStringLiteral("label"), QStringLiteral("STICK")},
              {QStringLiteral("mounted_at"), QString(folder + QStringLiteral("/usb"))}});
    const QString failing =
        addDrive(QStringLiteral("DataTraveler"), {{QStringLiteral("vendor"), QStringLiteral("Kingston")},
                                                  {QStringLiteral("model"), QStringLiteral("DataTraveler")},
                                                  {QStringLiteral("bus"), QStringLiteral("usb")}});
    const QString unmounted =
        addBlock(QStringLiteral("sdc1"),
                 {{QStringLiteral("drive"), failing},
                  {QStringLiteral("fs"), QStringLiteral("ext4")},
                  {QStringLiteral("label"), QStringLiteral("DATA")},
                  {QStringLiteral("mount_target"), QString(folder + QStringLiteral("/data"))}});
    const QString dvd =
        addDrive(QStringLiteral("DVDRAM"), {{QStringLiteral("vendor"), QStringLiteral("HL-DT-ST")},
                                            {QStringLiteral("model"), QStringLiteral("DVDRAM GH24NSD1")},
                                            {QStringLiteral("optical"), true},
                                            {QStringLiteral("media_removable"), true},
                                            {QStringLiteral("media_available"), false}});
    addBlock(QStringLiteral("sr0"), {{QStringLiteral("drive"), dvd}});
    addBlock(QStringLiteral("loop0"),
             {{QStringLiteral("fs"), QStringLiteral("squashfs")},
              {QStringLiteral("loop_backing"), QStringLiteral("/var/lib/snapd/snaps/core22_864.snap")},
              {QStringLiteral("mounted_at"), QStringLiteral("/snap/core22/864")}});
    return unmounted;
}

QString MockDiskService::mountOptions(const QString& objectPath)
{
    return callMock(QStringLiteral("MountOptions"), {QVariant::fromValue(QDBusObjectPath(objectPath))});
}
