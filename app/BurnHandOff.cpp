#include "BurnHandOff.h"

#include "CDDVDBurner2.h"
#include "EraseMediaForm.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "Prompt.h"
#include "TextRegister.h"
#include "Volumes.h"

#include <QComboBox>
#include <QFileInfo>
#include <QStyle>
#include <QTimer>
#include <QWidget>

namespace {

const QString Title = QStringLiteral("Korvalis");

QString canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

} // namespace

BurnHandOff::BurnHandOff(K3Cindral& control, CDDVDBurner2& burner, const TextRegister& texts, Host host,
                         QWidget* window)
    : QObject(window)
    , m_control(&control)
    , m_burner(burner)
    , m_texts(texts)
    , m_host(std::move(host))
    , m_window(window)
{
    connect(&control, &K3Cindral::DriveReady, this, &BurnHandOff::onDriveReady);
    connect(&control, &K3Cindral::BurningAborted, this, &BurnHandOff::onBurningAborted);
    connect(&control, &K3Cindral::BurningFinished, this, &BurnHandOff::onBurningFinished);
    connect(&control, &K3Cindral::EraseButtonClick, this, &BurnHandOff::onEraseButtonClick);
    // The control's own Burn It button starts the burn as Next does.
    connect(&control, &K3Cindral::BurnButtonClick, this, &BurnHandOff::BeginBurn);
    connect(&burner, &CDDVDBurner2::EraseDone, this, &BurnHandOff::onEraseDone);
}

BurnHandOff::~BurnHandOff() = default;

QString BurnHandOff::textOr(int n, const QString& english) const
{
    const QString text = m_texts[n];
    return text.isEmpty() ? english : text;
}

EraseMediaForm* BurnHandOff::eraseForm() const
{
    return m_eraseForm.data();
}

// ---------------------------------------------------------------------------------------------
// Routes

bool BurnHandOff::asksAboutTempCopy(const QString& appFolder, const QString& tempPath)
{
    return !Platform::Volumes::sameVolume(appFolder, tempPath);
}

BurnHandOff::Route BurnHandOff::chooseRoute(const QString& appFolder, const QString& tempPath,
                                            const QString& question, QWidget* parent)
{
    if (!asksAboutTempCopy(appFolder, tempPath))
        return Route::Direct;
    const auto answer =
        Prompt::show({QMessageBox::Question, Title, question, QMessageBox::Yes | QMessageBox::No}, parent);
    return answer == QMessageBox::Yes ? Route::ViaTemp : Route::Direct;
}

bool BurnHandOff::startDirect(const QString& sourceRoot)
{
    m_keeper.forget();
    m_control->InitializeMe(sourceRoot, sourceRoot);
    return m_control->isBurnDriveReady();
}

bool BurnHandOff::startFromCopy(const QString& sourceRoot, const QString& copyRoot, const QString& tempFolder)
{
    if (copyRoot != sourceRoot)
        m_keeper.copyMade(tempFolder);
    else
        m_keeper.forget();
    m_control->InitializeMe(sourceRoot, copyRoot);
    return m_control->isBurnDriveReady();
}

void BurnHandOff::FillRecorderList(QComboBox& combo)
{
    const QIcon picture = combo.style()->standardIcon(QStyle::SP_DriveCDIcon);
    const QSignalBlocker quiet(&combo);
    combo.clear();
    combo.setEnabled(false);
    const int n = m_burner.RecorderCount();
    if (n <= 0)
        return;
    const Platform::VolumeList volumes = Platform::Volumes::mounts();
    for (int i = 0; i < n; ++i) {
        const QString name = m_burner.RecorderName(i);
        combo.addItem(picture, name, discRootOf(name, volumes));
    }
    combo.setCurrentIndex(0);
    combo.setEnabled(true);
}

QString BurnHandOff::discRootOf(const QString& recorderName, const Platform::VolumeList& volumes)
{
    QString device = recorderName.section(QLatin1Char(' '), 0, 0);
    if (device.startsWith(QLatin1String("stdio:")))
        device = device.mid(6);
    if (device.isEmpty())
        return {};
    const QString resolved = canonical(device);
    for (const Platform::Volume& v : volumes) {
        if (!v.ready || v.device.isEmpty())
            continue;
        if (v.device == device || canonical(v.device) == resolved)
            return v.root;
    }
    return {};
}

QString BurnHandOff::discRootOf(const QString& recorderName)
{
    return discRootOf(recorderName, Platform::Volumes::mounts());
}

// ---------------------------------------------------------------------------------------------
// The burn

void BurnHandOff::BeginBurn()
{
    const int index = m_control->PrepareBurn();
    if (index == -1)
        return; // the control has re-initialised itself
    // An image file is replaced when it is written: there is no disc to check or erase.
    const bool imageFile = m_control->isImageTargetSelected();
    const int recorder = imageFile ? -1 : windowRecorderFor(index);
    if (!imageFile)
        m_burner.SelectRecorder(recorder);
    if (!imageFile && !IsDiscBlank(recorder)) {
        if (!m_burner.IsErasable()) {
            warn(78);
            m_control->ReInitializeMe();
            return;
        }
        if (!ask(88)) {
            m_control->ReInitializeMe();
            return;
        }
        m_control->DisableMe();
        // This path has no erase buttons: it erases quickly, as the erase dialog always did.
        m_burner.setQuickErase(true);
        const bool erased = showEraseForm();
        if (!m_control)
            return;
        if (!erased) {
            // Nothing is burned onto a disc whose erase failed or was stopped.
            m_control->ReInitializeMe();
            return;
        }
    }
    m_host.setNavButtons(false, false, true);
    HandBurnItems();
    m_control->BurnIt();
    // A burn that could not start leaves the page waiting for a disc again, not stuck.
    if (m_control && !m_control->isBurning() && !m_control->CDDVDDetectTimer->isActive())
        m_control->ReInitializeMe();
}

bool BurnHandOff::IsDiscBlank(int index)
{
    // The recorder knows; a root that cannot be listed may be an unmounted disc full of data.
    if (m_burner.SelectRecorder(index) == 0)
        return false;
    return m_burner.IsBlank();
}

int BurnHandOff::windowRecorderFor(int controlIndex)
{
    // Both recorders list the same drives; should a drive have come or gone between their
    // lists, the name still finds the drive the user chose.
    const QString name = m_control->SourceDrives->itemText(controlIndex);
    const int n = m_burner.RecorderCount();
    for (int i = 0; i < n; ++i) {
        if (m_burner.RecorderName(i) == name)
            return i;
    }
    return controlIndex;
}

void BurnHandOff::HandBurnItems()
{
    const int n = m_host.itemsCount();
    for (int i = 1; i <= n; ++i)
        m_control->AddItem(m_host.itemName(i));
}

void BurnHandOff::onDriveReady(bool status)
{
    m_host.setNavButtons(true, status, true);
}

void BurnHandOff::onBurningAborted()
{
    m_control->ReInitializeMe();
}

void BurnHandOff::onBurningFinished()
{
    m_control->DisableMe();
    m_keeper.burned();
    m_host.gotoReportPage(false, false);
}

void BurnHandOff::onEraseButtonClick(int index)
{
    if (!ask(88))
        return;
    m_control->DisableMe();
    m_burner.setQuickErase(index == 0);
    showEraseForm();
    if (m_control)
        m_control->ReInitializeMe();
}

void BurnHandOff::onEraseDone()
{
    // The reset below clears the recorder's status; how the erase ended is taken first.
    const QString status = m_burner.StatusText();
    m_burner.DriveCommand22();
    m_burner.DriveCommand34();
    if (m_eraseForm)
        m_eraseForm->eraseFinished(m_control ? m_control->shownStatus(status) : status);
}

bool BurnHandOff::showEraseForm()
{
    m_burner.SelectRecorder(windowRecorderFor(m_control->SourceDrives->currentIndex()));
    EraseMediaForm form(m_burner, EraseMediaForm::Texts{m_texts[113], m_texts[191], m_texts[192]}, m_window);
    m_eraseForm = &form;
    Prompt::exec(form);
    m_eraseForm.clear();
    return form.erased();
}

QString BurnHandOff::burnCheck() const
{
    return m_control ? m_control->VerifyText() : QString();
}

QString BurnHandOff::burnTarget() const
{
    return m_control ? m_control->SourceDrives->currentText() : QString();
}

// ---------------------------------------------------------------------------------------------
// Leaving

bool BurnHandOff::mayQuit()
{
    if (!m_control || !m_control->isBurning())
        return true;
    const auto answer = Prompt::show(
        {QMessageBox::Warning, Title,
         textOr(298, QStringLiteral("A disc is being burned. If you quit now, the burn is stopped and the "
                                    "disc may not be usable.\n\nStop the burn and quit?")),
         QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        m_window);
    if (answer != QMessageBox::Yes || !m_control)
        return false;
    if (!m_control->isBurning())
        return true; // it ended while the question was open
    // No more ticks, messages or events from the burn being given up.
    m_control->DisableMe();
    m_control->setIsBurning(false);
    // Its recorder goes with the control: it cancels the burn and lets go of the drive, which
    // the program waits for before it ends.
    m_control = nullptr;
    m_host.endBurnControl();
    return true;
}

void BurnHandOff::releaseTempCopy(const QString& tempFolder)
{
    if (!m_keeper.holdsUnburnedCopy()) {
        m_keeper.forget();
        JobAssembly::DeleteJobTempFolder(tempFolder);
        return;
    }
    const QString where = m_keeper.setAside();
    QString question =
        textOr(299, QStringLiteral("The recovered files have not been burned to a disc. They are "
                                   "kept in this folder:\n\n%1\n\nDo you want to delete them now?"));
    // The folder is named even by a translation that lost its place holder.
    question = question.contains(QLatin1String("%1")) ? question.arg(where)
                                                      : question + QStringLiteral("\n\n") + where;
    const auto answer = Prompt::show(
        {QMessageBox::Question, Title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        m_window);
    if (answer == QMessageBox::Yes)
        JobAssembly::removeTreeForced(where.endsWith(QLatin1Char('/')) ? where.chopped(1) : where);
}

void BurnHandOff::keepStoppedCopy(const QString& tempFolder)
{
    m_keeper.copyMade(tempFolder);
    releaseTempCopy(tempFolder);
}

// ---------------------------------------------------------------------------------------------

bool BurnHandOff::ask(int textNumber)
{
    return Prompt::show(
               {QMessageBox::Question, Title, m_texts[textNumber], QMessageBox::Yes | QMessageBox::No},
               m_window) == QMessageBox::Yes;
}

void BurnHandOff::warn(int textNumber)
{
    Prompt::show({QMessageBox::Warning, Title, m_texts[textNumber]}, m_window);
}
