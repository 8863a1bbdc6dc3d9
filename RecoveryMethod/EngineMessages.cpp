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

namespace {

// Engine texts 70 and 71: the file that cannot be read from the source or written to the
// destination, named. Empty when the side is unknown or the language file lacks the text.
QString namedFileText(Platform::FileError::Side side, const QString& file)
{
    using Side = Platform::FileError::Side;
    if (side == Side::Unknown || file.isEmpty())
        return {};
    const QString text = EngineTexts::slot(side == Side::Source ? SourceFileText : DestinationFileText);
    return text.isEmpty() ? QString() : text.arg(file);
}

bool askRetry(const QString& text, QWidget* parent)
{
    const auto answer = Prompt::show({QMessageBox::Critical, QString(), text,
                                      QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
                                     parent);
    return answer == QMessageBox::Retry;
}

} // namespace

bool errorMessage(const Platform::FileError& error, QWidget* parent)
{
    using namespace Platform::FileErrorCode;
    // Not found and not ready have their own advice; every other error names the file and the
    // side it happened on when they are known. Errors without a text of their own keep the
    // system's description after it.
    QString text = error.code == FileNotFound || error.code == DiskNotReady
                       ? QString()
                       : namedFileText(error.side, error.file);
    if (!text.isEmpty() && error.code != BadFileName && error.code != DiskFull &&
        !error.description.isEmpty())
        text += QStringLiteral("\n\n") + error.description;
    if (text.isEmpty())
        text = errorText(error.code);
    if (text.isEmpty())
        text = error.description;
    return askRetry(text, parent);
}

bool missingSource(const QString& file, QWidget* parent)
{
    QString text = namedFileText(Platform::FileError::Side::Source, file);
    if (text.isEmpty())
        text = EngineTexts::slot(30);
    return askRetry(text, parent);
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
