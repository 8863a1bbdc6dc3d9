#pragma once

// The last answers of the engine's two dialogs, shared by the controls and the dialogs.
namespace EngineAnswers {

// Answers of the overwrite dialog.
namespace Overwrite {
constexpr int None = 0;
constexpr int This = 1;     // overwrite this file
constexpr int All = 10;     // overwrite this and every later file without asking
constexpr int Skip = 2;     // skip this file
constexpr int SkipAll = 20; // skip this and every later existing file without asking
} // namespace Overwrite

// Answers of the abort dialog.
namespace Abort {
constexpr int Continue = 0;
constexpr int Pause = 1;
constexpr int SkipFile = 2;
constexpr int Stop = 3;
} // namespace Abort

int overwriteAnswer();
void setOverwriteAnswer(int answer);

// Safe to read on any thread.
int abortAnswer();
void setAbortAnswer(int answer);

} // namespace EngineAnswers
