#pragma once

#include <QRgb>
#include <QString>

#include <optional>

class TextRegister;

// How a run ended, as the report page and the history both show it: in words and in one colour
// for each kind of ending (green done, amber done with something missing, blue paused, red
// stopped). The history stores the state by name, so that the list shows it again later.
class RunStatus
{
public:
    enum class State
    {
        Completed,
        CompletedDamaged, // went through; some files have unreadable ranges
        FilesNotCopied,   // went through; some files are not (or not wholly) in the destination
        ItemsLeftOut,     // went through; the selection walk could not take everything
        Paused,           // stopped with a resume point
        Stopped,
        NotRecorded, // a run stored before the history kept how runs ended
    };

    static constexpr QRgb Green = qRgb(0, 128, 0);
    static constexpr QRgb Amber = qRgb(176, 80, 0);
    static constexpr QRgb Blue = qRgb(0, 0, 192);
    static constexpr QRgb Red = qRgb(255, 0, 0);
    static constexpr QRgb Grey = qRgb(96, 96, 96);

    // The state of a run from how it ended and what it counted. A run that went to its end is
    // "completed" only when nothing is missing.
    static State of(bool stoppedEarly, bool canResume, qint64 notCopied, qint64 leftOut, qint64 damaged);

    static QRgb colour(State state);
    // The number of the status text (the report page's status line, the history's column).
    static int textNumber(State state);
    static QString text(State state, const TextRegister& texts);

    // The name kept in the history file, and back; nullopt for a name this version does not know.
    static QString storedName(State state);
    static std::optional<State> fromStoredName(const QString& name);
};
