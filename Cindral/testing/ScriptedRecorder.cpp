#include "ScriptedRecorder.h"

#include <algorithm>

ScriptedRecorder::ScriptedRecorder(QObject* parent)
    : CDDVDBurner2(parent)
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ScriptedRecorder::playStep);
}

void ScriptedRecorder::setRecorders(std::vector<Recorder> recorders)
{
    m_recorders = std::move(recorders);
}

void ScriptedRecorder::setDisc(int index, Disc disc)
{
    m_recorders.at(size_t(index)).disc = disc;
}

ScriptedRecorder::Disc ScriptedRecorder::disc(int index) const
{
    return m_recorders.at(size_t(index)).disc;
}

void ScriptedRecorder::setImageBlocks(qint64 blocks)
{
    m_fixedBlocks = blocks;
}

void ScriptedRecorder::setBurnScript(std::vector<Step> steps, bool endsDone, bool succeeds)
{
    m_script = std::move(steps);
    m_autoScript = m_script.empty();
    m_endsDone = endsDone;
    m_succeeds = succeeds;
}

void ScriptedRecorder::scriptFullBurn()
{
    m_script.clear(); // filled from the image size when the burn starts
    m_autoScript = true;
    m_endsDone = true;
    m_succeeds = true;
}

void ScriptedRecorder::scriptShortBurn(qint64 written)
{
    setBurnScript({{double(written) / 2, 100, 100}, {double(written), 50, 0}}, true, false);
}

void ScriptedRecorder::scriptStall(qint64 at)
{
    setBurnScript({{double(at), 100, 100}, {double(at), 0, 0}}, false, false);
}

void ScriptedRecorder::setDiscAfterErase(Disc disc)
{
    m_afterErase = disc;
}

const ScriptedRecorder::Disc* ScriptedRecorder::current() const
{
    if (m_selected < 0 || m_selected >= int(m_recorders.size()))
        return nullptr;
    return &m_recorders[size_t(m_selected)].disc;
}

QString ScriptedRecorder::StatusText() const
{
    return m_status;
}

void ScriptedRecorder::setQuickErase(bool quick)
{
    log(QStringLiteral("QuickErase=%1").arg(quick));
    m_quickErase = quick;
}

int ScriptedRecorder::MediaType()
{
    const Disc* disc = current();
    return disc ? disc->mediaType : 0;
}

void ScriptedRecorder::setBurnOptionA(bool simulate)
{
    log(QStringLiteral("BurnOptionA=%1").arg(simulate));
    m_simulate = simulate;
}

void ScriptedRecorder::setBurnOptionB(bool underrunProtection)
{
    log(QStringLiteral("BurnOptionB=%1").arg(underrunProtection));
}

void ScriptedRecorder::setBurnOptionC(bool closeDisc)
{
    log(QStringLiteral("BurnOptionC=%1").arg(closeDisc));
}

void ScriptedRecorder::setWriteSpeed(double factor)
{
    log(QStringLiteral("WriteSpeed=%1").arg(factor));
    m_writeSpeed = factor;
}

qint64 ScriptedRecorder::ImageBlocks() const
{
    return m_imageBlocks;
}

bool ScriptedRecorder::IsErasable()
{
    const Disc* disc = current();
    return disc && disc->erasable;
}

bool ScriptedRecorder::IsBlank()
{
    const Disc* disc = current();
    return disc && disc->mediaType != 0 && disc->blank;
}

int ScriptedRecorder::RecorderCount()
{
    return int(m_recorders.size());
}

int ScriptedRecorder::SelectRecorder(int index)
{
    if (index < 0 || index >= int(m_recorders.size()))
        return 0;
    m_selected = index;
    return 1;
}

QString ScriptedRecorder::RecorderName(int index)
{
    if (index < 0 || index >= int(m_recorders.size()))
        return {};
    return m_recorders[size_t(index)].name;
}

int ScriptedRecorder::SpeedLimit1()
{
    const Disc* disc = current();
    return disc ? disc->speedLimit1 : 0;
}

int ScriptedRecorder::SpeedLimit2()
{
    const Disc* disc = current();
    return disc ? disc->speedLimit2 : 0;
}

void ScriptedRecorder::DriveCommand20()
{
    log(QStringLiteral("DriveCommand20"));
}

void ScriptedRecorder::DriveCommand22()
{
    log(QStringLiteral("DriveCommand22"));
    m_folders.clear();
    m_files.clear();
    m_imageBlocks = 0;
    m_status.clear();
}

void ScriptedRecorder::DriveCommand34()
{
    log(QStringLiteral("DriveCommand34"));
}

void ScriptedRecorder::AddFile(const QString& folder, const QString& file)
{
    m_files.emplace_back(folder, file);
}

void ScriptedRecorder::AddFolder(const QString& parent, const QString& name)
{
    m_folders.emplace_back(parent, name);
}

bool ScriptedRecorder::PrepareImage()
{
    log(QStringLiteral("PrepareImage"));
    m_imageBlocks = m_fixedBlocks >= 0 ? m_fixedBlocks : std::max<qint64>(1, qint64(m_files.size()));
    m_status = QStringLiteral("Image ready");
    return true;
}

void ScriptedRecorder::StartBurn()
{
    log(QStringLiteral("StartBurn"));
    if (m_autoScript) {
        const double all = double(m_imageBlocks);
        m_script = {{all / 4, 1000, 4000}, {all / 2, 1000, 4000}, {all * 3 / 4, 1000, 2000}, {all, 500, 0}};
        m_endsDone = true;
        m_succeeds = true;
    }
    m_next = 0;
    m_succeeded = false;
    m_status = QStringLiteral("Writing");
    Q_EMIT DeviceBufferSize(2000);
    Q_EMIT CacheSize(4000);
    m_timer.start();
}

bool ScriptedRecorder::BurnSucceeded() const
{
    return m_succeeded;
}

void ScriptedRecorder::StartErase()
{
    log(QStringLiteral("StartErase"));
    m_erasing = true;
    m_eraseStep = 0;
    m_status = QStringLiteral("Erasing");
    m_timer.start();
}

void ScriptedRecorder::scriptErase(int steps, bool cancellable, const QString& failure)
{
    m_eraseSteps = std::max(1, steps);
    m_eraseCancellable = cancellable;
    m_eraseFailure = failure;
}

void ScriptedRecorder::setVerify(Verify state, const QString& detail)
{
    m_verify = state;
    m_verifyDetail = detail;
}

qint64 ScriptedRecorder::FreeBlocks()
{
    const Disc* disc = current();
    return disc ? disc->freeBlocks : -1;
}

int ScriptedRecorder::AddImageTarget(const QString& path)
{
    log(QStringLiteral("AddImageTarget=") + path);
    for (size_t i = 0; i < m_recorders.size(); ++i) {
        if (m_recorders[i].imageTarget && m_recorders[i].name == path)
            return int(i);
    }
    m_recorders.push_back({path, Disc{18, true, false, 0, 0, -1}, true});
    return int(m_recorders.size()) - 1;
}

bool ScriptedRecorder::IsImageTarget(int index)
{
    return index >= 0 && index < int(m_recorders.size()) && m_recorders[size_t(index)].imageTarget;
}

void ScriptedRecorder::Rescan()
{
    log(QStringLiteral("Rescan"));
    if (m_pluggedIn.empty())
        return;
    // New drives come before the image files, as a real scan lists them.
    auto firstImage =
        std::find_if(m_recorders.begin(), m_recorders.end(), [](const Recorder& r) { return r.imageTarget; });
    m_recorders.insert(firstImage, m_pluggedIn.begin(), m_pluggedIn.end());
    m_pluggedIn.clear();
    Q_EMIT RecordersChanged();
}

bool ScriptedRecorder::CanSimulate()
{
    return m_canSimulate && !IsImageTarget(m_selected);
}

void ScriptedRecorder::setVolumeLabel(const QString& label)
{
    m_volumeLabel = label;
}

double ScriptedRecorder::EraseProgress()
{
    return m_erasing ? double(m_eraseStep) / m_eraseSteps : -1;
}

bool ScriptedRecorder::CanCancelErase()
{
    return m_erasing && m_eraseCancellable;
}

void ScriptedRecorder::CancelErase()
{
    log(QStringLiteral("CancelErase"));
    if (!CanCancelErase())
        return;
    m_timer.stop();
    m_erasing = false;
    m_status = QStringLiteral("Erasing was cancelled");
    Q_EMIT EraseDone();
}

ScriptedRecorder::Verify ScriptedRecorder::VerifyState() const
{
    return m_succeeded && !m_simulate ? m_verify : Verify::NotChecked;
}

QString ScriptedRecorder::VerifyDetail() const
{
    return VerifyState() == Verify::Differs ? m_verifyDetail : QString();
}

QStringList ScriptedRecorder::Messages() const
{
    return m_messages;
}

void ScriptedRecorder::playStep()
{
    if (m_erasing) {
        if (++m_eraseStep < m_eraseSteps)
            return;
        m_timer.stop();
        m_erasing = false;
        if (!m_eraseFailure.isEmpty()) {
            m_status = m_eraseFailure;
            Q_EMIT EraseDone();
            return;
        }
        if (m_selected >= 0 && m_selected < int(m_recorders.size())) {
            Disc& disc = m_recorders[size_t(m_selected)].disc;
            if (m_afterErase) {
                disc = *m_afterErase;
            } else {
                disc.blank = true;
                disc.erasable = false;
            }
        }
        m_status = QStringLiteral("Done");
        Q_EMIT EraseDone();
        return;
    }
    if (m_next < m_script.size()) {
        const Step step = m_script[m_next++];
        Q_EMIT DeviceBufferFill(step.bufferFill);
        Q_EMIT CacheFill(step.cacheFill);
        Q_EMIT BurnProgress(step.blocks);
        m_status = step.status;
        return;
    }
    m_timer.stop();
    if (m_endsDone) {
        m_succeeded = m_succeeds;
        m_status = QStringLiteral("Done");
    }
}
