#pragma once

#include <QProcess>
#include <QString>
#include <QTest>

#include <memory>

// A damaged medium for one test: mounts korvalis-medium over sourceDir with the damage map given as
// text, in a fresh temporary folder, and unmounts it when it goes, even when the test fails. Mount and
// destroy it on one thread that outlives the medium's use: the file system stops when the thread that
// mounted it ends, so that a crashed test leaves nothing behind.
//
//     KORVALIS_REQUIRE_FUSE();
//     SimulatedMedium medium(source.path(), QStringLiteral("\"big file.bin\" 4096 512 delay=50\n"));
//     QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
//     ... read medium.mountPoint() + "/big file.bin" ...
class SimulatedMedium
{
public:
    SimulatedMedium(const QString& sourceDir, const QString& damageMap);
    ~SimulatedMedium();

    SimulatedMedium(const SimulatedMedium&) = delete;
    SimulatedMedium& operator=(const SimulatedMedium&) = delete;

    // Exposes only this file of the folder, as the mount point itself (a file, for losetup -r).
    // Call before mount().
    void setImage(const QString& relativePath) { m_image = relativePath; }

    // Mounts in a fresh temporary folder and returns once the medium can be read; false with
    // errorString() set when the map is invalid or FUSE fails.
    bool mount();
    // Unmounts (lazily when something still holds a file open) and stops the file system; the
    // destructor calls it.
    void unmount();

    bool isMounted() const { return m_mounted; }
    QString mountPoint() const { return m_mountPoint; } // no closing slash
    QString errorString() const { return m_error; }
    // The failed reads the medium has served since it was mounted (every read that returned EIO).
    qint64 failedReads() const;

    // True when this machine can mount FUSE file systems and the simulator is built.
    static bool fuseAvailable();
    // Where the korvalis-medium program is: the one built with this helper, or the one named by the
    // environment variable KORVALIS_MEDIUM_PROGRAM.
    static QString programPath();

private:
    bool waitUntilMounted();
    void removeTemporaryFolder();

    QString m_sourceDir;
    QString m_damageMap;
    QString m_image;
    QString m_tempDir;
    QString m_mountPoint;
    QString m_error;
    std::unique_ptr<QProcess> m_process;
    bool m_mounted = false;
};

// In a Qt test slot: skips when FUSE is unusable here, but fails under CI=true, where a skipped
// damaged-medium test would hide that nothing was checked.
#define KORVALIS_REQUIRE_FUSE()                                                                              \
    do {                                                                                                     \
        if (!SimulatedMedium::fuseAvailable()) {                                                             \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                                         \
                QFAIL("FUSE is not available (needs /dev/fuse, fusermount3 and korvalis-medium)");           \
            QSKIP("FUSE is not available (needs /dev/fuse, fusermount3 and korvalis-medium)");               \
        }                                                                                                    \
    } while (false)
