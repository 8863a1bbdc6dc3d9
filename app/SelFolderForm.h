#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QFileSystemModel;
class QTreeView;
class TextRegister;
class isButton;

// The dialog that picks the temporary folder: a volume list, the folder tree of the chosen
// volume, Select and Cancel. It opens on the working directory.
class SelFolderForm : public QDialog
{
    Q_OBJECT

public:
    explicit SelFolderForm(const TextRegister& texts, QWidget* parent = nullptr);
    ~SelFolderForm() override;

    // The folder chosen with Select, with a closing "/"; nullopt after Cancel or closing.
    std::optional<QString> chosenFolder() const { return m_chosen; }

    // The folder the tree shows as chosen now.
    QString currentFolder() const;
    // Shows a volume in the tree; false (and the tree keeps its folder) when it cannot be read.
    bool setDrive(const QString& root);
    // Moves the tree's choice to a folder.
    void setCurrentFolder(const QString& path);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyTexts();
    void select();

    const TextRegister& m_texts;
    QComboBox* m_drive1 = nullptr;
    QTreeView* m_dir1 = nullptr;
    QFileSystemModel* m_model = nullptr;
    isButton* m_select = nullptr;
    isButton* m_cancel = nullptr;
    std::optional<QString> m_chosen;
};
