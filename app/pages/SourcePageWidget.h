#pragma once

#include "pages/WizardPage.h"

class DrivesList;
class FilesAndFoldersList;

// The source page: the drive picker and the browser in which the files to recover are chosen.
class SourcePageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit SourcePageWidget(QWidget* parent = nullptr);

    DrivesList* drives() const { return m_drives; }
    FilesAndFoldersList* files() const { return m_files; }

    // Lists the drives and opens `folder` (the first drive when empty or gone).
    void prepare(const QString& folder);
    void applyTexts(const TextRegister& texts) override;

private:
    DrivesList* m_drives = nullptr;
    FilesAndFoldersList* m_files = nullptr;
};
