#include "pages/DestinationPageWidget.h"

#include "DrivesList.h"
#include "ElidedLabel.h"
#include "FilesAndFoldersList.h"
#include "PageFlow.h"
#include "PathRules.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

DestinationPageWidget::DestinationPageWidget(QWidget* parent)
    : WizardPage(DestinationPage, 1, parent)
{
    m_drives = new DrivesList(this);
    m_drives->setObjectName(QStringLiteral("DrivesList2"));
    m_drives->setMountReadOnly(false); // recovered files are written there
    m_drives->setRememberedAs(QStringLiteral("destination"));
    m_drives->setMinimumWidth(200);
    m_drives->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_files = new FilesAndFoldersList(this);
    m_files->setObjectName(QStringLiteral("FilesAndFoldersList2"));
    m_files->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* row = new QHBoxLayout;
    row->addWidget(m_drives, 1);
    row->addWidget(m_files, 3);
    body()->addLayout(row, 1);

    m_copiedTo = new ElidedLabel(this);
    m_copiedTo->setObjectName(QStringLiteral("CopiedTo"));
    QFont bold = m_copiedTo->font();
    bold.setBold(true);
    m_copiedTo->setFont(bold);
    body()->addWidget(m_copiedTo);

    connect(m_drives, &DrivesList::DriveChanged, this,
            [this] { m_files->setCurrentPath(m_drives->CurrentDriveName()); });
    m_list = m_files->findChild<QListWidget*>(QStringLiteral("FilesList"));
    if (m_list)
        connect(m_list, &QListWidget::itemSelectionChanged, this, &DestinationPageWidget::showDestination);
    // The browser's path line follows every folder change.
    if (auto* path = m_files->findChild<QLineEdit*>(QStringLiteral("PathCaption")))
        connect(path, &QLineEdit::textChanged, this, &DestinationPageWidget::showDestination);
}

QString DestinationPageWidget::destination() const
{
    const QString shown = Platform::PathRules::withClosingSlash(m_files->CurrentPath());
    if (!m_list)
        return shown;
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1 || !selected.first()->data(FilesAndFoldersList::IsFolderRole).toBool())
        return shown;
    const QString name = selected.first()->data(FilesAndFoldersList::NameRole).toString();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return shown;
    return shown + name + QLatin1Char('/');
}

void DestinationPageWidget::prepare(const QString& folder)
{
    m_drives->setShowRemovables(false);
    m_drives->ShowDevices();
    m_files->setAllowCreateFolders(true);
    m_files->setAllowMultySelect(false);
    const bool known = !folder.isEmpty() && QDir(folder).exists();
    m_files->setCurrentPath(known ? folder : m_drives->CurrentDriveName());
    showDestination();
}

void DestinationPageWidget::applyTexts(const TextRegister& texts)
{
    tips()->setText(texts[TextId::Step] + QLatin1Char(' ') + QString::number(PageFlow::WhereStep) +
                    QStringLiteral(".   ") + texts[TextId::DestinationTip]);
    m_drives->setFontCharSet(texts.charSet());
    m_drives->setLang(0, texts[TextId::DestinationDrive] + QLatin1Char(':'));
    m_drives->setAccessibleName(texts[TextId::DestinationDrive]);
    m_files->setFontCharSet(texts.charSet());
    m_files->setAccessibleName(texts[TextId::DestinationTip]);
    nameBrowserParts(m_files, texts[TextId::DestinationTip], texts[TextId::DestinationDrive]);
    m_copiedToText = texts[TextId::CopiedTo];
    showDestination();
}

void DestinationPageWidget::showDestination()
{
    const QString folder = QDir::toNativeSeparators(destination());
    m_copiedTo->setFullText(m_copiedToText.contains(QLatin1String("%1"))
                                ? m_copiedToText.arg(folder)
                                : m_copiedToText + QLatin1Char(' ') + folder);
}
