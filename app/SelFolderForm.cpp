#include "SelFolderForm.h"

#include "PathRules.h"
#include "TextRegister.h"
#include "Volumes.h"
#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeView>
#include <QVBoxLayout>

SelFolderForm::SelFolderForm(const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("SelFolderForm"));
    resize(380, 420);

    m_drive1 = new QComboBox(this);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    for (const Platform::Volume& v : Platform::Volumes::mounts())
        m_drive1->addItem(v.root, v.root);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_model->setRootPath(QStringLiteral("/"));

    m_dir1 = new QTreeView(this);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_dir1->hideColumn(column);
    m_dir1->header()->hide();

    m_select = new isButton(this);
    m_select->setObjectName(QStringLiteral("Command1(0)"));
    m_select->setIndex(0);
    m_cancel = new isButton(this);
    m_cancel->setObjectName(QStringLiteral("Command1(1)"));
    m_cancel->setIndex(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_select);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_drive1);
    layout->addWidget(m_dir1, 1);
    layout->addLayout(buttons);

    connect(m_drive1, &QComboBox::activated, this,
            [this](int index) { setDrive(m_drive1->itemData(index).toString()); });
    connect(m_select, &isButton::Click, this, [this] { select(); });
    connect(m_cancel, &isButton::Click, this, [this] { reject(); });

    // The tree starts on the folder the program runs in, not on the temporary folder.
    const QString start = QDir::currentPath();
    setDrive(Platform::Volumes::volumeOf(start).root.isEmpty() ? QStringLiteral("/")
                                                               : Platform::Volumes::volumeOf(start).root);
    setCurrentFolder(start);
    applyTexts();
}

SelFolderForm::~SelFolderForm() = default;

QString SelFolderForm::currentFolder() const
{
    const QModelIndex index = m_dir1->currentIndex();
    if (index.isValid())
        return m_model->filePath(index);
    return m_model->filePath(m_dir1->rootIndex());
}

bool SelFolderForm::setDrive(const QString& root)
{
    const QFileInfo info(root);
    if (root.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    const QModelIndex index = m_model->index(root);
    if (!index.isValid())
        return false;
    m_dir1->setRootIndex(m_model->index(QStringLiteral("/")));
    m_dir1->setCurrentIndex(index);
    m_dir1->scrollTo(index);
    const int item = m_drive1->findData(root);
    if (item >= 0)
        m_drive1->setCurrentIndex(item);
    return true;
}

void SelFolderForm::setCurrentFolder(const QString& path)
{
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return;
    m_dir1->setCurrentIndex(index);
    m_dir1->scrollTo(index);
}

void SelFolderForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        applyTexts();
}

void SelFolderForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    applyTexts();
}

void SelFolderForm::applyTexts()
{
    setWindowTitle(m_texts.text(90));
    m_select->setCaption(m_texts.text(91));
    m_cancel->setCaption(m_texts.text(35));
    m_select->setFontCharSet(m_texts.charSet());
    m_cancel->setFontCharSet(m_texts.charSet());
}

void SelFolderForm::select()
{
    m_chosen = Platform::PathRules::withClosingSlash(currentFolder());
    accept();
}
