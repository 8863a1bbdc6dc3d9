#include "FilesAndFoldersList.h"

#include "Background.h"
#include "FileNames.h"
#include "FolderListing.h"
#include "FolderReader.h"
#include "PathAt.h"
#include "PathRules.h"
#include "Prompt.h"
#include "Twips.h"
#include "Volumes.h"

#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

namespace {

constexpr int ListTopTwips = 450;
constexpr int PanelInsetTwips = 30;
constexpr int CaptionRaiseTwips = 90;

// What one folder read brings back from the worker thread.
struct FolderRead
{
    bool audioCd = false;
    FolderContents contents;
};

// Linux's cdfs shows the tracks of an audio CD as files; nothing on such a disc can be recovered.
bool isAudioCd(const Platform::Volume& volume)
{
    return volume.type == Platform::DriveType::Optical &&
           volume.fileSystem.compare(QLatin1String("cdfs"), Qt::CaseInsensitive) == 0;
}

QToolButton* makeNavigationButton(QToolBar* bar, const QString& name, const QIcon& icon, QAction** action)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setAutoRaise(true);
    QAction* placed = bar->addWidget(button);
    if (action)
        *action = placed;
    return button;
}

// Outcome of a build run on the worker thread.
struct BuildOutcome
{
    bool result = false;
    bool limitCut = false;
};

// The newest collected path, handed from the walk to the window.
struct ProgressMailbox
{
    QMutex mutex;
    QString latest;
    bool fresh = false;
};

// Creates the folder, or finds it there; by the path's own bytes, so a folder made inside a folder
// whose name is not UTF-8 lands in that very folder.
bool makeFolder(const QString& path)
{
    const Platform::PathAt at = Platform::PathAt::of(Platform::FileNames::toBytes(path));
    if (!at.ok())
        return false;
    struct stat st = {};
    if (::mkdirat(at.folder(), at.name(), 0777) == 0)
        return true;
    return errno == EEXIST && ::fstatat(at.folder(), at.name(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

FilesAndFoldersList::FilesAndFoldersList(QWidget* parent)
    : QWidget(parent)
    , m_walk(std::make_shared<SelectionWalk>())
{
    m_navigationButtons = new QToolBar(this);
    m_navigationButtons->setObjectName(QStringLiteral("NavigationButtons"));
    m_navigationButtons->setIconSize(QSize(16, 16));
    m_backButton = makeNavigationButton(m_navigationButtons, QStringLiteral("Buttons(1)"),
                                        style()->standardIcon(QStyle::SP_ArrowBack), nullptr);
    m_upButton = makeNavigationButton(m_navigationButtons, QStringLiteral("Buttons(2)"),
                                      style()->standardIcon(QStyle::SP_FileDialogToParent), nullptr);
    m_newFolderButton =
        makeNavigationButton(m_navigationButtons, QStringLiteral("Buttons(3)"),
                             style()->standardIcon(QStyle::SP_FileDialogNewFolder), &m_newFolderAction);
    m_showHiddenButton = makeNavigationButton(m_navigationButtons, QStringLiteral("ShowHiddenFiles"),
                                              QIcon::fromTheme(QStringLiteral("view-hidden")), nullptr);
    m_showHiddenButton->setCheckable(true);
    m_showHiddenButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_showHiddenButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(m_showHiddenButton, &QToolButton::toggled, this, [this](bool on) {
        if (on == m_showHidden)
            return;
        m_showHidden = on;
        if (!m_building)
            ShowFilesList();
    });
    m_backButton->setEnabled(false);
    connect(m_backButton, &QToolButton::clicked, this, &FilesAndFoldersList::goBack);
    connect(m_upButton, &QToolButton::clicked, this, &FilesAndFoldersList::goUp);
    connect(m_newFolderButton, &QToolButton::clicked, this, &FilesAndFoldersList::createFolder);

    m_filesList = new QListWidget(this);
    m_filesList->setObjectName(QStringLiteral("FilesList"));
    m_filesList->setViewMode(QListView::ListMode);
    m_filesList->setIconSize(QSize(16, 16));
    m_filesList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_filesList->setUniformItemSizes(true);
    m_filesList->installEventFilter(this);
    connect(m_filesList, &QListWidget::itemDoubleClicked, this, &FilesAndFoldersList::openItem);

    m_pathCaption = new QLineEdit(this);
    m_pathCaption->setObjectName(QStringLiteral("PathCaption"));
    m_pathCaption->setReadOnly(true);

    m_errorMes = new QFrame(this);
    m_errorMes->setObjectName(QStringLiteral("Error_Mes"));
    m_errorMes->setFrameShape(QFrame::StyledPanel);
    m_errorMes->setAutoFillBackground(true);
    m_errMesCap = new QLabel(QStringLiteral("Disk is Unavailable"), m_errorMes);
    m_errMesCap->setObjectName(QStringLiteral("Err_Mes_Cap"));
    m_errMesCap->setAlignment(Qt::AlignCenter);
    m_errMesCap->setWordWrap(true);
    m_errorMes->hide();

    m_command1 = new QPushButton(this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->hide();
    connect(m_command1, &QPushButton::clicked, this, [this] {
        if (!m_building)
            CreateFilesList();
    });

    m_imageList1.append(style()->standardIcon(QStyle::SP_DirIcon));
    m_abandon = new Platform::Abandon(this);
    updatePathLine();
}

FilesAndFoldersList::~FilesAndFoldersList()
{
    // A walk still running stops at its next entry; its thread owns what it uses. The waits end
    // when m_abandon goes with the other children.
    if (m_cancelBuild)
        m_cancelBuild->store(true);
}

void FilesAndFoldersList::setCurrentPath(const QString& path)
{
    m_currentPath = path;
    ShowFilesList();
}

void FilesAndFoldersList::setShowHidden(bool show)
{
    m_showHidden = show;
    const QSignalBlocker quiet(m_showHiddenButton);
    m_showHiddenButton->setChecked(show);
}

void FilesAndFoldersList::setAllowCreateFolders(bool allow)
{
    m_allowCreateFolders = allow;
    m_newFolderAction->setVisible(allow);
}

void FilesAndFoldersList::setAllowMultySelect(bool allow)
{
    m_allowMultySelect = allow;
    m_filesList->setSelectionMode(allow ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::SingleSelection);
}

void FilesAndFoldersList::setLangValue(int index, const QString& value)
{
    if (index < 1 || index > TextCount)
        throw std::out_of_range("browser text index outside 1 to 100");
    m_texts[static_cast<size_t>(index - 1)] = value;
    switch (index) {
    case 1:
        updatePathLine();
        break;
    case 3:
        m_newFolderButton->setToolTip(value);
        break;
    case 7:
        m_backButton->setToolTip(value);
        break;
    case 8:
        m_upButton->setToolTip(value);
        break;
    case ShowHiddenText:
        m_showHiddenButton->setText(value);
        m_showHiddenButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H)); // setText drops it
        m_showHiddenButton->setToolTip(value + QStringLiteral(" (Ctrl+H)"));
        break;
    default:
        break;
    }
}

void FilesAndFoldersList::setEntryLimit(int limit)
{
    m_walk->setEntryLimit(limit);
}

void FilesAndFoldersList::updatePathLine()
{
    m_pathCaption->setText(text(1) + QStringLiteral(": ") + Platform::FileNames::displayText(m_currentPath));
}

void FilesAndFoldersList::showPanel()
{
    m_errorMes->show();
    m_errorMes->raise();
}

QIcon FilesAndFoldersList::typeIcon(const QString& fullPath) const
{
    // By the name alone: reading a file on a failing medium just to pick its icon could hang.
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(fullPath, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

void FilesAndFoldersList::ShowFilesList()
{
    m_filesList->clear();
    m_errorMes->hide();
    m_currentPath = Platform::PathRules::withClosingSlash(m_currentPath);
    updatePathLine();
    m_upButton->setEnabled(!Platform::PathRules::isRoot(m_currentPath));

    const int generation = ++m_listingGeneration;
    const QString path = m_currentPath;
    QPointer<FilesAndFoldersList> self(this);
    std::optional<FolderRead> read;
    try {
        read = Platform::Background::callKeepingEventsAlive(
            [path] {
                FolderRead r;
                r.audioCd = isAudioCd(Platform::Volumes::volumeOf(path));
                if (!r.audioCd)
                    r.contents = FolderReader::read(path);
                return r;
            },
            m_abandon);
    } catch (const std::exception&) {
        read.reset();
    }
    // Gone, or a newer listing took over while this one waited.
    if (!self || generation != m_listingGeneration)
        return;
    if (read && read->audioCd) {
        m_errMesCap->setText(text(6));
        showPanel();
        return;
    }
    if (!read || (!read->contents.ok && !read->contents.partial)) {
        showPanel();
        return;
    }

    const QList<ListedItem> rows = FolderListing::rows(path, read->contents, m_showHidden, m_iconCache);
    for (const ListedItem& row : rows) {
        if (row.newImage)
            m_imageList1.append(typeIcon(row.fullPath));
        const QIcon icon = row.image == FolderListing::NoImage ? style()->standardIcon(QStyle::SP_FileIcon)
                                                               : m_imageList1.value(row.image - 1);
        auto* item = new QListWidgetItem(icon, Platform::FileNames::displayText(row.name), m_filesList);
        item->setData(ImageRole, row.image);
        item->setData(IsFolderRole, row.isFolder);
        item->setData(NameRole, row.name);
        item->setData(IsOtherRole, row.isOther);
        if (row.isOther)
            item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    if (read->contents.partial) {
        showPanel(); // the rows read before the failure stay behind it
        return;
    }
    updatePathLine();
}

void FilesAndFoldersList::moveTo(const QString& path)
{
    m_history.push(m_currentPath);
    m_backButton->setEnabled(true);
    m_currentPath = path;
    ShowFilesList();
}

void FilesAndFoldersList::openItem(QListWidgetItem* item)
{
    if (!item || m_building || !item->data(IsFolderRole).toBool())
        return;
    moveTo(FolderListing::join(m_currentPath, selectedName(item)) + QLatin1Char('/'));
}

void FilesAndFoldersList::goBack()
{
    if (m_building || !m_history.canGoBack())
        return;
    m_currentPath = m_history.back();
    m_backButton->setEnabled(m_history.canGoBack());
    ShowFilesList();
}

void FilesAndFoldersList::goUp()
{
    if (m_building)
        return;
    moveTo(Platform::PathRules::parentOf(m_currentPath));
}

void FilesAndFoldersList::createFolder()
{
    if (m_building)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("NewFolderInput"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(text(2));
    dialog.setWindowTitle(text(3));
    if (Prompt::exec(dialog) != QDialog::Accepted)
        return;
    const QString name = dialog.textValue();
    if (name.isEmpty())
        return;
    const QString path = Platform::PathRules::withClosingSlash(m_currentPath) + name;
    // One folder of the current folder: a name with "/" or the dot names are no such folder.
    const bool plainName =
        !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
    const bool made = plainName && makeFolder(path);
    if (!made) {
        Prompt::show({QMessageBox::Critical, QString(), text(4), QMessageBox::Ok}, this);
        return;
    }
    ShowFilesList();
    for (int row = 0; row < m_filesList->count(); ++row) {
        QListWidgetItem* item = m_filesList->item(row);
        if (selectedName(item) != name)
            continue;
        m_filesList->clearSelection();
        m_filesList->setCurrentItem(item);
        item->setSelected(true);
        m_filesList->scrollToItem(item);
        break;
    }
}

bool FilesAndFoldersList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filesList && event->type() == QEvent::KeyPress && !m_building) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            QListWidgetItem* item = m_filesList->currentItem();
            if (item && item->isSelected())
                openItem(item);
            return true;
        }
        if (key->key() == Qt::Key_Backspace) {
            goUp();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool FilesAndFoldersList::runBuild(const std::function<bool(SelectionWalk&)>& build, bool restorePathLine)
{
    if (m_building)
        throw std::logic_error("a selection build is already running");
    m_building = true;
    m_filesList->setEnabled(false);
    m_navigationButtons->setEnabled(false);

    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancelBuild = cancel;
    auto mailbox = std::make_shared<ProgressMailbox>();
    std::shared_ptr<SelectionWalk> walk = m_walk;
    walk->setShowHidden(m_showHidden);
    walk->setCancelFlag(cancel.get());
    walk->setProgress([mailbox](const QString& path) {
        const QMutexLocker lock(&mailbox->mutex);
        mailbox->latest = Platform::FileNames::displayText(path);
        mailbox->fresh = true;
    });

    QPointer<FilesAndFoldersList> self(this);
    const QString prefix = text(9) + QStringLiteral(": ");
    const auto showProgress = [self, mailbox, prefix] {
        const QMutexLocker lock(&mailbox->mutex);
        if (self && mailbox->fresh)
            self->m_pathCaption->setText(prefix + mailbox->latest);
        mailbox->fresh = false;
    };
    QTimer progress;
    connect(&progress, &QTimer::timeout, this, showProgress);
    progress.start(25);
    const std::optional<BuildOutcome> outcome = Platform::Background::callKeepingEventsAlive(
        [walk, cancel, build]() -> BuildOutcome {
            BuildOutcome o;
            try {
                o.result = build(*walk);
            } catch (const std::length_error&) {
                o.limitCut = true;
            } catch (...) {
                o.result = false; // out of memory on a huge tree: the build fails, the control lives on
            }
            return o;
        },
        m_abandon);
    if (!self)
        return false;
    showProgress();
    walk->setProgress({});
    walk->setCancelFlag(nullptr);
    m_cancelBuild.reset();
    m_building = false;
    m_filesList->setEnabled(true);
    m_navigationButtons->setEnabled(true);
    m_itemsCount = walk->itemsCount();
    m_itemsTotalSize = walk->itemsTotalSize();
    m_leftOut = walk->leftOut();
    if (restorePathLine)
        updatePathLine();
    if (!outcome)
        return false;
    if (outcome->limitCut)
        throw std::length_error("the selection holds more entries than the list can take");
    return outcome->result;
}

bool FilesAndFoldersList::CreateListOfSelected()
{
    const QString path = m_currentPath;
    QStringList selected;
    for (int row = 0; row < m_filesList->count(); ++row) {
        const QListWidgetItem* item = m_filesList->item(row);
        if (item->isSelected())
            selected.append(selectedName(item));
    }
    return runBuild(
        [path, selected](SelectionWalk& walk) { return walk.createListOfSelected(path, selected); }, true);
}

bool FilesAndFoldersList::CreateFilesList()
{
    const QString path = m_currentPath;
    return runBuild([path](SelectionWalk& walk) { return walk.createFilesList(path); }, false);
}

bool FilesAndFoldersList::GetFileNames(const QString& a, const QString& b)
{
    return runBuild([a, b](SelectionWalk& walk) { return walk.getFileNames(a, b); }, false);
}

QString FilesAndFoldersList::selectedName(const QListWidgetItem* item) const
{
    return item->data(NameRole).toString();
}

QString FilesAndFoldersList::SelectedItemName(int index) const
{
    if (m_building)
        throw std::logic_error("the selection list is being built");
    return m_walk->selectedItemName(index);
}

void FilesAndFoldersList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int listTop = Platform::twipsToPixels(ListTopTwips);
    const int captionHeight = m_pathCaption->sizeHint().height();
    const int captionTop = std::max(listTop, height() - captionHeight);
    m_navigationButtons->setGeometry(0, 0, w, listTop);
    m_pathCaption->setGeometry(0, captionTop, w, captionHeight);
    const QRect listArea(0, listTop, w, captionTop - listTop);
    m_filesList->setGeometry(listArea);
    const int inset = Platform::twipsToPixels(PanelInsetTwips);
    const QRect panel = listArea.adjusted(inset, inset, -inset, -inset);
    m_errorMes->setGeometry(panel);
    const int captionRaise = Platform::twipsToPixels(CaptionRaiseTwips);
    const int labelHeight = m_errMesCap->sizeHint().height() * 2;
    m_errMesCap->setGeometry(0, panel.height() / 2 - captionRaise, panel.width(), labelHeight);
}
