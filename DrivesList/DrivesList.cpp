#include "DrivesList.h"

#include "DrivePictures.h"
#include "DriveTypeNames.h"
#include "PathRules.h"
#include "Prompt.h"
#include "UDisks2Client.h"
#include "UserSettings.h"
#include "VolumeWatcher.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

namespace {

QString settingsKey(const QString& rememberedAs)
{
    return QStringLiteral("drives/") + rememberedAs;
}

int& sharedCharSet()
{
    static int charSet = 0;
    return charSet;
}

// Each line of a toolbar caption fits the picker's width; the combo box keeps the whole text.
QString fitLines(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, width);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

DrivesList::DrivesList(QWidget* parent)
    : QWidget(parent)
{
    DriveTypeNames::resetToDefaults();

    // Stacked, with the caption beside the picture, so that a narrow picker still shows all three
    // buttons and the pressed one is the user's choice.
    m_drivesToolbar = new QToolBar(this);
    m_drivesToolbar->setObjectName(QStringLiteral("DrivesToolbar"));
    m_drivesToolbar->setOrientation(Qt::Vertical);
    m_drivesToolbar->setIconSize(QSize(DrivePictures::Size, DrivePictures::Size));
    m_drivesToolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_sourceDriveLabel = new QLabel(this);
    m_sourceDriveLabel->setObjectName(QStringLiteral("SourceDriveLabel"));

    m_drivesFullList = new QComboBox(this);
    m_drivesFullList->setObjectName(QStringLiteral("DrivesFullList"));
    connect(m_drivesFullList, &QComboBox::activated, this, &DrivesList::comboPicked);

    setVolumeOrigin(Platform::VolumeOrigin::thisMachine());
}

DrivesList::~DrivesList()
{
    m_abandon->abandon();
}

void DrivesList::setVolumeOrigin(const Platform::VolumeOrigin& origin)
{
    m_origin = origin;
    m_source = [origin] { return Platform::Volumes::list(origin); };
    delete m_watcher;
    m_watcher = new Platform::VolumeWatcher(origin.bus, origin.mountTable, this);
    // A hidden picker lists afresh when its page is shown again.
    connect(m_watcher, &Platform::VolumeWatcher::changed, this, [this] {
        if (m_listed && isVisible())
            refreshDevices();
    });
}

void DrivesList::setVolumeSource(VolumeSource source)
{
    delete m_watcher;
    m_source = std::move(source);
}

const QList<QPixmap>& DrivesList::imageList() const
{
    return DrivePictures::all();
}

int DrivesList::FontCharSet() const
{
    return sharedCharSet();
}

void DrivesList::setFontCharSet(int charSet)
{
    sharedCharSet() = charSet;
}

void DrivesList::LangValue(const QString& text, int index)
{
    if (index == 1)
        m_sourceDriveLabel->setText(text);
}

void DrivesList::setLang(int index, const QString& text)
{
    if (index == 0)
        m_sourceDriveLabel->setText(text);
    else if (index >= 1 && index <= DriveTypeNames::Count)
        DriveTypeNames::setName(index - 1, text);
}

void DrivesList::setText(Text which, const QString& text)
{
    DriveChoice::StateWords words = m_choice.stateWords();
    switch (which) {
    case Text::NotMounted:
        words.notMounted = text;
        break;
    case Text::NotReady:
        words.notReady = text;
        break;
    case Text::MountNotAllowed:
        m_mountNotAllowed = text;
        break;
    case Text::MountUnreadable:
        m_mountUnreadable = text;
        break;
    case Text::MountFailed:
        m_mountFailed = text;
        break;
    }
    m_choice.setStateWords(words);
}

std::optional<Platform::VolumeList> DrivesList::listVolumes()
{
    const int generation = ++m_generation;
    QPointer<DrivesList> self(this);
    std::optional<Platform::VolumeList> volumes;
    try {
        // The source bounds each volume's query; the wait stays off the window's thread.
        volumes = Platform::Background::callKeepingEventsAlive([source = m_source] { return source(); },
                                                               m_abandon.get());
    } catch (const std::exception&) {
        volumes.reset(); // nothing could be asked: nothing is listed
    }
    // Gone, or a newer call listed while this one waited.
    if (!self || generation != m_generation)
        return std::nullopt;
    return volumes.value_or(Platform::VolumeList{});
}

void DrivesList::setRememberedAs(const QString& key)
{
    m_rememberedAs = key;
    if (!key.isEmpty() && m_lastPicked.isEmpty())
        m_lastPicked = Platform::userSettings().value(settingsKey(key)).toString();
}

void DrivesList::setLastPicked(const QString& name)
{
    m_lastPicked = name;
    if (m_rememberedAs.isEmpty() || name.isEmpty())
        return;
    QSettings settings = Platform::userSettings();
    settings.setValue(settingsKey(m_rememberedAs), name);
}

void DrivesList::ShowDevices()
{
    clearViews();
    const std::optional<Platform::VolumeList> volumes = listVolumes();
    if (!volumes)
        return;
    m_choice.rebuildPreferring(*volumes, m_lastPicked);
    m_listed = true;
    fillViews();
}

void DrivesList::refreshDevices()
{
    const std::optional<Platform::VolumeList> volumes = listVolumes();
    if (!volumes)
        return;
    const QString before = m_choice.currentDriveName();
    const QList<DriveChoice::Row> rowsBefore = m_choice.rows();
    const int indexBefore = m_choice.currentDriveIndex();
    // A file system the user just had mounted is chosen by whichever listing comes first.
    if (!m_justMounted.isEmpty() && m_choice.rebuildPreferring(*volumes, m_justMounted))
        m_justMounted.clear();
    else if (!m_choice.rebuildPreferring(*volumes, before))
        m_choice.rebuildPreferring(*volumes, m_lastPicked);
    // Nothing changed for the user: leave the views (and what the pointer is over) alone.
    if (m_choice.rows() == rowsBefore && m_choice.currentDriveIndex() == indexBefore &&
        m_choice.currentDriveName() == before)
        return;
    clearViews();
    fillViews();
    if (m_choice.currentDriveName() != before)
        Q_EMIT DriveChanged();
}

void DrivesList::clearViews()
{
    // Deleting a button's action deletes the button with it.
    for (QAction* action : std::as_const(m_buttonActions)) {
        m_drivesToolbar->removeAction(action);
        delete action;
    }
    m_buttonActions.clear();
    m_buttons.clear();
    m_drivesFullList->clear();
}

void DrivesList::fillViews()
{
    const QList<DriveChoice::Row>& rows = m_choice.rows();
    const int captionWidth = std::max(width() - DrivePictures::Size - 28, DrivePictures::Size);
    for (int i = 0; i < m_choice.toolbarCount(); ++i) {
        const DriveChoice::Row& row = rows[i];
        auto* button = new QToolButton(m_drivesToolbar);
        button->setObjectName(QStringLiteral("Buttons(%1)").arg(i + 1));
        button->setText(fitLines(row.buttonText, button->fontMetrics(), captionWidth));
        button->setIcon(DrivePictures::picture(row.type + 1));
        button->setIconSize(QSize(DrivePictures::Size, DrivePictures::Size));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setToolTip(row.tooltip);
        // A screen reader says the whole drive, whatever of it fits on the button.
        button->setAccessibleName(row.text.isEmpty() ? row.root + QLatin1Char('/') : row.text);
        button->setCheckable(true);
        button->setAutoRaise(true);
        const int position = i + 1;
        connect(button, &QToolButton::clicked, this, [this, position] { toolbarPicked(position); });
        m_buttonActions.append(m_drivesToolbar->addWidget(button));
        m_buttons.append(button);
    }
    for (int i = 0; i < rows.size(); ++i) {
        m_drivesFullList->addItem(rows[i].text);
        m_drivesFullList->setItemData(i, rows[i].tooltip, Qt::ToolTipRole);
    }
    // The open list shows whole rows even where the closed box is narrower.
    m_drivesFullList->view()->setMinimumWidth(m_drivesFullList->view()->sizeHintForColumn(0) + 24);
    selectMatchingComboItem();
    showPressedButton();
}

void DrivesList::showPressedButton()
{
    const int pressed = m_choice.pressedButton();
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setChecked(i + 1 == pressed);
}

void DrivesList::selectMatchingComboItem()
{
    m_drivesFullList->setCurrentIndex(m_choice.matchingRow());
}

void DrivesList::toolbarPicked(int position)
{
    if (mountInsteadOfPicking(position))
        return;
    m_choice.pick(position);
    setLastPicked(m_choice.currentDriveName());
    m_justMounted.clear();
    showPressedButton();
    m_drivesToolbar->update();
    selectMatchingComboItem();
    Q_EMIT DriveChanged();
}

void DrivesList::comboPicked(int row)
{
    if (row < 0 || mountInsteadOfPicking(row + 1))
        return;
    m_choice.pick(row + 1);
    setLastPicked(m_choice.currentDriveName());
    m_justMounted.clear();
    showPressedButton();
    m_drivesFullList->setCurrentIndex(row);
    Q_EMIT DriveChanged();
}

bool DrivesList::mountInsteadOfPicking(int position)
{
    const QList<DriveChoice::Row>& rows = m_choice.rows();
    if (position < 1 || position > rows.size() || rows[position - 1].mountHandle.isEmpty())
        return false;
    // The choice stays where it was until the file system is mounted.
    showPressedButton();
    selectMatchingComboItem();
    if (!m_origin || isMounting())
        return true;
    const DriveChoice::Row& row = rows[position - 1];
    m_mounting = row.mountHandle;
    const QString shownName = row.text.section(QStringLiteral(" - "), 0, 0);
    auto* call = new QDBusPendingCallWatcher(
        Platform::UDisks2Client(m_origin->bus).mount(row.mountHandle, m_mountReadOnly), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, shownName](QDBusPendingCallWatcher* finished) { mountFinished(finished, shownName); });
    return true;
}

void DrivesList::mountFinished(QDBusPendingCallWatcher* call, const QString& shownName)
{
    call->deleteLater();
    m_mounting.clear();
    const QDBusPendingReply<QString> reply = *call;
    if (reply.isError()) {
        const QDBusError error = reply.error();
        if (error.name() == QLatin1String("org.freedesktop.UDisks2.Error.AlreadyMounted")) {
            refreshDevices(); // mounted meanwhile, by the desktop or another program
            return;
        }
        using Failure = Platform::UDisks2Client::MountFailure;
        const Failure failure = Platform::UDisks2Client::classifyMountError(error.name(), error.message());
        QString text = failure == Failure::NotAllowed   ? m_mountNotAllowed
                       : failure == Failure::Unreadable ? m_mountUnreadable
                                                        : m_mountFailed;
        text = text.arg(shownName);
        // The system's own words say what exactly went wrong.
        if (!error.message().isEmpty())
            text += QStringLiteral("\n\n") + error.message();
        Prompt::show({QMessageBox::Critical, QString(), text, QMessageBox::Ok, QMessageBox::Ok}, this);
        return;
    }
    m_justMounted = Platform::PathRules::withClosingSlash(reply.value());
    setLastPicked(m_justMounted);
    refreshDevices();
}

void DrivesList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int comboHeight = m_drivesFullList->sizeHint().height();
    const int labelHeight = m_sourceDriveLabel->sizeHint().height();
    const int comboTop = std::max(0, height() - comboHeight);
    const int labelTop = std::max(0, comboTop - labelHeight);
    m_drivesFullList->setGeometry(0, comboTop, w, comboHeight);
    m_sourceDriveLabel->setGeometry(0, labelTop, w, labelHeight);
    m_drivesToolbar->setGeometry(0, 0, w, labelTop);
}
