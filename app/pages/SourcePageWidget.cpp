#include "pages/SourcePageWidget.h"

#include "DrivesList.h"
#include "FilesAndFoldersList.h"
#include "PageFlow.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

SourcePageWidget::SourcePageWidget(QWidget* parent)
    : WizardPage(SourcePage, 0, parent)
{
    m_drives = new DrivesList(this);
    m_drives->setObjectName(QStringLiteral("DrivesList1"));
    m_drives->setRememberedAs(QStringLiteral("source"));
    m_drives->setMinimumWidth(200);
    m_drives->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_files = new FilesAndFoldersList(this);
    m_files->setObjectName(QStringLiteral("FilesAndFoldersList1"));
    m_files->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* row = new QHBoxLayout;
    row->addWidget(m_drives, 1);
    row->addWidget(m_files, 3);
    body()->addLayout(row, 1);
    connect(m_drives, &DrivesList::DriveChanged, this,
            [this] { m_files->setCurrentPath(m_drives->CurrentDriveName()); });
}

void SourcePageWidget::prepare(const QString& folder)
{
    m_drives->setShowRemovables(true);
    m_drives->ShowDevices();
    m_files->setAllowCreateFolders(false);
    m_files->setAllowMultySelect(true);
    const bool known = !folder.isEmpty() && QDir(folder).exists();
    m_files->setCurrentPath(known ? folder : m_drives->CurrentDriveName());
}

void SourcePageWidget::applyTexts(const TextRegister& texts)
{
    tips()->setText(texts[TextId::Step] + QLatin1Char(' ') + QString::number(PageFlow::ChooseStep) +
                    QStringLiteral(".   ") + texts[TextId::StepChooseFiles]);
    m_drives->setFontCharSet(texts.charSet());
    m_drives->setLang(0, texts[TextId::SourceDrive] + QLatin1Char(':'));
    m_drives->setAccessibleName(texts[TextId::SourceDrive]);
    m_files->setFontCharSet(texts.charSet());
    m_files->setAccessibleName(texts[TextId::StepChooseFiles]);
    nameBrowserParts(m_files, texts[TextId::StepChooseFiles], texts[TextId::SourceDrive]);
}
