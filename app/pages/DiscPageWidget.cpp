#include "pages/DiscPageWidget.h"

#include "JobAssembly.h"
#include "PageFlow.h"
#include "TextIds.h"
#include "TextRegister.h"
#include "Twips.h"
#include "Volumes.h"
#include "isButton.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

DiscPageWidget::DiscPageWidget(QWidget* parent)
    : WizardPage(DiscPage, 5, parent)
{
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("CDRipTabStrip"));
    m_tabs->setDrawBase(true);
    m_tabs->setExpanding(false);
    connect(m_tabs, &QTabBar::tabBarClicked, this, &DiscPageWidget::tabClicked);
    // The keys move between the tabs as a click would.
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (m_tabs->hasFocus())
            Q_EMIT tabClicked(tab);
    });
    body()->setSpacing(0);
    body()->addWidget(m_tabs);

    for (size_t i = 0; i < m_frames.size(); ++i) {
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("CDRipFrame(%1)").arg(i));
        frame->setFrameShape(QFrame::StyledPanel);
        body()->addWidget(frame, 1);
        m_frames[i] = frame;
    }
    for (size_t i = 0; i < m_labels.size(); ++i) {
        m_labels[i] = new QLabel(m_frames[i == 0 || i == 2 ? 0 : 1]);
        m_labels[i]->setObjectName(QStringLiteral("Label6(%1)").arg(i));
        m_labels[i]->setWordWrap(true);
    }

    // The disc drive to copy from.
    auto* drives = new QVBoxLayout(m_frames[0]);
    m_sourceDrives = new QComboBox(m_frames[0]);
    m_sourceDrives->setObjectName(QStringLiteral("SourceDrives"));
    m_sourceDrives->setIconSize(QSize(24, 24));
    m_sourceDrives->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_sourceDrives->setMinimumContentsLength(20);
    m_labels[2]->setBuddy(m_sourceDrives);
    drives->addWidget(m_labels[0]);
    drives->addWidget(m_labels[2]);
    drives->addWidget(m_sourceDrives);
    drives->addStretch();

    // The temporary folder and the machine's drives.
    auto* temp = new QGridLayout(m_frames[1]);
    m_tempFolder = new QLineEdit(m_frames[1]);
    m_tempFolder->setObjectName(QStringLiteral("TempFolder(0)"));
    m_tempFolder->setReadOnly(true);
    m_labels[3]->setBuddy(m_tempFolder);
    m_browse = new isButton(m_frames[1]);
    m_browse->setObjectName(QStringLiteral("Command2"));
    m_browse->setFontName(QStringLiteral("Tahoma"));
    connect(m_browse, &isButton::Click, this, &DiscPageWidget::folderDialogRequested);
    m_driveList = new QTreeWidget(m_frames[1]);
    m_driveList->setObjectName(QStringLiteral("DriveList(0)"));
    m_driveList->setRootIsDecorated(false);
    m_labels[1]->setBuddy(m_driveList);
    temp->addWidget(m_labels[3], 0, 0, 1, 2);
    temp->addWidget(m_tempFolder, 1, 0);
    temp->addWidget(m_browse, 1, 1);
    temp->addWidget(m_labels[1], 2, 0, 1, 2);
    temp->addWidget(m_driveList, 3, 0, 1, 2);
    temp->setRowStretch(3, 1);
    m_frames[1]->hide();
}

void DiscPageWidget::showBothTabs(const TextRegister& texts)
{
    const QSignalBlocker quiet(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    m_tabs->addTab(texts[TextId::TabSourceDisc]);
    m_tabs->addTab(texts[TextId::TabTempFolder]);
    m_tabs->setCurrentIndex(0);
    showFrame(DiscTab);
}

void DiscPageWidget::showTempTabOnly(const TextRegister& texts)
{
    const QSignalBlocker quiet(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    m_tabs->addTab(texts[TextId::TabTempFolder]);
    m_tabs->setCurrentIndex(0);
    showFrame(TempTab);
}

void DiscPageWidget::showFrame(Tab tab)
{
    if (tab == TempTab)
        fillDriveInfoList();
    m_frames[0]->setVisible(tab == DiscTab);
    m_frames[1]->setVisible(tab == TempTab);
}

void DiscPageWidget::fillDriveInfoList()
{
    m_driveList->clear();
    const auto columns = m_columns.isEmpty() ? JobAssembly::driveInfoColumns() : m_columns;
    QStringList titles;
    for (const auto& c : columns)
        titles.append(c.title);
    m_driveList->setColumnCount(static_cast<int>(columns.size()));
    m_driveList->setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].widthTwips > 0)
            m_driveList->setColumnWidth(i, Platform::twipsToPixels(columns[i].widthTwips));
    }
    for (const JobAssembly::DriveInfoRow& row : JobAssembly::driveInfoRows()) {
        auto* item = new QTreeWidgetItem(
            m_driveList, {row.drive, row.type, row.fileSystem, row.label, row.size, row.freeSpace});
        // Long mount points are cut in their column; the whole of them shows on pointing.
        item->setToolTip(0, row.drive);
    }
}

void DiscPageWidget::fillDiscDrives()
{
    m_sourceDrives->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveCDIcon);
    for (const Platform::Volume& v : Platform::Volumes::mounts()) {
        if (v.type != Platform::DriveType::Optical)
            continue;
        const QString root = v.ready ? v.root : QString();
        QString text = v.ready ? v.root : v.device.isEmpty() ? v.root : v.device;
        if (!v.label.isEmpty())
            text += QStringLiteral(" - ") + v.label;
        m_sourceDrives->addItem(icon, text, root);
    }
    if (m_sourceDrives->count() > 0)
        m_sourceDrives->setCurrentIndex(0);
}

void DiscPageWidget::applyTexts(const TextRegister& texts)
{
    m_tabs->setProperty("Charset", texts.charSet());
    m_columns = JobAssembly::driveInfoColumns(texts);
    m_browse->setFontCharSet(texts.charSet());
    m_browse->setCaption(texts[TextId::Browse]);
    m_browse->setAccessibleName(texts[TextId::Browse]);
    m_labels[2]->setText(texts[TextId::SourceDrive]);
    m_labels[3]->setText(texts[TextId::TempFolderLabel]);
    m_labels[1]->setText(texts[TextId::DrivesOnComputer]);
    m_labels[0]->setText(texts[TextId::ChooseDiscDrive]);
    m_sourceDrives->setAccessibleName(texts[TextId::SourceDrive]);
    m_tempFolder->setAccessibleName(texts[TextId::TempFolderLabel]);
    m_driveList->setAccessibleName(texts[TextId::DrivesOnComputer]);
    for (QLabel* l : m_labels)
        l->setProperty("Charset", texts.charSet());
}
