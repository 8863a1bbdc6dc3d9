#include "SimulatedMedium.h"

#include "SystemPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kMountTimeoutMs = 20'000;
constexpr int kStopTimeoutMs = 5'000;

QString fusermount()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("fusermount3"));
    return found.isEmpty() ? QStringLiteral("/usr/bin/fusermount3") : found;
}

// Runs fusermount3 with args; true when it succeeded.
bool runFusermount(const QStringList& args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(fusermount(), args);
    if (!process.waitForFinished(kStopTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// True when something is mounted on path: its device differs from its folder's, or the file system
// behind it has died (ENOTCONN).
bool isMountedOn(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const QByteArray parent = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat here = {};
    struct stat above = {};
    if (::stat(native.constData(), &here) != 0)
        return errno == ENOTCONN || errno == ECONNABORTED;
    if (::stat(parent.constData(), &above) != 0)
        return false;
    return here.st_dev != above.st_dev;
}

} // namespace

SimulatedMedium::SimulatedMedium(const QString& sourceDir, const QString& damageMap)
    : m_sourceDir(sourceDir)
    , m_damageMap(damageMap)
{
}

SimulatedMedium::~SimulatedMedium()
{
    unmount();
}

QString SimulatedMedium::programPath()
{
    // The override lets a test check how the suite behaves where the simulator cannot run.
    const QString override = qEnvironmentVariable("KORVALIS_MEDIUM_PROGRAM");
    return override.isEmpty() ? QStringLiteral(KORVALIS_MEDIUM_BINARY) : override;
}

bool SimulatedMedium::fuseAvailable()
{
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    if (!QFileInfo(programPath()).isExecutable())
        return false;
    return ::geteuid() == 0 || QFileInfo(fusermount()).isExecutable();
}

bool SimulatedMedium::mount()
{
    if (m_mounted)
        return true;
    m_error.clear();

    QTemporaryDir dir(Platform::tempPath() + QStringLiteral("korvalis-medium-XXXXXX"));
    if (!dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder: ") + dir.errorString();
        return false;
    }
    // Removed by hand, never recursively: a failed unmount must not let a removal walk the medium.
    dir.setAutoRemove(false);
    m_tempDir = dir.path();

    const QString mapPath = m_tempDir + QStringLiteral("/damage.map");
    QFile mapFile(mapPath);
    if (!mapFile.open(QIODevice::WriteOnly) || mapFile.write(m_damageMap.toUtf8()) < 0 || !mapFile.flush()) {
        m_error = QStringLiteral("cannot write the damage map: ") + mapFile.errorString();
        removeTemporaryFolder();
        return false;
    }
    mapFile.close();

    QStringList args = {QStringLiteral("-f"), QStringLiteral("--map"), mapPath, QStringLiteral("--count"),
                        m_tempDir + QStringLiteral("/failed-reads")};
    if (m_image.isEmpty()) {
        m_mountPoint = m_tempDir + QStringLiteral("/medium");
        QDir().mkdir(m_mountPoint);
    } else {
        m_mountPoint = m_tempDir + QStringLiteral("/medium.img");
        args << QStringLiteral("--image") << m_image;
    }
    args << QStringLiteral("--") << m_sourceDir << m_mountPoint;

    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(QProcess::nullDevice());
    // Should the test process die without unmounting, the file system stops and unmounts with it.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(programPath(), args);
    if (!m_process->waitForStarted(kMountTimeoutMs)) {
        m_error =
            QStringLiteral("cannot start ") + programPath() + QStringLiteral(": ") + m_process->errorString();
        m_process.reset();
        removeTemporaryFolder();
        return false;
    }
    if (!waitUntilMounted()) {
        unmount();
        return false;
    }
    m_mounted = true;
    return true;
}

bool SimulatedMedium::waitUntilMounted()
{
    const QDeadlineTimer deadline(kMountTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process->state() == QProcess::NotRunning) {
            const QString output = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
            m_error = output.isEmpty()
                          ? QStringLiteral("korvalis-medium ended with exit code %1 before mounting")
                                .arg(m_process->exitCode())
                          : output;
            return false;
        }
        if (isMountedOn(m_mountPoint))
            return true;
        m_process->waitForFinished(20); // a short wait that notices the program ending
    }
    m_error = QStringLiteral("korvalis-medium did not mount within %1 s").arg(kMountTimeoutMs / 1000);
    return false;
}

void SimulatedMedium::unmount()
{
    if (m_process == nullptr && m_tempDir.isEmpty())
        return;
    bool endsByItself = true; // the file system ends by itself once unmounted
    if (!m_mountPoint.isEmpty() && isMountedOn(m_mountPoint)) {
        // A file still open (a test that failed half-way) makes the plain unmount refuse; detach the
        // mount then, and stop the file system, which fails the reads of whatever still holds it.
        if (!runFusermount({QStringLiteral("-u"), m_mountPoint})) {
            runFusermount({QStringLiteral("-u"), QStringLiteral("-z"), m_mountPoint});
            endsByItself = false;
        }
    }
    if (m_process != nullptr) {
        if (!m_process->waitForFinished(endsByItself ? kStopTimeoutMs : 0) &&
            m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(kStopTimeoutMs)) {
                m_process->kill();
                m_process->waitForFinished();
            }
        }
        m_process.reset();
    }
    m_mounted = false;
    removeTemporaryFolder();
}

void SimulatedMedium::removeTemporaryFolder()
{
    if (m_tempDir.isEmpty())
        return;
    QFile::remove(m_tempDir + QStringLiteral("/damage.map"));
    QFile::remove(m_tempDir + QStringLiteral("/failed-reads"));
    QFile::remove(m_tempDir + QStringLiteral("/failed-reads.new"));
    if (!m_mountPoint.isEmpty() && !isMountedOn(m_mountPoint)) {
        QFileInfo(m_mountPoint).isDir() ? QDir().rmdir(m_mountPoint) : QFile::remove(m_mountPoint);
    }
    QDir().rmdir(m_tempDir);
    m_tempDir.clear();
    m_mountPoint.clear();
}

qint64 SimulatedMedium::failedReads() const
{
    QFile file(m_tempDir + QStringLiteral("/failed-reads"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}
