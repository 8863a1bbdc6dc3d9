#pragma once

#include "FileError.h"

#include <QString>

class QWidget;

// The engine's message boxes. Boxes of the engine carry no title.
namespace EngineMessages {

// The texts naming a file that cannot be read from the source or written to the destination.
constexpr int SourceFileText = 70;
constexpr int DestinationFileText = 71;

// The engine text shown for a file error code: empty for codes without one.
QString errorText(int code);

// The file error in a box with a stop icon and Retry and Cancel; true when Retry was chosen.
// An error that knows its side and file names them (texts 70 and 71); one without an engine text
// shows the system's description of it.
bool errorMessage(const Platform::FileError& error, QWidget* parent = nullptr);

// The source file is missing: text 70 naming it (30 when the language file lacks 70), with Retry
// and Cancel; true for Retry.
bool missingSource(const QString& file, QWidget* parent = nullptr);

// The destination file cannot be opened: the run cannot go on. A read-only or full destination
// (systemError EROFS, ENOSPC) is named as such.
void unableToContinue(QWidget* parent = nullptr, int systemError = 0);

// The source medium went away (unplugged, disconnected): engine text 43 with Retry and Cancel; true
// for Retry, Cancel stops the run.
bool mediumGone(QWidget* parent = nullptr);

// A destination folder cannot be created: engine text 11.
void folderNotCreated(QWidget* parent = nullptr);

} // namespace EngineMessages
