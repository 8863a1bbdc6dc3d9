#include "RunStatus.h"

#include "TextIds.h"
#include "TextRegister.h"

#include <array>
#include <utility>

namespace {

// Names, not numbers, in the file: a later version may add states between these.
constexpr std::array<std::pair<RunStatus::State, const char*>, 6> StoredNames = {{
    {RunStatus::State::Completed, "completed"},
    {RunStatus::State::CompletedDamaged, "damaged"},
    {RunStatus::State::FilesNotCopied, "not-copied"},
    {RunStatus::State::ItemsLeftOut, "left-out"},
    {RunStatus::State::Paused, "paused"},
    {RunStatus::State::Stopped, "stopped"},
}};

} // namespace

RunStatus::State RunStatus::of(bool stoppedEarly, bool canResume, qint64 notCopied, qint64 leftOut,
                               qint64 damaged)
{
    if (stoppedEarly)
        return canResume ? State::Paused : State::Stopped;
    if (notCopied > 0)
        return State::FilesNotCopied;
    if (leftOut > 0)
        return State::ItemsLeftOut;
    return damaged > 0 ? State::CompletedDamaged : State::Completed;
}

QRgb RunStatus::colour(State state)
{
    switch (state) {
    case State::Completed:
        return Green;
    case State::CompletedDamaged:
    case State::FilesNotCopied:
    case State::ItemsLeftOut:
        return Amber;
    case State::Paused:
        return Blue;
    case State::Stopped:
        return Red;
    case State::NotRecorded:
        break;
    }
    return Grey;
}

int RunStatus::textNumber(State state)
{
    switch (state) {
    case State::Completed:
        return TextId::StatusCompleted;
    case State::CompletedDamaged:
        return TextId::StatusDamaged;
    case State::FilesNotCopied:
        return TextId::StatusNotCopied;
    case State::ItemsLeftOut:
        return TextId::StatusItemsLeftOut;
    case State::Paused:
        return TextId::StatusPaused;
    case State::Stopped:
        return TextId::StatusStopped;
    case State::NotRecorded:
        break;
    }
    return TextId::StatusNotRecorded;
}

QString RunStatus::text(State state, const TextRegister& texts)
{
    return texts.text(textNumber(state));
}

QString RunStatus::storedName(State state)
{
    for (const auto& [s, name] : StoredNames)
        if (s == state)
            return QString::fromLatin1(name);
    return {};
}

std::optional<RunStatus::State> RunStatus::fromStoredName(const QString& name)
{
    for (const auto& [s, stored] : StoredNames)
        if (name == QLatin1String(stored))
            return s;
    return std::nullopt;
}
