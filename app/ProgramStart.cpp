#include "ProgramStart.h"

#include "Prompt.h"
#include "StartUp.h"
#include "Wizard.h"

std::unique_ptr<Wizard> startWizard(const QString& workingDirectory)
{
    auto wizard = std::make_unique<Wizard>(StartUp::appFolderFrom(workingDirectory));
    int errorNumber = 0;
    try {
        if (!wizard->load())
            return nullptr;
        return wizard;
    } catch (const LoadError& e) {
        errorNumber = e.number();
    } catch (const std::exception&) {
        errorNumber = LoadError::InvalidCall;
    }
    Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"), StartUp::loadErrorText(errorNumber)});
    return nullptr; // the window goes, and with it the table engines
}
