#include "EngineMessages.h"

#include "EngineTexts.h"
#include "Prompt.h"

#include <cerrno>

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

void unableToContinue(QWidget* parent, int systemError)
{
    // A read-only or full destination says so; "not found" would send the user looking for a
    // folder that is there.
    const auto textOr = [](int slot, const char* english) {
        const QString text = EngineTexts::slot(slot);
        return text.isEmpty() ? QString::fromLatin1(english) : text;
    };
    QString reason = textOr(73, "Destination path not found. Please restart process.");
    if (systemError == EROFS && !EngineTexts::slot(45).isEmpty())
        reason = EngineTexts::slot(45);
    else if ((systemError == ENOSPC || systemError == EDQUOT) && !EngineTexts::slot(46).isEmpty())
        reason = EngineTexts::slot(46);
    Prompt::show({QMessageBox::NoIcon, QString(),
                  textOr(72, "Unable to continue.") + QLatin1Char('\n') + reason, QMessageBox::Ok},
                 parent);
}

bool mediumGone(QWidget* parent)
{
    QString text = EngineTexts::slot(43);
    if (!EngineTexts::slot(47).isEmpty())
        text += QStringLiteral("\n\n") + EngineTexts::slot(47);
    const auto answer = Prompt::show(
        {QMessageBox::Warning, QString(), text, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
        parent);
    return answer == QMessageBox::Retry;
}

void folderNotCreated(QWidget* parent)
{
    Prompt::show({QMessageBox::Critical, QString(), EngineTexts::slot(11), QMessageBox::Ok}, parent);
}

} // namespace EngineMessages
