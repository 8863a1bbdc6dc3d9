#include "EngineAnswers.h"

namespace EngineAnswers {

namespace {
int g_overwrite = Overwrite::None;
int g_abort = Abort::Continue;
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
