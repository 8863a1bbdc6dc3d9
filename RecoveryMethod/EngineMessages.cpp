#include "EngineMessages.h"

#include "EngineTexts.h"
#include "Prompt.h"

namespace EngineMessages {

QString errorText(int code)
{
    using namespace Platform::FileErrorCode;
    switch (code) {
    case BadFileName:
    case DiskFull:
        return EngineTexts::slot(30);
    case FileNotFound:
        return EngineTexts::slot(28);
    case DiskNotReady:
        return EngineTexts::slot(29);
    default:
        return {};
    }
}

bool errorMessage(const Platform::FileError& error, QWidget* parent)
{
    QString text = errorText(error.code);
    if (text.isEmpty())
        text = error.description;
    const auto answer = Prompt::show({QMessageBox::Critical, QString(), text,
                                      QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
                                     parent);
    return answer == QMessageBox::Retry;
}

bool missingSource(QWidget* parent)
{
    const auto answer = Prompt::show({QMessageBox::Critical, QString(), EngineTexts::slot(30),
                                      QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
                                     parent);
    return answer == QMessageBox::Retry;
}

void unableToContinue(QWidget* parent)
{
    Prompt::show({QMessageBox::NoIcon, QString(),
                  QStringLiteral("Unable to continue.\nDestination path not found. Please restart process."),
                  QMessageBox::Ok},
                 parent);
}

void folderNotCreated(QWidget* parent)
{
    Prompt::show({QMessageBox::Critical, QString(), EngineTexts::slot(11), QMessageBox::Ok}, parent);
}

} // namespace EngineMessages
