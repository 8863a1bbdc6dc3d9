#include "LibburnRecorder.h"

#include "ImageVerifier.h"
#include "LibburnSession.h"
#include "MediaKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <libburn/libburn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

using namespace burn;

namespace {

const QString DoneText = QStringLiteral("Done");

struct MediaState
{
    int code = MediaKind::NoDisc;
    bool blank = false;
    bool erasable = false;
    bool canSimulate = false;
    int limit1 = 0;
    int limit2 = 0;
    qint64 freeBlocks = -1;
};

struct Recorder
{
    QString address;
    QString name;
    bool imageTarget = false;

    bool operator==(const Recorder&) const = default;
};

enum class Job
{
    None,
    Burn,
    Erase
};

// A drive held for the length of one operation; released (tray left as it is) when it goes.
class GrabbedDrive
{
public:
    GrabbedDrive(const QString& address, bool loadTray)
    {
        QByteArray adr = address.toLocal8Bit();
        if (adr.size() >= BURN_DRIVE_ADR_LEN)
            return;
        std::vector<char> buffer(BURN_DRIVE_ADR_LEN, '\0');
        std::memcpy(buffer.data(), adr.constData(), size_t(adr.size()));
        burn_drive_info* info = nullptr;
        if (burn_drive_scan_and_grab(&info, buffer.data(), loadTray ? 1 : 0) > 0 && info)
            m_info = info;
    }
    ~GrabbedDrive()
    {
        if (m_info) {
            burn_drive_release(m_info[0].drive, 0);
            burn_drive_info_free(m_info);
        }
    }
    GrabbedDrive(const GrabbedDrive&) = delete;
    GrabbedDrive& operator=(const GrabbedDrive&) = delete;

    burn_drive* drive() const { return m_info ? m_info[0].drive : nullptr; }
    const burn_drive_info* info() const { return m_info; }

private:
    burn_drive_info* m_info = nullptr;
};

// Overwritable kinds stay "blank" to libburn after being written; their data shows as an
// ISO 9660 volume descriptor at block 16.
bool isRandomAccess(int profile)
{
    return profile == 0x12 || profile == 0x13 || profile == 0x1a || profile == 0x43 || profile == 0xffff;
}

bool holdsIsoVolume(burn_drive* drive)
{
    std::vector<char> block(2048, '\0');
    off_t count = 0;
    if (burn_read_data(drive, 16 * 2048, block.data(), off_t(block.size()), &count, 2) <= 0 || count < 6)
        return false;
    return std::memcmp(block.data() + 1, "CD001", 5) == 0;
}

QString imagePathOf(const QString& address)
{
    return address.mid(int(qstrlen("stdio:")));
}

// An image file is replaced when it is written: it is always ready, and its room is the free
// space of its file system plus what the old file takes.
MediaState readImageTarget(const QString& address)
{
    MediaState media;
    media.code = MediaKind::ImageFile;
    media.blank = true;
    const QFileInfo file(imagePathOf(address));
    const QStorageInfo storage(file.absolutePath());
    if (storage.isValid() && storage.isReady())
        media.freeBlocks = (storage.bytesAvailable() + (file.exists() ? file.size() : 0)) / 2048;
    return media;
}

MediaState readMedia(const QString& address, bool imageTarget)
{
    if (imageTarget)
        return readImageTarget(address);
    MediaState media;
    const GrabbedDrive grabbed(address, false);
    burn_drive* drive = grabbed.drive();
    if (!drive)
        return media;
    const burn_disc_status status = burn_disc_get_status(drive);
    if (status == BURN_DISC_EMPTY || status == BURN_DISC_UNREADY || status == BURN_DISC_UNGRABBED)
        return media;
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(drive, &profile, profileName);
    media.code = profile == 0 ? MediaKind::OtherDisc : MediaKind::codeForProfile(profile);
    media.blank = status == BURN_DISC_BLANK && !(isRandomAccess(profile) && holdsIsoVolume(drive));
    // A rewritable disc that holds data can be made blank: sequential kinds when the recorder
    // can blank them, overwritable kinds always (their start is wiped or they are formatted).
    switch (MediaKind::eraseMethod(media.code)) {
    case MediaKind::EraseMethod::Blank:
        media.erasable = !media.blank && burn_disc_erasable(drive) > 0;
        break;
    case MediaKind::EraseMethod::Overwrite:
        media.erasable = !media.blank;
        break;
    case MediaKind::EraseMethod::None:
        break;
    }
    const off_t room = burn_disc_available_space(drive, nullptr);
    media.freeBlocks = room > 0 ? qint64(room / 2048) : -1;
    // A dry run needs the recorder's support and a kind written in one pass (CD, DVD-R).
    const int code = media.code;
    media.canSimulate = grabbed.info()->write_simulate &&
                        (code == MediaKind::CdR || code == MediaKind::CdRw || code == MediaKind::DvdR ||
                         code == MediaKind::DvdRwSequential || code == MediaKind::DvdRDualLayer);

    const double kiloPerX = MediaKind::bytesPerSecondAt1x(profile) / 1000.0;
    int recorderTop = 0;
    burn_speed_descriptor* speeds = nullptr;
    if (burn_drive_get_speedlist(drive, &speeds) > 0) {
        for (const burn_speed_descriptor* s = speeds; s; s = s->next)
            recorderTop = std::max(recorderTop, s->write_speed);
        burn_drive_free_speedlist(&speeds);
    }
    media.limit1 = int(std::lround(recorderTop / kiloPerX));
    media.limit2 = int(std::lround(burn_drive_get_write_speed(drive) / kiloPerX));
    return media;
}

// The machine's optical drives. A scan may take seconds; libburn wants all drives given back
// before it scans, which holds on the drive thread between tasks.
std::vector<Recorder> systemDrives()
{
    std::vector<Recorder> drives;
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    int rc = 0;
    while ((rc = burn_drive_scan(&infos, &count)) == 0)
        std::this_thread::sleep_for(50ms);
    if (rc > 0 && infos) {
        for (unsigned int i = 0; i < count; ++i) {
            char adr[BURN_DRIVE_ADR_LEN] = {};
            if (burn_drive_get_adr(&infos[i], adr) <= 0)
                continue;
            const QString name = QString::fromLocal8Bit(adr) + QLatin1Char(' ') +
                                 QString::fromLatin1(infos[i].vendor).trimmed() + QLatin1Char(' ') +
                                 QString::fromLatin1(infos[i].product).trimmed();
            drives.push_back({QString::fromLocal8Bit(adr), name.trimmed()});
        }
        for (unsigned int i = 0; i < count; ++i)
            burn_drive_info_forget(&infos[i], 0);
        burn_drive_info_free(infos);
    }
    return drives;
}

} // namespace

struct LibburnRecorder::Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> abandoned = false; // the recorder object has gone

    bool listed = false;
    bool listChanged = false; // since the window last heard of it
    std::vector<Recorder> recorders;
    std::vector<Recorder> drives; // as last scanned
    std::vector<Recorder> others; // stdio targets and image files, after the drives

    QString selected; // address
    bool selectedIsImage = false;
    MediaState media;
    quint64 readings = 0; // readings completed for the selected address
    bool readingPending = false;

    Job job = Job::None;
    bool jobDone = false;
    bool jobOk = false;
    QString step;
    qint64 blocks = 0;
    double bufferSize = 0;
    double bufferFill = 0;
    double cacheSize = 0;
    double cacheFill = 0;
    double eraseShare = -1;
    ImageVerifier::Outcome verify;
    QStringList messages;
};

namespace {

using Shared = LibburnRecorder::Shared;

void postReadingTask(const std::shared_ptr<Shared>& shared, const QString& address, bool imageTarget)
{
    LibburnSession::post([shared, address, imageTarget] {
        const MediaState media = shared->abandoned ? MediaState() : readMedia(address, imageTarget);
        const std::lock_guard lock(shared->mutex);
        shared->readingPending = false;
        if (shared->selected == address) {
            shared->media = media;
            ++shared->readings;
        }
        shared->changed.notify_all();
    });
}

void setStep(Shared& shared, const QString& step)
{
    const std::lock_guard lock(shared.mutex);
    shared.step = step;
}

void endJob(Shared& shared, bool ok, const QString& step)
{
    QStringList messages = LibburnSession::takeMessages();
    const std::lock_guard lock(shared.mutex);
    if (!step.isEmpty())
        shared.step = step;
    shared.messages << messages;
    shared.jobOk = ok;
    shared.jobDone = true;
}

// The last thing libburn or libisofs said, which names a file that could not be read.
QString lastMessage(const Shared& shared)
{
    return shared.messages.isEmpty() ? QString() : shared.messages.constLast();
}

// Waits while libburn starts its own thread for the operation, then until the drive is idle,
// copying progress into shared and cancelling once the program or the recorder is going away.
void followDrive(burn_drive* drive, burn_source* fifo, Shared& shared)
{
    while (burn_drive_get_status(drive, nullptr) == BURN_DRIVE_SPAWNING)
        std::this_thread::sleep_for(20ms);
    bool cancelled = false;
    for (;;) {
        burn_progress progress{};
        const burn_drive_status status = burn_drive_get_status(drive, &progress);
        if (status == BURN_DRIVE_IDLE)
            break;
        if (!cancelled && (LibburnSession::stopping() || shared.abandoned)) {
            burn_drive_cancel(drive);
            cancelled = true;
        }
        int fifoSize = 0;
        int fifoFree = 0;
        char* fifoText = nullptr;
        if (fifo)
            burn_fifo_inquire_status(fifo, &fifoSize, &fifoFree, &fifoText);
        {
            const std::lock_guard lock(shared.mutex);
            if (status == BURN_DRIVE_WRITING) {
                shared.step = QStringLiteral("Writing");
                shared.blocks = std::max<qint64>(shared.blocks, progress.sector);
            } else if (status == BURN_DRIVE_CLOSING_TRACK || status == BURN_DRIVE_CLOSING_SESSION) {
                shared.step = QStringLiteral("Closing the disc");
            } else if (status == BURN_DRIVE_ERASING || status == BURN_DRIVE_FORMATTING) {
                shared.step = QStringLiteral("Erasing");
                // While blanking libburn counts from 0 to 0x10000.
                if (progress.sectors > 0)
                    shared.eraseShare = std::clamp(double(progress.sector) / progress.sectors, 0.0, 1.0);
            }
            shared.bufferSize = progress.buffer_capacity;
            shared.bufferFill = progress.buffer_capacity >= progress.buffer_available
                                    ? double(progress.buffer_capacity - progress.buffer_available)
                                    : 0.0;
            shared.cacheSize = fifoSize;
            shared.cacheFill = fifoSize >= fifoFree ? double(fifoSize - fifoFree) : 0.0;
        }
        std::this_thread::sleep_for(100ms);
    }
}

struct BurnSettings
{
    qint64 imageBytes = 0;
    int imageFiles = 0;
    bool imageTarget = false;
    bool simulate = false;
    bool underrunProof = true;
    bool closeDisc = true;
    int kiloBytesPerSecond = 0; // 0: the fastest
    double speedFactor = 0;
};

// Reads the written image back and checks it against the checksums recorded in it.
ImageVerifier::Outcome verifyWritten(burn_drive* drive, const Shared& shared, int files)
{
    // After closing, a disc shows its new table of contents only once it is looked at again.
    burn_drive_re_assess(drive, 0);
    const ImageVerifier::BlockReader reader = [drive](quint32 lba, int count, char* buffer) {
        off_t got = 0;
        const off_t bytes = off_t(count) * 2048;
        // Bit 1: no error messages for a read past the end; the verifier tries a shorter read.
        return burn_read_data(drive, off_t(lba) * 2048, buffer, bytes, &got, 2) > 0 && got == bytes;
    };
    return ImageVerifier::check(reader, files,
                                [&shared] { return shared.abandoned || LibburnSession::stopping(); });
}

void burnTask(const std::shared_ptr<Shared>& shared, const QString& address,
              std::shared_ptr<BurnSourcePtr> image, BurnSettings settings)
{
    LibburnSession::takeMessages(); // what came before belongs to no burn
    // An image file is replaced; what a longer old file had would stay behind its end.
    if (settings.imageTarget) {
        QFile old(imagePathOf(address));
        if (old.exists() && !old.resize(0)) {
            endJob(*shared, false, old.errorString());
            return;
        }
    }
    const GrabbedDrive grabbed(address, true);
    burn_drive* drive = grabbed.drive();
    if (!drive) {
        endJob(*shared, false, QStringLiteral("The recorder cannot be opened"));
        return;
    }
    const burn_disc_status status = burn_disc_get_status(drive);
    if (status != BURN_DISC_BLANK) {
        endJob(*shared, false, QStringLiteral("The disc is not blank"));
        return;
    }
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(drive, &profile, profileName);
    if (settings.speedFactor > 0)
        settings.kiloBytesPerSecond =
            int(std::lround(settings.speedFactor * MediaKind::bytesPerSecondAt1x(profile) / 1000.0));

    // A fifo of 4 MiB between the image writer and the drive evens out reading the staged files.
    // The image stream itself is released (and stopped, if unread) when the task lets go of it.
    burn_source* fifo = burn_fifo_source_new(image->get(), 2048, 2048, 0);
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();
    burn_disc_add_session(disc, session, BURN_POS_END);
    burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    const bool sourceOk = fifo && burn_track_set_source(track, fifo) == BURN_SOURCE_OK;
    burn_session_add_track(session, track, BURN_POS_END);

    burn_write_opts* opts = burn_write_opts_new(drive);
    burn_write_opts_set_perform_opc(opts, 0);
    burn_write_opts_set_simulate(opts, settings.simulate ? 1 : 0);
    burn_write_opts_set_underrun_proof(opts, settings.underrunProof ? 1 : 0);
    burn_write_opts_set_multi(opts, settings.closeDisc ? 0 : 1);
    char reasons[BURN_REASONS_LEN] = {};
    const bool writable =
        sourceOk && burn_write_opts_auto_write_type(opts, disc, reasons, 0) != BURN_WRITE_NONE;
    // The window checks the size before it starts; the disc in the drive by now may differ.
    const off_t room = writable ? burn_disc_available_space(drive, opts) : 0;

    bool ok = false;
    QString failure;
    if (!writable) {
        failure = sourceOk
                      ? QStringLiteral("The disc cannot take this image: ") + QString::fromLocal8Bit(reasons)
                      : QStringLiteral("The image cannot be read");
    } else if (room > 0 && settings.imageBytes > qint64(room)) {
        failure = QStringLiteral("The image (%1 bytes) is larger than the room on the disc (%2 bytes)")
                      .arg(settings.imageBytes)
                      .arg(qint64(room));
    } else {
        burn_drive_set_speed(drive, 0, settings.kiloBytesPerSecond);
        setStep(*shared, QStringLiteral("Writing"));
        burn_disc_write(opts, disc);
        followDrive(drive, fifo, *shared);
        ok = burn_drive_wrote_well(drive) > 0 && !shared->abandoned && !LibburnSession::stopping();
        if (!ok) {
            // libisofs names the file it could not read; libburn says what the drive refused.
            shared->messages << LibburnSession::takeMessages();
            const QString said = lastMessage(*shared);
            failure = said.isEmpty() ? QStringLiteral("Writing failed") : said;
        } else if (!settings.simulate) {
            setStep(*shared, QStringLiteral("Verifying"));
            const ImageVerifier::Outcome outcome = verifyWritten(drive, *shared, settings.imageFiles);
            const std::lock_guard lock(shared->mutex);
            shared->verify = outcome;
        }
    }
    burn_write_opts_free(opts);
    burn_track_free(track);
    burn_session_free(session);
    burn_disc_free(disc);
    if (fifo)
        burn_source_free(fifo);
    endJob(*shared, ok, failure);
}

// Overwritable media have no blank state of their own: zeros over the first 64 KiB take away
// the volume descriptors, and the disc reads as blank (what xorriso's blanking does).
bool wipeVolumeStart(burn_drive* drive)
{
    std::vector<char> zeros(64 * 1024, '\0');
    return burn_random_access_write(drive, 0, zeros.data(), off_t(zeros.size()), 1) > 0;
}

QString eraseFailure(Shared& shared, const QString& fallback)
{
    shared.messages << LibburnSession::takeMessages();
    const QString said = lastMessage(shared);
    return said.isEmpty() ? fallback : fallback + QStringLiteral(": ") + said;
}

void eraseTask(const std::shared_ptr<Shared>& shared, const QString& address, bool quick)
{
    LibburnSession::takeMessages();
    const GrabbedDrive grabbed(address, true);
    burn_drive* drive = grabbed.drive();
    if (!drive) {
        endJob(*shared, false, eraseFailure(*shared, QStringLiteral("The recorder cannot be opened")));
        return;
    }
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(drive, &profile, profileName);
    const int code = MediaKind::codeForProfile(profile);
    setStep(*shared, QStringLiteral("Erasing"));
    bool ok = false;
    switch (MediaKind::eraseMethod(code)) {
    case MediaKind::EraseMethod::Blank:
        if (burn_disc_erasable(drive) <= 0) {
            endJob(*shared, false,
                   eraseFailure(*shared, QStringLiteral("The recorder cannot erase this disc")));
            return;
        }
        burn_disc_erase(drive, quick ? 1 : 0);
        followDrive(drive, nullptr, *shared);
        ok = burn_drive_wrote_well(drive) > 0;
        break;
    case MediaKind::EraseMethod::Overwrite:
        if (!quick) {
            // A restricted-overwrite DVD-RW is blanked back to its sequential state; the other
            // kinds are formatted anew (bit 4: even when formatted; size mode 3: the default).
            if (code == MediaKind::DvdRwRestricted)
                burn_disc_erase(drive, 0);
            else
                burn_disc_format(drive, 0, (1 << 4) | (3 << 1));
            followDrive(drive, nullptr, *shared);
            ok = burn_drive_wrote_well(drive) > 0;
            if (ok && code != MediaKind::DvdRwRestricted)
                ok = wipeVolumeStart(drive);
        } else {
            ok = wipeVolumeStart(drive);
        }
        break;
    case MediaKind::EraseMethod::None:
        endJob(*shared, false, QStringLiteral("This kind of disc cannot be erased"));
        return;
    }
    endJob(*shared, ok, ok ? QString() : eraseFailure(*shared, QStringLiteral("Erasing failed")));
}

} // namespace

LibburnRecorder::LibburnRecorder(QObject* parent)
    : LibburnRecorder(Options{true, {}}, parent)
{
}

LibburnRecorder::LibburnRecorder(Options options, QObject* parent)
    : CDDVDBurner2(parent)
    , m_shared(std::make_shared<Shared>())
    , m_options(std::move(options))
{
    {
        const std::lock_guard lock(m_shared->mutex);
        for (const QString& extra : m_options.extraRecorders)
            m_shared->others.push_back({extra, extra, false});
    }
    postList(m_options.scanDrives);
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, &LibburnRecorder::poll);
    if (m_options.scanDrives)
        watchDevices();
}

LibburnRecorder::~LibburnRecorder()
{
    // Tasks still queued or running hold the shared state; they see this and finish quickly.
    m_shared->abandoned = true;
}

void LibburnRecorder::postList(bool scan)
{
    LibburnSession::post([shared = m_shared, scan] {
        std::vector<Recorder> drives;
        const bool scanned = scan && !shared->abandoned;
        if (scanned)
            drives = systemDrives();
        const std::lock_guard lock(shared->mutex);
        if (scanned)
            shared->drives = std::move(drives);
        std::vector<Recorder> list = shared->drives;
        list.insert(list.end(), shared->others.begin(), shared->others.end());
        if (shared->listed && list != shared->recorders)
            shared->listChanged = true;
        shared->recorders = std::move(list);
        shared->listed = true;
        shared->changed.notify_all();
    });
}

void LibburnRecorder::watchDevices()
{
    // A USB recorder plugged in makes a /dev/sr* node; that is the moment to look again.
    const auto opticalNodes = [] {
        return QDir(QStringLiteral("/dev"))
            .entryList({QStringLiteral("sr*")}, QDir::System | QDir::Files, QDir::Name);
    };
    m_opticalDevices = opticalNodes();
    m_devices.addPath(QStringLiteral("/dev"));
    connect(&m_devices, &QFileSystemWatcher::directoryChanged, this, [this, opticalNodes] {
        const QStringList now = opticalNodes();
        if (now == m_opticalDevices)
            return;
        m_opticalDevices = now;
        Rescan();
    });
}

void LibburnRecorder::noticeListChange()
{
    bool changed = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        changed = std::exchange(m_shared->listChanged, false);
    }
    if (changed)
        Q_EMIT RecordersChanged();
}

void LibburnRecorder::Rescan()
{
    if (m_options.scanDrives)
        postList(true);
}

QString LibburnRecorder::StatusText() const
{
    return m_status;
}

void LibburnRecorder::setQuickErase(bool quick)
{
    m_quickErase = quick;
}

int LibburnRecorder::MediaType()
{
    noticeListChange();
    postReading();
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->selected.isEmpty() ? MediaKind::NoDisc : m_shared->media.code;
}

void LibburnRecorder::setBurnOptionA(bool simulate)
{
    m_simulate = simulate;
}

void LibburnRecorder::setBurnOptionB(bool underrunProtection)
{
    m_underrunProof = underrunProtection;
}

void LibburnRecorder::setBurnOptionC(bool closeDisc)
{
    m_closeDisc = closeDisc;
}

void LibburnRecorder::setWriteSpeed(double factor)
{
    m_speed = factor;
}

qint64 LibburnRecorder::ImageBlocks() const
{
    return m_imageBlocks;
}

bool LibburnRecorder::IsErasable()
{
    postReading();
    const std::lock_guard lock(m_shared->mutex);
    return !m_shared->selected.isEmpty() && m_shared->media.erasable;
}

bool LibburnRecorder::IsBlank()
{
    postReading();
    const std::lock_guard lock(m_shared->mutex);
    return !m_shared->selected.isEmpty() && m_shared->media.code != MediaKind::NoDisc &&
           m_shared->media.blank;
}

int LibburnRecorder::RecorderCount()
{
    std::unique_lock lock(m_shared->mutex);
    // The first scan of the machine's drives is the one wait the window may see; it is bounded.
    m_shared->changed.wait_for(lock, 10s, [this] { return m_shared->listed; });
    return int(m_shared->recorders.size());
}

int LibburnRecorder::SelectRecorder(int index)
{
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->listed || index < 0 || index >= int(m_shared->recorders.size()))
        return 0;
    const Recorder& recorder = m_shared->recorders[size_t(index)];
    if (recorder.address == m_shared->selected)
        return 1;
    const QString address = recorder.address;
    const bool imageTarget = recorder.imageTarget;
    m_shared->selected = address;
    m_shared->selectedIsImage = imageTarget;
    m_shared->media = MediaState();
    const quint64 before = m_shared->readings;
    m_shared->readingPending = true;
    lock.unlock();
    postReadingTask(m_shared, address, imageTarget);
    lock.lock();
    // Give the new recorder a moment for its first reading; a slow drive reads as "no disc"
    // until it answers.
    m_shared->changed.wait_for(lock, 3s, [&] { return m_shared->readings != before; });
    return 1;
}

QString LibburnRecorder::RecorderName(int index)
{
    const std::lock_guard lock(m_shared->mutex);
    if (index < 0 || index >= int(m_shared->recorders.size()))
        return {};
    return m_shared->recorders[size_t(index)].name;
}

int LibburnRecorder::SpeedLimit1()
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->media.limit1;
}

int LibburnRecorder::SpeedLimit2()
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->media.limit2;
}

void LibburnRecorder::DriveCommand20()
{
    postReading(true);
}

void LibburnRecorder::DriveCommand22()
{
    m_tree.clear();
    m_image.reset();
    m_imageBlocks = 0;
    m_imageFiles = 0;
    m_status.clear();
    m_burnOk = false;
    m_verify = Verify::NotChecked;
    m_verifyDetail.clear();
    m_messages.clear();
}

void LibburnRecorder::DriveCommand34()
{
    postReading(true);
}

void LibburnRecorder::AddFile(const QString& folder, const QString& file)
{
    m_tree.addFile(folder, file);
}

void LibburnRecorder::AddFolder(const QString& parent, const QString& name)
{
    m_tree.addFolder(parent, name);
}

bool LibburnRecorder::PrepareImage()
{
    auto built = IsoImageBuilder::build(m_tree, m_volumeLabel);
    m_image = std::move(built.source);
    m_imageBlocks = m_image ? (built.bytes + 2047) / 2048 : 0;
    m_imageFiles = built.files;
    m_messages.clear();
    for (const QString& link : built.leftOut)
        m_messages << QStringLiteral("Left out, a link to a folder: ") + link;
    m_status = m_image ? QStringLiteral("Image ready") : built.error;
    return bool(m_image);
}

void LibburnRecorder::StartBurn()
{
    m_burnOk = false;
    m_verify = Verify::NotChecked;
    m_verifyDetail.clear();
    QString address;
    bool imageTarget = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->job == Job::None && m_image) {
            address = m_shared->selected;
            imageTarget = m_shared->selectedIsImage;
        }
    }
    if (address.isEmpty()) {
        // Nothing can be written: the burn ends at once, unsuccessfully.
        m_status = DoneText;
        return;
    }
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->job = Job::Burn;
        m_shared->jobDone = false;
        m_shared->jobOk = false;
        m_shared->blocks = 0;
        m_shared->step = QStringLiteral("Starting");
        m_shared->verify = {};
        m_shared->messages = m_messages;
    }
    m_sentBlocks = m_sentBufferSize = m_sentBufferFill = m_sentCacheSize = m_sentCacheFill = -1;
    m_status = QStringLiteral("Starting");
    BurnSettings settings;
    settings.imageBytes = m_imageBlocks * 2048;
    settings.imageFiles = m_imageFiles;
    settings.imageTarget = imageTarget;
    settings.simulate = m_simulate;
    settings.underrunProof = m_underrunProof;
    settings.closeDisc = m_closeDisc;
    settings.speedFactor = m_speed;
    auto image = std::make_shared<BurnSourcePtr>(std::move(m_image));
    LibburnSession::post(
        [shared = m_shared, address, image, settings] { burnTask(shared, address, image, settings); });
    m_poll.start();
}

bool LibburnRecorder::BurnSucceeded() const
{
    return m_burnOk;
}

void LibburnRecorder::StartErase()
{
    QString address;
    {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->job != Job::None)
            return;
        address = m_shared->selected;
        if (address.isEmpty())
            return;
        m_shared->job = Job::Erase;
        m_shared->jobDone = false;
        m_shared->jobOk = false;
        m_shared->eraseShare = -1;
        m_shared->messages.clear();
        m_shared->step = QStringLiteral("Erasing");
    }
    m_status = QStringLiteral("Erasing");
    m_messages.clear();
    LibburnSession::post(
        [shared = m_shared, address, quick = m_quickErase] { eraseTask(shared, address, quick); });
    m_poll.start();
}

qint64 LibburnRecorder::FreeBlocks()
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->selected.isEmpty() ? -1 : m_shared->media.freeBlocks;
}

int LibburnRecorder::AddImageTarget(const QString& path)
{
    const QString address = QStringLiteral("stdio:") + QFileInfo(path).absoluteFilePath();
    int index = -1;
    {
        std::unique_lock lock(m_shared->mutex);
        m_shared->changed.wait_for(lock, 10s, [this] { return m_shared->listed; });
        const auto same = [&](const Recorder& r) { return r.address == address; };
        if (std::none_of(m_shared->others.begin(), m_shared->others.end(), same))
            m_shared->others.push_back({address, QFileInfo(path).absoluteFilePath(), true});
        // The list is rebuilt here at once, so that the new index holds when this returns.
        std::vector<Recorder> list = m_shared->drives;
        list.insert(list.end(), m_shared->others.begin(), m_shared->others.end());
        m_shared->recorders = std::move(list);
        const auto found = std::find_if(m_shared->recorders.begin(), m_shared->recorders.end(), same);
        index = int(found - m_shared->recorders.begin());
    }
    return index;
}

bool LibburnRecorder::IsImageTarget(int index)
{
    const std::lock_guard lock(m_shared->mutex);
    return index >= 0 && index < int(m_shared->recorders.size()) &&
           m_shared->recorders[size_t(index)].imageTarget;
}

bool LibburnRecorder::CanSimulate()
{
    const std::lock_guard lock(m_shared->mutex);
    return !m_shared->selected.isEmpty() && m_shared->media.canSimulate;
}

void LibburnRecorder::setVolumeLabel(const QString& label)
{
    m_volumeLabel = label;
}

double LibburnRecorder::EraseProgress()
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->job == Job::Erase ? m_shared->eraseShare : -1;
}

bool LibburnRecorder::CanCancelErase()
{
    // Blanking and formatting run inside the drive; libburn cannot stop them once begun.
    return false;
}

void LibburnRecorder::CancelErase() {}

CDDVDBurner2::Verify LibburnRecorder::VerifyState() const
{
    return m_verify;
}

QString LibburnRecorder::VerifyDetail() const
{
    return m_verifyDetail;
}

QStringList LibburnRecorder::Messages() const
{
    return m_messages;
}

void LibburnRecorder::postReading(bool now)
{
    QString address;
    bool imageTarget = false;
    {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->selected.isEmpty() || m_shared->readingPending || m_shared->job != Job::None)
            return;
        // Asked twice a second by a detection tick, the disc is read about as often, and not
        // at all while nobody asks, so the drive stays free for other programs.
        if (!now && m_lastReading.isValid() && m_lastReading.elapsed() < 300)
            return;
        m_lastReading.start();
        m_shared->readingPending = true;
        address = m_shared->selected;
        imageTarget = m_shared->selectedIsImage;
    }
    postReadingTask(m_shared, address, imageTarget);
}

void LibburnRecorder::poll()
{
    if (m_polling)
        return;
    m_polling = true;
    if (m_doneNext) {
        m_doneNext = false;
        m_status = DoneText;
    }
    Job job = Job::None;
    bool done = false;
    QString step;
    double blocks = 0;
    double bufferSize = 0;
    double bufferFill = 0;
    double cacheSize = 0;
    double cacheFill = 0;
    {
        const std::lock_guard lock(m_shared->mutex);
        job = m_shared->job;
        done = m_shared->jobDone;
        step = m_shared->step;
        blocks = double(m_shared->blocks);
        bufferSize = m_shared->bufferSize;
        bufferFill = m_shared->bufferFill;
        cacheSize = m_shared->cacheSize;
        cacheFill = m_shared->cacheFill;
    }
    if (job == Job::None) {
        m_poll.stop();
        m_polling = false;
        return;
    }
    if (job == Job::Burn) {
        // Each event is raised when its value moves, sizes before fills, fills before progress.
        if (bufferSize > 0 && bufferSize != m_sentBufferSize)
            Q_EMIT DeviceBufferSize(m_sentBufferSize = bufferSize);
        if (cacheSize > 0 && cacheSize != m_sentCacheSize)
            Q_EMIT CacheSize(m_sentCacheSize = cacheSize);
        if (bufferFill != m_sentBufferFill)
            Q_EMIT DeviceBufferFill(m_sentBufferFill = bufferFill);
        if (cacheFill != m_sentCacheFill)
            Q_EMIT CacheFill(m_sentCacheFill = cacheFill);
        if (blocks > 0 && blocks != m_sentBlocks)
            Q_EMIT BurnProgress(m_sentBlocks = blocks);
    }
    if (!done) {
        m_status = step;
    } else {
        finishJob();
    }
    m_polling = false;
}

void LibburnRecorder::finishJob()
{
    Job job = Job::None;
    bool ok = false;
    QString step;
    ImageVerifier::Outcome verified;
    {
        const std::lock_guard lock(m_shared->mutex);
        job = m_shared->job;
        ok = m_shared->jobOk;
        step = m_shared->step;
        verified = m_shared->verify;
        m_messages = m_shared->messages;
        m_shared->job = Job::None;
        m_shared->jobDone = false;
    }
    if (job == Job::Burn) {
        switch (verified.result) {
        case ImageVerifier::Result::Verified:
            m_verify = Verify::Verified;
            break;
        case ImageVerifier::Result::Differs:
            m_verify = Verify::Differs;
            break;
        case ImageVerifier::Result::NotChecked:
            m_verify = Verify::NotChecked;
            break;
        }
        m_verifyDetail = verified.detail;
        // A good burn wrote the whole image; libburn's last progress may lag behind that.
        if (ok && m_sentBlocks != double(m_imageBlocks))
            Q_EMIT BurnProgress(m_sentBlocks = double(m_imageBlocks));
        m_burnOk = ok;
        if (!ok && !step.isEmpty()) {
            // The reason stays up for one poll, so that a caller polling the status sees it.
            m_status = step;
            m_doneNext = true;
        } else {
            m_status = DoneText;
        }
    } else {
        m_status = ok ? DoneText : step;
        Q_EMIT EraseDone();
    }
    postReading(true);
}
