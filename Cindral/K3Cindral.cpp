#include "K3Cindral.h"

#include "BurnItemPaths.h"
#include "MediaKind.h"
#include "SpeedRange.h"

#include "PluralText.h"
#include "Prompt.h"
#include "Twips.h"
#include "isButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace {

const QString CR = QStringLiteral("\r");

std::array<QString, K3Cindral::TextSlots> defaultTexts()
{
    std::array<QString, K3Cindral::TextSlots> t;
    t[0] = QStringLiteral("Korvalis");
    t[1] = QStringLiteral("Burning started");
    t[2] = QStringLiteral("Burn Status");
    t[3] = QStringLiteral("Burning process aborted.") + CR + QStringLiteral("Korvalis has to be restarted.");
    t[4] = QStringLiteral("Be aware that you might lose important data, on inserted media, if you choose to "
                          "proceed in this way.") +
           CR + QStringLiteral("Should Korvalis blank the disk for you any way?");
    t[5] = QStringLiteral("Status");
    t[6] = QStringLiteral("Speed is set");
    t[7] = QStringLiteral("Caching data");
    t[8] = QStringLiteral("Media Type is");
    t[9] = QStringLiteral("Incompatible media");
    t[10] = QStringLiteral("Insert disc into the drive");
    t[11] = QStringLiteral("Burning process aborted.");
    t[12] = QStringLiteral("There Is No Disc In The Drive");
    t[13] = QStringLiteral("Disc");
    t[14] = QStringLiteral("Disk erasing");
    t[15] = QStringLiteral("Rocorder:");
    t[16] = QStringLiteral("The disc you have inserted is not empty.");
    t[17] = QStringLiteral("Burning process finished.");
    t[18] = QStringLiteral("Quick Erase");
    t[19] = QStringLiteral("Date");
    t[20] =
        QStringLiteral("The rewritable disc you inserted is not empty.") + CR +
        QStringLiteral("Korvalis can erase the disc for you at this storage,") + CR +
        QStringLiteral("but please be aware that you might lose important data if you choose to proceed in "
                       "this way.") +
        CR + QStringLiteral("Do you want to erase the disc?");
    t[21] = QStringLiteral("Media:");
    t[22] = QStringLiteral("Write speed:");
    t[23] = QStringLiteral("Number of copies:");
    t[24] = QStringLiteral("Device Buffer:");
    t[25] = QStringLiteral("Cache Buffer:");
    t[26] = QStringLiteral("Burn progress:");
    t[28] = QStringLiteral("Full Erase");
    t[40] = QStringLiteral("Image file (.iso)…");
    t[41] = QStringLiteral("Save the disc image as");
    t[42] = QStringLiteral("ISO images (*.iso)");
    t[43] = QStringLiteral("The files to burn take %1, but the disc has room for only %2.") + CR +
            QStringLiteral("Nothing was burned. Choose fewer files, or a disc that holds more.");
    t[44] = QStringLiteral("Volume label:");
    t[45] = QStringLiteral("Simulate (nothing is written)");
    t[46] = QStringLiteral("%1 of %2 MiB written");
    t[47] = QStringLiteral("%1 MiB/s");
    t[48] = QStringLiteral("%1 left");
    t[49] = QStringLiteral("Verified: every file reads back as it was written.");
    t[50] = QStringLiteral("Verification failed: this file does not read back as it was written:");
    t[51] = QStringLiteral("Not verified.");
    t[52] = QStringLiteral("The recorder has made no progress for %1 seconds.");
    t[53] = QStringLiteral("Choose where the image file is saved.");
    t[54] = QStringLiteral("What the recorder said:");
    return t;
}

template <class T, size_t N>
T* at(const std::array<T*, N>& array, int index)
{
    if (index < 0 || index >= int(N))
        throw std::out_of_range("child control index out of range");
    return array[size_t(index)];
}

// Slot texts break lines with a carriage return; a message box breaks them at a line feed.
QString shown(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The recorder's statuses and failure reasons, and the slots that hold them in the language.
struct StatusSlot
{
    const char* english;
    int slot;
};
constexpr StatusSlot StatusSlots[] = {
    {"Starting", 65},
    {"Writing", 66},
    {"Closing the disc", 67},
    {"Verifying", 68},
    {"Erasing", 69},
    {"Done", 70},
    {"Image ready", 71},
    {"The recorder cannot be opened", 72},
    {"The disc is not blank", 73},
    {"The disc cannot take this image", 74},
    {"The image cannot be read", 75},
    {"Writing failed", 76},
    {"The recorder cannot erase this disc", 77},
    {"This kind of disc cannot be erased", 78},
    {"Erasing failed", 79},
    {"Left out, a link to a folder", 81},
};
constexpr int ImageTooLargeSlot = 80;
constexpr int MediaPatternSlot = 60;
constexpr int ImageFileSlot = 61;
constexpr int BurnButtonSlot = 62;
constexpr int OptionsFrameSlot = 63;
constexpr int ProgressFrameSlot = 64;
constexpr int StallFormsSlot = 82;

QString arrayName(const char* name, int index)
{
    return QLatin1String(name) + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

} // namespace

K3Cindral::K3Cindral(QWidget* parent)
    : K3Cindral(CDDVDBurner2::create(), parent)
{
}

K3Cindral::K3Cindral(std::unique_ptr<CDDVDBurner2> burner, QWidget* parent)
    : QWidget(parent)
    , m_burner(std::move(burner))
    , m_texts(defaultTexts())
{
    setObjectName(QStringLiteral("K3Cindral"));
    m_recorderPicture = style()->standardIcon(QStyle::SP_DriveCDIcon);
    CDDVDDetectTimer = new QTimer(this);
    CDDVDDetectTimer->setObjectName(QStringLiteral("CDDVDDetectTimer"));
    connect(CDDVDDetectTimer, &QTimer::timeout, this, &K3Cindral::tick);
    buildViews();
    connectBurner();
}

K3Cindral::~K3Cindral() = default;

void K3Cindral::buildViews()
{
    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    const std::array<const char*, 7> captions = {
        "Write drive:",   "Media:",        "Write speed:",  "Number of copies:",
        "Device Buffer:", "Cache Buffer:", "Burn progress:"};
    for (int i = 0; i < 7; ++i) {
        m_label1[size_t(i)] = new QLabel(QLatin1String(captions[size_t(i)]), this);
        m_label1[size_t(i)]->setObjectName(arrayName("Label1", i));
    }

    // The options view.
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    options->setObjectName(arrayName("BurnFrame", 0));
    m_burnFrame[0] = options;
    SourceDrives = new QComboBox(options);
    SourceDrives->setObjectName(QStringLiteral("SourceDrives"));
    CDDVDSpeed = new QComboBox(options);
    CDDVDSpeed->setObjectName(QStringLiteral("CDDVDSpeed"));
    WriteMedia = new QLineEdit(options);
    WriteMedia->setObjectName(QStringLiteral("WriteMedia"));
    WriteMedia->setReadOnly(true);
    StatusM = new QLabel(options);
    StatusM->setObjectName(QStringLiteral("StatusM"));
    VolumeLabel = new QLineEdit(options);
    VolumeLabel->setObjectName(QStringLiteral("VolumeLabel"));
    // ISO 9660 keeps 32 characters of a volume name, Joliet 16.
    VolumeLabel->setMaxLength(32);
    Simulate = new QCheckBox(m_texts[45], options);
    Simulate->setObjectName(QStringLiteral("Simulate"));
    Simulate->setEnabled(false);
    BurnBut = new isButton(QStringLiteral("Burn It"), -1, options);
    BurnBut->setObjectName(QStringLiteral("BurnBut"));
    BurnBut->setEnabled(false);
    for (int i = 0; i < 2; ++i) {
        m_eraseMedia[size_t(i)] = new isButton(i == 0 ? m_texts[18] : m_texts[28], i, options);
        m_eraseMedia[size_t(i)]->setObjectName(arrayName("EraseMedia", i));
        m_eraseMedia[size_t(i)]->setEnabled(false);
        connect(m_eraseMedia[size_t(i)], &isButton::Click, this,
                [this](int index) { Q_EMIT EraseButtonClick(index); });
    }
    // The host decides what a burn needs (the entries, a disc check): it is asked to begin.
    connect(BurnBut, &isButton::Click, this, [this] {
        if (!m_isBurning)
            Q_EMIT BurnButtonClick();
    });
    connect(SourceDrives, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_selectedPosition = index + 1;
        m_isBurnDriveReady = false; // another recorder: its disc is looked at afresh
        m_speedListStale = true;
    });
    connect(SourceDrives, &QComboBox::activated, this, [this](int index) {
        if (SourceDrives->itemData(index).toString() == QLatin1String(ImageChooserData))
            ChooseImageFile();
    });
    m_volumeLabelCaption = new QLabel(m_texts[44], options);
    m_volumeLabelCaption->setObjectName(QStringLiteral("VolumeLabelCaption"));
    auto* grid = new QGridLayout(options);
    grid->addWidget(m_label1[0], 0, 0);
    grid->addWidget(SourceDrives, 0, 1, 1, 3);
    grid->addWidget(m_label1[1], 1, 0);
    grid->addWidget(WriteMedia, 1, 1, 1, 3);
    grid->addWidget(m_label1[2], 2, 0);
    grid->addWidget(CDDVDSpeed, 2, 1);
    // One copy is always written; the caption stays for hosts that set its text.
    grid->addWidget(m_label1[3], 2, 2);
    m_label1[3]->hide();
    grid->addWidget(m_volumeLabelCaption, 3, 0);
    grid->addWidget(VolumeLabel, 3, 1, 1, 3);
    grid->addWidget(Simulate, 4, 1, 1, 3);
    grid->addWidget(StatusM, 5, 0, 1, 4);
    // The three buttons share the whole row, so that long captions (French, Spanish) keep the
    // width they need at the window's smallest size.
    auto* actions = new QHBoxLayout;
    actions->addWidget(BurnBut, 1);
    actions->addWidget(m_eraseMedia[0]);
    actions->addWidget(m_eraseMedia[1]);
    grid->addLayout(actions, 6, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);
    // Seven rows under the banner at the window's smallest size: with a large system font the
    // usual spacing would leave the fields less than their height.
    grid->setVerticalSpacing(2);

    // The burn-progress view: the status list over a frame with the three bars.
    auto* progress = new QGroupBox(QStringLiteral("Burn progress"), this);
    progress->setObjectName(arrayName("BurnFrame", 1));
    m_burnFrame[1] = progress;
    CDDVDStatus = new QTreeWidget(progress);
    CDDVDStatus->setObjectName(QStringLiteral("CDDVDStatus"));
    CDDVDStatus->setRootIsDecorated(false);
    CDDVDStatus->setColumnCount(2);
    CDDVDStatus->setHeaderLabels({m_texts[19], m_texts[5]});
    Frame1 = new QFrame(progress);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    for (int i = 0; i < 3; ++i) {
        m_burnProgress[size_t(i)] = new QProgressBar(Frame1);
        m_burnProgress[size_t(i)]->setObjectName(arrayName("CDDVDBurnProgress", i));
        m_burnProgress[size_t(i)]->setRange(0, 100);
        m_burnProgress[size_t(i)]->setValue(0);
    }
    auto* bars = new QGridLayout(Frame1);
    bars->setContentsMargins(0, 0, 0, 0);
    ProgressText = new QLabel(Frame1);
    ProgressText->setObjectName(QStringLiteral("ProgressText"));
    bars->addWidget(m_label1[6], 0, 0);
    bars->addWidget(ProgressText, 0, 1, Qt::AlignRight);
    bars->addWidget(m_burnProgress[0], 1, 0, 1, 2);
    bars->addWidget(m_label1[4], 2, 0);
    bars->addWidget(m_burnProgress[1], 2, 1);
    bars->addWidget(m_label1[5], 3, 0);
    bars->addWidget(m_burnProgress[2], 3, 1);
    bars->setColumnStretch(1, 1);
    auto* column = new QVBoxLayout(progress);
    column->addWidget(CDDVDStatus, 1);
    column->addWidget(Frame1, 0);

    outer->addWidget(options, 0, 0);
    outer->addWidget(progress, 0, 0);
    progress->hide();
}

void K3Cindral::connectBurner()
{
    connect(m_burner.get(), &CDDVDBurner2::RecordersChanged, this, &K3Cindral::refreshRecorders);
    connect(m_burner.get(), &CDDVDBurner2::BurnProgress, this, &K3Cindral::onBurnProgress);
    connect(m_burner.get(), &CDDVDBurner2::DeviceBufferSize, this, [this](double v) {
        if (v > 0)
            m_burnProgress[1]->setMaximum(int(std::min(v, 2.0e9)));
    });
    connect(m_burner.get(), &CDDVDBurner2::DeviceBufferFill, this, [this](double v) {
        setBar(m_burnProgress[1], v);
        m_bufferSize = v;
    });
    connect(m_burner.get(), &CDDVDBurner2::CacheSize, this,
            [this](double v) { m_burnProgress[2]->setMaximum(int(std::clamp(v, 0.0, 2.0e9))); });
    connect(m_burner.get(), &CDDVDBurner2::CacheFill, this, [this](double v) {
        setBar(m_burnProgress[2], v);
        m_cacheSize = v;
    });
}

void K3Cindral::setBar(QProgressBar* bar, double value)
{
    // A bar ignores values outside its range; show such a value at the nearer end.
    bar->setValue(int(std::clamp(value, double(bar->minimum()), double(bar->maximum()))));
}

isButton* K3Cindral::EraseMedia(int index) const
{
    return at(m_eraseMedia, index);
}

QGroupBox* K3Cindral::BurnFrame(int index) const
{
    return at(m_burnFrame, index);
}

QProgressBar* K3Cindral::CDDVDBurnProgress(int index) const
{
    return at(m_burnProgress, index);
}

QLabel* K3Cindral::Label1(int index) const
{
    return at(m_label1, index);
}

void K3Cindral::InitializeMe(const QString& sourceRoot, const QString& stagingRoot)
{
    m_burnFrame[0]->show();
    m_burnFrame[1]->hide();
    m_isBurning = false;
    // The disc is looked at afresh: after a burn or an erase it is not the disc it was.
    m_isBurnDriveReady = false;
    if (VolumeLabel->text().isEmpty() || sourceRoot != m_sourceRoot) {
        // The name of the folder the files come from, or the day they were burned.
        const QString folder = QFileInfo(QDir::cleanPath(sourceRoot)).fileName();
        VolumeLabel->setText(!folder.isEmpty()
                                 ? folder.left(32)
                                 : QStringLiteral("Korvalis ") + QDate::currentDate().toString(Qt::ISODate));
    }
    m_sourceRoot = sourceRoot;
    m_stagingRoot = stagingRoot;
    GetDrives();
    // A recorder plugged in since the last look shows up when the page opens.
    m_burner->Rescan();
    CDDVDDetectTimer->setInterval(500);
    CDDVDDetectTimer->start();
}

void K3Cindral::ReInitializeMe()
{
    InitializeMe(m_sourceRoot, m_stagingRoot);
}

void K3Cindral::DisableMe()
{
    CDDVDDetectTimer->stop();
}

bool K3Cindral::GetDrives()
{
    const QSignalBlocker quiet(SourceDrives);
    SourceDrives->clear();
    const int n = m_burner->RecorderCount();
    m_selectedPosition = 1;
    for (int i = 0; i < n; ++i)
        SourceDrives->addItem(m_recorderPicture, m_burner->RecorderName(i));
    // An image file can always be written, recorder or not.
    SourceDrives->addItem(style()->standardIcon(QStyle::SP_FileIcon), m_texts[40],
                          QString::fromLatin1(ImageChooserData));
    SourceDrives->setCurrentIndex(0);
    SourceDrives->setEnabled(true);
    return n > 0;
}

void K3Cindral::refreshRecorders()
{
    // Not while a burn is being prepared or runs: the recorder chosen for it stays.
    if (m_isBurning || m_burnFrame[0]->isHidden())
        return;
    const QString chosen = SourceDrives->currentText();
    GetDrives();
    if (const int again = SourceDrives->findText(chosen); again > 0) {
        const QSignalBlocker quiet(SourceDrives);
        SourceDrives->setCurrentIndex(again);
        m_selectedPosition = again + 1;
    }
    m_isBurnDriveReady = false;
    m_speedListStale = true;
}

bool K3Cindral::chooserSelected() const
{
    return SourceDrives->itemData(m_selectedPosition - 1).toString() == QLatin1String(ImageChooserData);
}

bool K3Cindral::isImageTargetSelected()
{
    return !chooserSelected() && m_burner->IsImageTarget(recorderIndex());
}

bool K3Cindral::ChooseImageFile()
{
    if (m_choosing || m_isBurning)
        return false;
    m_choosing = true;
    QFileDialog dialog(this, shown(m_texts[41]));
    dialog.setObjectName(QStringLiteral("ImageFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(m_texts[42]);
    dialog.setDefaultSuffix(QStringLiteral("iso"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(VolumeLabel->text().isEmpty() ? QStringLiteral("disc.iso")
                                                    : VolumeLabel->text() + QStringLiteral(".iso"));
    const bool chosen = Prompt::exec(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    m_choosing = false;
    if (!chosen) {
        // Back to what was chosen before, unless that was this item itself.
        const int count = SourceDrives->count();
        if (count > 1 && chooserSelected())
            SourceDrives->setCurrentIndex(0);
        return false;
    }
    const int index = m_burner->AddImageTarget(dialog.selectedFiles().constFirst());
    GetDrives();
    SourceDrives->setCurrentIndex(index);
    m_selectedPosition = index + 1;
    m_isBurnDriveReady = false;
    m_speedListStale = true;
    return true;
}

void K3Cindral::SetSpeedRange()
{
    const int r = m_burner->SelectRecorder(recorderIndex());
    CDDVDSpeed->clear();
    CDDVDSpeed->setEnabled(true);
    const int media = r != 0 ? m_burner->MediaType() : MediaKind::NoDisc;
    if (media == MediaKind::ImageFile) {
        // A file is written as fast as the disk takes it; there is no speed to choose.
        CDDVDSpeed->setEnabled(false);
        return;
    }
    const bool fixed = r == 0 || media == MediaKind::NoDisc;
    const int s1 = fixed ? 0 : m_burner->SpeedLimit1();
    const int s2 = fixed ? 0 : m_burner->SpeedLimit2();
    CDDVDSpeed->addItems(SpeedRange::items(r != 0, media, s1, s2));
    CDDVDSpeed->setCurrentIndex(CDDVDSpeed->count() - 1);
    CDDVDSpeed->setEnabled(!fixed);
}

void K3Cindral::AddItem(const QString& entry)
{
    const BurnItemPaths paths(m_sourceRoot, m_stagingRoot);
    if (BurnItemPaths::isFolderEntry(entry)) {
        for (const auto& folder : paths.foldersFor(entry))
            m_burner->AddFolder(folder.parent, folder.name);
        ++m_foldersCount;
        return;
    }
    if (const auto file = paths.fileFor(entry)) {
        ++m_filesCount;
        m_burner->AddFile(file->imageFolder, file->stagedPath);
    }
}

QString K3Cindral::mediaText(int code) const
{
    if (code == MediaKind::ImageFile && !m_texts[ImageFileSlot].isEmpty())
        return m_texts[ImageFileSlot];
    // "%1 disc" puts the kind where the language wants it ("disque %1"); else the kind, a blank
    // and the word of slot 13.
    const QString& pattern = m_texts[MediaPatternSlot];
    return MediaKind::text(code, m_texts[12], pattern.isEmpty() ? m_texts[13] : pattern, m_texts[9]);
}

QString K3Cindral::shownStatus(const QString& status) const
{
    static const QRegularExpression tooLarge(QStringLiteral(
        "^The image \\((\\d+) bytes\\) is larger than the room on the disc \\((\\d+) bytes\\)$"));
    if (!m_texts[ImageTooLargeSlot].isEmpty()) {
        if (const QRegularExpressionMatch m = tooLarge.match(status); m.hasMatch()) {
            const QLocale locale;
            return m_texts[ImageTooLargeSlot].arg(locale.formattedDataSize(m.captured(1).toLongLong()),
                                                  locale.formattedDataSize(m.captured(2).toLongLong()));
        }
    }
    for (const StatusSlot& s : StatusSlots) {
        const QLatin1String english(s.english);
        const QString& shown = m_texts[size_t(s.slot)];
        if (shown.isEmpty() || !status.startsWith(english))
            continue;
        const QString rest = status.mid(english.size());
        if (rest.isEmpty() || rest.startsWith(QLatin1String(": ")))
            return shown + rest;
    }
    return status;
}

void K3Cindral::addStatusRow(const QString& status, bool withPicture)
{
    auto* row = new QTreeWidgetItem(CDDVDStatus);
    row->setText(0, QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    row->setText(1, status);
    if (withPicture)
        row->setIcon(0, m_recorderPicture);
    CDDVDStatus->scrollToItem(row);
}

void K3Cindral::setLastStatus(const QString& status)
{
    const int n = CDDVDStatus->topLevelItemCount();
    if (n > 0)
        CDDVDStatus->topLevelItem(n - 1)->setText(1, status);
}

int K3Cindral::PrepareBurn()
{
    m_burnFrame[0]->hide();
    m_burnFrame[1]->show();
    for (auto* bar : m_burnProgress)
        bar->setValue(0);
    m_filesCount = 0;
    m_foldersCount = 0;

    // A dry run only when the user asked for one and the recorder can do it.
    m_burner->setBurnOptionA(Simulate->isEnabled() && Simulate->isChecked());
    CDDVDStatus->clear();
    CDDVDStatus->setHeaderLabels({m_texts[19], m_texts[5]});
    const int first = Platform::twipsToPixels(1300);
    CDDVDStatus->setColumnWidth(0, first);
    CDDVDStatus->setColumnWidth(1, std::max(0, CDDVDStatus->width() - first - Platform::twipsToPixels(390)));

    m_burner->DriveCommand22();
    m_burner->setBurnOptionB(true);
    m_burner->setBurnOptionC(true);
    m_burner->setWriteSpeed(SpeedRange::valueOf(CDDVDSpeed->currentText()));
    m_burner->setVolumeLabel(VolumeLabel->text().trimmed().isEmpty() ? QStringLiteral("KORVALIS")
                                                                     : VolumeLabel->text().trimmed());
    m_verifyState = CDDVDBurner2::Verify::NotChecked;
    m_verifyText.clear();
    ProgressText->clear();
    addStatusRow(m_burner->RecorderName(recorderIndex()), true);

    for (;;) {
        m_burner->SelectRecorder(recorderIndex());
        const int m = m_burner->MediaType();
        addStatusRow(mediaText(m));
        if (m != MediaKind::NoDisc && !MediaKind::isWritable(m)) {
            m_burner->DriveCommand20();
            // OK looks again (after the disc was changed); Cancel gives up.
            const auto answer = Prompt::show(
                {QMessageBox::Critical, QString(), shown(m_texts[9]), QMessageBox::Ok | QMessageBox::Cancel},
                this);
            addStatusRow(m_texts[9]);
            if (answer == QMessageBox::Ok)
                continue;
            addStatusRow(m_texts[11]);
            ReInitializeMe();
            return -1;
        }
        if (m == 0) {
            m_burner->DriveCommand20();
            const auto answer = Prompt::show({QMessageBox::Critical, QString(), shown(m_texts[10]),
                                              QMessageBox::Retry | QMessageBox::Cancel},
                                             this);
            if (answer == QMessageBox::Retry)
                continue;
            addStatusRow(m_texts[11]);
            ReInitializeMe();
            return -1;
        }
        return recorderIndex();
    }
}

void K3Cindral::BurnIt()
{
    // Nothing to write (the button pressed before the host added entries) or a burn running:
    // a write-once disc must not be spent on an empty image.
    if (m_isBurning || (m_filesCount == 0 && m_foldersCount == 0))
        return;
    if (!m_burner->PrepareImage()) {
        endBurnAborted(shownStatus(m_burner->StatusText()));
        return;
    }
    // Too large for the disc: say so before a byte is written, so that no disc is spent.
    const qint64 blocks = m_burner->ImageBlocks();
    qint64 room = m_burner->FreeBlocks();
    if (room < 0)
        room = MediaKind::nominalBlocks(m_burner->MediaType());
    if (room > 0 && blocks > room) {
        const QLocale locale;
        endBurnAborted(
            m_texts[43].arg(locale.formattedDataSize(blocks * 2048), locale.formattedDataSize(room * 2048)));
        return;
    }
    for (const QString& note : m_burner->Messages())
        addStatusRow(shownStatus(note));
    setLastStatus(m_texts[7]);
    CDDVDDetectTimer->setInterval(100);
    CDDVDDetectTimer->start();
    m_isBurning = true;
    m_lastBurnBlock = 0;
    m_progressBlocks = 0;
    m_stallReported = false;
    m_burnClock.invalidate();
    m_progressClock.start();
    const double mebibytes = double(m_burner->ImageBlocks()) * 2048 / 1024 / 1024;
    m_burnProgress[0]->setMaximum(std::max(1, int(mebibytes)));
    m_lastStatusText.clear();
    m_burner->StartBurn();
}

bool K3Cindral::isEntireMediaEmpty(int index)
{
    // The recorder says whether the disc is blank; an unmounted disc with data is not.
    if (m_burner->SelectRecorder(index) == 0)
        return false;
    return m_burner->IsBlank();
}

void K3Cindral::tick()
{
    // A message box opened inside a tick lets the timer fire again; one tick at a time.
    if (m_inTick)
        return;
    m_inTick = true;
    if (m_isBurning)
        burnTick();
    else
        detectionTick();
    m_inTick = false;
}

void K3Cindral::detectionTick()
{
    if (chooserSelected()) {
        // No file chosen yet: nothing to burn into.
        WriteMedia->clear();
        StatusM->setText(m_texts[53]);
        CDDVDSpeed->clear();
        CDDVDSpeed->setEnabled(false);
        m_speedListStale = true;
        m_isBurnDriveReady = false;
        Q_EMIT DriveReady(false);
        BurnBut->setEnabled(false);
        m_eraseMedia[0]->setEnabled(false);
        m_eraseMedia[1]->setEnabled(false);
        Simulate->setEnabled(false);
        return;
    }
    m_burner->SelectRecorder(recorderIndex());
    const int m = m_burner->MediaType();
    WriteMedia->setText(mediaText(m));
    StatusM->clear();
    if (m != MediaKind::NoDisc && !MediaKind::isWritable(m)) {
        // A pressed disc, or a kind this program cannot write: never ready, and said so.
        m_speedListStale = true;
        m_isBurnDriveReady = false;
        StatusM->setText(m_texts[9]);
        Q_EMIT DriveReady(false);
        BurnBut->setEnabled(false);
    } else if (m != MediaKind::NoDisc) {
        if (!m_isBurnDriveReady) {
            if (isEntireMediaEmpty(recorderIndex())) {
                if (m_speedListStale)
                    SetSpeedRange();
                m_speedListStale = false;
                m_isBurnDriveReady = true;
                Q_EMIT DriveReady(true);
                BurnBut->setEnabled(true);
            } else {
                m_speedListStale = true;
                m_isBurnDriveReady = false;
                StatusM->setText(m_texts[16]);
                Q_EMIT DriveReady(false);
                BurnBut->setEnabled(false);
            }
        }
    } else {
        m_speedListStale = true;
        CDDVDSpeed->clear();
        CDDVDSpeed->setEnabled(false);
        m_isBurnDriveReady = false;
        Q_EMIT DriveReady(false);
        BurnBut->setEnabled(false);
    }
    // A rewritable disc that holds data can be erased; a blank one has nothing to erase.
    const bool erasable = MediaKind::isErasable(m) && m_burner->IsErasable();
    m_eraseMedia[0]->setEnabled(erasable);
    m_eraseMedia[1]->setEnabled(erasable);
    Simulate->setEnabled(m_isBurnDriveReady && m_burner->CanSimulate());
}

void K3Cindral::burnTick()
{
    const QString s = m_burner->StatusText();
    if (s != m_lastStatusText) {
        addStatusRow(shownStatus(s));
        m_progressClock.start(); // a new step is progress too
    }
    m_lastStatusText = s;
    if (s != QLatin1String("Done")) {
        // Only writing moves block by block; closing a disc and reading it back take long steps.
        if (s == QLatin1String("Writing"))
            checkStall();
        return;
    }
    // Short of the image, or the recorder could not close it well: not a finished burn.
    if (double(m_burner->ImageBlocks()) > m_lastBurnBlock || !m_burner->BurnSucceeded()) {
        endBurnAborted(failureDetail());
        return;
    }
    m_isBurning = false;
    noteVerifyOutcome();
    Q_EMIT BurningFinished();
}

void K3Cindral::noteVerifyOutcome()
{
    m_verifyState = m_burner->VerifyState();
    switch (m_verifyState) {
    case CDDVDBurner2::Verify::Verified:
        m_verifyText = m_texts[49];
        break;
    case CDDVDBurner2::Verify::Differs:
        m_verifyText = m_texts[50] + QLatin1Char(' ') + m_burner->VerifyDetail();
        break;
    case CDDVDBurner2::Verify::NotChecked:
        m_verifyText = m_texts[51];
        break;
    }
    addStatusRow(m_verifyText);
    if (m_verifyState == CDDVDBurner2::Verify::Differs)
        Prompt::show({QMessageBox::Warning, QString(), shown(m_verifyText), QMessageBox::Ok}, this);
}

QString K3Cindral::failureDetail() const
{
    // The latest of what libburn and libisofs said; the file that could not be read is named there.
    QStringList said = m_burner->Messages();
    if (said.size() > 6)
        said = said.mid(said.size() - 6);
    if (said.isEmpty())
        return {};
    return m_texts[54] + QLatin1Char('\n') + said.join(QLatin1Char('\n'));
}

void K3Cindral::checkStall()
{
    if (m_stallReported || !m_progressClock.isValid() ||
        m_progressClock.elapsed() <= qint64(m_stallSeconds) * 1000)
        return;
    // Reported once; the recorder may yet go on, and the user can stop the program.
    m_stallReported = true;
    QString text = m_texts[StallFormsSlot].isEmpty()
                       ? m_texts[52].arg(m_stallSeconds)
                       : Platform::PluralText::text(m_texts[StallFormsSlot], m_stallSeconds);
    addStatusRow(text);
    const QString status = shownStatus(m_burner->StatusText());
    if (!status.isEmpty())
        text += QLatin1Char('\n') + status;
    if (const QString said = failureDetail(); !said.isEmpty())
        text += QStringLiteral("\n\n") + said;
    Prompt::show({QMessageBox::Warning, QString(), shown(text), QMessageBox::Ok}, this);
}

void K3Cindral::endBurnAborted(const QString& why)
{
    m_isBurning = false;
    if (!why.isEmpty())
        addStatusRow(why);
    const QString text = why.isEmpty() ? m_texts[11] : m_texts[11] + QStringLiteral("\n\n") + why;
    Prompt::show({QMessageBox::Critical, QString(), shown(text), QMessageBox::Ok}, this);
    ReInitializeMe();
    Q_EMIT BurningAborted();
}

void K3Cindral::showProgressText(double blocks)
{
    const double total = double(m_burner->ImageBlocks()) * 2048 / 1024 / 1024;
    const double written = blocks * 2048 / 1024 / 1024;
    const QLocale locale;
    QStringList parts{m_texts[46].arg(locale.toString(written, 'f', 1), locale.toString(total, 'f', 1))};
    if (!m_burnClock.isValid()) {
        m_burnClock.start();
        m_progressBlocks = blocks;
    } else if (const qint64 ms = m_burnClock.elapsed(); ms > 0 && blocks > m_progressBlocks) {
        const double perSecond = (blocks - m_progressBlocks) * 2048 / 1024 / 1024 * 1000 / double(ms);
        parts << m_texts[47].arg(locale.toString(perSecond, 'f', 1));
        const int left = int((total - written) / perSecond);
        parts << m_texts[48].arg(
            QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0')));
    }
    ProgressText->setText(parts.join(QStringLiteral(", ")));
}

void K3Cindral::onBurnProgress(double blocks)
{
    if (!m_isBurning)
        return;
    setBar(m_burnProgress[0], blocks * 2048 / 1024 / 1024);
    if (blocks != m_lastBurnBlock)
        m_progressClock.start();
    showProgressText(blocks);
    if (blocks > 0 && m_cacheSize == 0 && m_bufferSize == 0 && blocks == m_lastBurnBlock) {
        // No progress since the last report and both buffers empty: the recorder has stalled.
        m_isBurning = false;
        m_lastBurnBlock = blocks;
        Prompt::show({QMessageBox::Critical, QString(), shown(m_texts[3]), QMessageBox::Ok}, this);
        return;
    }
    m_lastBurnBlock = blocks;
}

void K3Cindral::setLangValue(int index, const QString& text)
{
    if (index < 0 || index >= TextSlots)
        throw std::out_of_range("K3Cindral::LangValue index out of range");
    m_texts[size_t(index)] = text;
    switch (index) {
    case 21:
        m_label1[0]->setText(text);
        break;
    case 8:
        m_label1[1]->setText(text);
        break;
    case 23:
    case 24:
    case 25:
    case 26:
    case 27:
        m_label1[size_t(index - 21)]->setText(text);
        break;
    case 18:
        m_eraseMedia[0]->setCaption(text);
        break;
    case 5:
    case 19:
        CDDVDStatus->setHeaderLabels({m_texts[19], m_texts[5]});
        break;
    case BurnButtonSlot:
        BurnBut->setCaption(text);
        break;
    case OptionsFrameSlot:
    case ProgressFrameSlot:
        m_burnFrame[size_t(index - OptionsFrameSlot)]->setTitle(text);
        break;
    case 28:
        m_eraseMedia[1]->setCaption(text);
        break;
    case 40:
        if (const int chooser = SourceDrives->findData(QString::fromLatin1(ImageChooserData)); chooser >= 0)
            SourceDrives->setItemText(chooser, text);
        break;
    case 44:
        m_volumeLabelCaption->setText(text);
        break;
    case 45:
        Simulate->setText(text);
        break;
    default:
        break;
    }
}

QString K3Cindral::LangValue(int index) const
{
    if (index < 0 || index >= TextSlots)
        throw std::out_of_range("K3Cindral::LangValue index out of range");
    return m_texts[size_t(index)];
}

void K3Cindral::setFontCharSet(int charSet)
{
    m_charSet = charSet;
    const auto apply = [](QWidget* w) {
        QFont font = w->font();
        font.setFamily(QStringLiteral("Tahoma"));
        w->setFont(font);
    };
    for (auto* label : m_label1)
        apply(label);
    apply(SourceDrives);
    apply(WriteMedia);
    apply(VolumeLabel);
    apply(m_volumeLabelCaption);
    apply(Simulate);
    for (auto* button : m_eraseMedia) {
        apply(button);
        button->setFontCharSet(charSet);
    }
    apply(CDDVDStatus);
}
