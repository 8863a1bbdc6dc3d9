#pragma once

#include "FileError.h"

#include <QString>

class QWidget;

// The engine's message boxes. Boxes of the engine carry no title.
namespace EngineMessages {

// The engine text shown for a file error code: empty for codes without one.
QString errorText(int code);

// The file error in a box with a stop icon and Retry and Cancel; true when Retry was chosen.
// An error without an engine text shows the system's description of it.
bool errorMessage(const Platform::FileError& error, QWidget* parent = nullptr);

// The source file is missing: engine text 30 with Retry and Cancel; true for Retry.
bool missingSource(QWidget* parent = nullptr);

// The destination file cannot be opened: the run cannot go on. A read-only or full destination
// (systemError EROFS, ENOSPC) is named as such.
void unableToContinue(QWidget* parent = nullptr, int systemError = 0);

// The source medium went away (unplugged, disconnected): engine text 43 with Retry and Cancel; true
// for Retry, Cancel stops the run.
bool mediumGone(QWidget* parent = nullptr);

// A destination folder cannot be created: engine text 11.
void folderNotCreated(QWidget* parent = nullptr);

} // namespace EngineMessages
