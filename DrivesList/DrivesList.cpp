#include "DrivesList.h"

#include "DrivePictures.h"
#include "DriveTypeNames.h"
#include "LocalWait.h"
#include "Volumes.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

namespace {

int& sharedCharSet()
{
    static int charSet = 0;
    return charSet;
}

} // namespace

DrivesList::DrivesList(QWidget* parent)
    : QWidget(parent)
    , m_source([] { return Platform::Volumes::list(); })
{
    DriveTypeNames::resetToDefaults();

    m_drivesToolbar = new QToolBar(this);
    m_drivesToolbar->setObjectName(QStringLiteral("DrivesToolbar"));
    m_drivesToolbar->setIconSize(QSize(DrivePictures::Size, DrivePictures::Size));
    m_drivesToolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    m_sourceDriveLabel = new QLabel(this);
    m_sourceDriveLabel->setObjectName(QStringLiteral("SourceDriveLabel"));

    m_drivesFullList = new QComboBox(this);
    m_drivesFullList->setObjectName(QStringLiteral("DrivesFullList"));
    connect(m_drivesFullList, &QComboBox::activated, this, &DrivesList::comboPicked);
}

DrivesList::~DrivesList()
{
    m_gone->store(true);
}

void DrivesList::setVolumeSource(VolumeSource source)
{
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

void DrivesList::ShowDevices()
{
    // Deleting a button's action deletes the button with it.
    for (QAction* action : std::as_const(m_buttonActions)) {
        m_drivesToolbar->removeAction(action);
        delete action;
    }
    m_buttonActions.clear();
    m_buttons.clear();
    m_drivesFullList->clear();

    const int generation = ++m_generation;
    QPointer<DrivesList> self(this);
    const std::shared_ptr<std::atomic<bool>> gone = m_gone;
    Platform::VolumeList volumes;
    try {
        // The source bounds each volume's query; the wait stays off the window's thread.
        const VolumeSource source = m_source;
        volumes = Platform::callKeepingEventsAlive([source] { return source(); }, {}, 25, gone.get())
                      .value_or(Platform::VolumeList{});
    } catch (const std::exception&) {
        volumes.clear(); // nothing could be asked: nothing is listed
    }
    // Gone, or a newer call rebuilt the views while this one waited.
    if (!self || generation != m_generation)
        return;
    m_choice.rebuild(volumes);
    fillViews();
}

void DrivesList::fillViews()
{
    const QList<DriveChoice::Row>& rows = m_choice.rows();
    for (int i = 0; i < m_choice.toolbarCount(); ++i) {
        const DriveChoice::Row& row = rows[i];
        auto* button = new QToolButton(m_drivesToolbar);
        button->setObjectName(QStringLiteral("Buttons(%1)").arg(i + 1));
        button->setText(row.text);
        button->setIcon(DrivePictures::picture(row.type + 1));
        button->setIconSize(QSize(DrivePictures::Size, DrivePictures::Size));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setToolTip(row.tooltip);
        button->setCheckable(true);
        button->setAutoRaise(true);
        const int position = i + 1;
        connect(button, &QToolButton::clicked, this, [this, position] { toolbarPicked(position); });
        m_buttonActions.append(m_drivesToolbar->addWidget(button));
        m_buttons.append(button);
    }
    for (const DriveChoice::Row& row : rows)
        m_drivesFullList->addItem(row.text);
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
    m_choice.pick(position);
    showPressedButton();
    m_drivesToolbar->update();
    selectMatchingComboItem();
    Q_EMIT DriveChanged();
}

void DrivesList::comboPicked(int row)
{
    if (row < 0)
        return;
    m_choice.pick(row + 1);
    showPressedButton();
    m_drivesFullList->setCurrentIndex(row);
    Q_EMIT DriveChanged();
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
