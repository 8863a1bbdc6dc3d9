#pragma once

#include "pages/WizardPage.h"

class DrivesList;
class ElidedLabel;
class FilesAndFoldersList;
class QListWidget;

// The destination page: the drive picker and the browser in which the folder for the recovered
// files is chosen. A folder highlighted in the list is the destination, as in a desktop folder
// chooser; otherwise the folder shown. The page always says which folder that is.
class DestinationPageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit DestinationPageWidget(QWidget* parent = nullptr);

    DrivesList* drives() const { return m_drives; }
    FilesAndFoldersList* files() const { return m_files; }

    // The folder the files will be copied into, ending in "/".
    QString destination() const;
    // Lists the drives and opens `folder` (the first drive when empty or gone).
    void prepare(const QString& folder);
    void applyTexts(const TextRegister& texts) override;
    // Writes "Files will be copied to: ..." for the folder that would be used now.
    void showDestination();

private:
    DrivesList* m_drives = nullptr;
    FilesAndFoldersList* m_files = nullptr;
    QListWidget* m_list = nullptr;
    ElidedLabel* m_copiedTo = nullptr;
    QString m_copiedToText;
};
