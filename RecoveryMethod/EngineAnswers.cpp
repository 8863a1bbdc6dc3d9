#include "EngineAnswers.h"

#include <atomic>

namespace EngineAnswers {

namespace {
// Set by the dialogs on the window's thread; both are read on the run's worker thread.
std::atomic<int> g_overwrite = Overwrite::None;
std::atomic<int> g_abort = Abort::Continue;
} // namespace

int overwriteAnswer()
{
    return g_overwrite;
}

void setOverwriteAnswer(int answer)
{
    g_overwrite = answer;
}

int abortAnswer()
{
    return g_abort;
}

void setAbortAnswer(int answer)
{
    g_abort = answer;
}

} // namespace EngineAnswers
