#pragma once

#include <QString>

#include <memory>

class Wizard;

// Creates the main window for the program folder `workingDirectory` and runs its start-up.
// When the start fails the user is told ("Load Error #" or the language file's message) and the
// result is empty.
std::unique_ptr<Wizard> startWizard(const QString& workingDirectory);
