#pragma once

#include "EngineTexts.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RecoveryProcess.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QStringList>

#include <functional>

// Helpers shared by the engine's widget tests.
namespace EngineTestJob {

// The real file system; `onOpen` runs on the run's thread before `path` is opened: as a source to
// copy, or for the rescue's sector reads.
class OpenHook : public PosixFileAccess
{
public:
    enum Open
    {
        ForCopy,
        ForSectors,
    };
    OpenHook(QString path, Open open, std::function<void()> onOpen)
        : m_path(std::move(path))
        , m_open(open)
        , m_onOpen(std::move(onOpen))
    {
    }
    Opened<BlockSource> openSource(const QString& path) override
    {
        if (m_open == ForCopy && path == m_path)
            m_onOpen();
        return PosixFileAccess::openSource(path);
    }
    Opened<BlockSource> openSectorSource(const QString& path) override
    {
        if (m_open == ForSectors && path == m_path)
            m_onOpen();
        return PosixFileAccess::openSectorSource(path);
    }

private:
    QString m_path;
    Open m_open;
    std::function<void()> m_onOpen;
};

// Fills the engine's slots 1 to 59 with "T1" ... "T59", so that log lines show which slot they used;
// the file messages 70 and 71 name their file: "T70 <file>".
inline void fillTexts(RecoveryProcess& engine)
{
    for (int i = 1; i <= 59; ++i)
        engine.setLangValue(i, QStringLiteral("T%1").arg(i));
    EngineTexts::setSlot(70, QStringLiteral("T70 %1"));
    EngineTexts::setSlot(71, QStringLiteral("T71 %1"));
}

// Answers every message box with Cancel (OK where it has no Cancel) and keeps its text in `shown`.
inline Prompt::MessageAnswerer cancellingAll(QStringList& shown)
{
    return [&shown](const Prompt::Message& m) {
        shown << m.text;
        return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
    };
}

inline QString text(int slot)
{
    return EngineTexts::slot(slot);
}

// Sets the job as a host does: roots, count, entries with zeroed results.
inline void setJob(RecoveryProcess& engine, const QString& source, const QString& destination,
                   const QStringList& entries)
{
    engine.setSourcePath(source);
    engine.setDestinationPath(destination);
    engine.setItems_Count(static_cast<int>(entries.size()));
    for (int i = 1; i <= entries.size(); ++i) {
        engine.setFileName(i, entries[i - 1]);
        engine.setCopiedBytes(i, 0);
        engine.setIsDone(i, false);
        engine.setStartPosition(i, 0);
    }
}

inline QStringList logLines(RecoveryProcess& engine)
{
    QStringList lines;
    auto* list = engine.findChild<QAbstractItemView*>(QStringLiteral("List2"));
    for (int i = 0; list && i < list->model()->rowCount(); ++i)
        lines << list->model()->index(i, 0).data().toString();
    return lines;
}

// Which of the three events a run raised.
struct Events
{
    explicit Events(RecoveryProcess& engine)
        : done(&engine, &RecoveryProcess::ProcessDone)
        , paused(&engine, &RecoveryProcess::ProcessPaused)
        , aborted(&engine, &RecoveryProcess::ProcessAborted)
    {
    }
    // "done", "paused", "aborted", or a list of them when more than one was raised.
    QString raised() const
    {
        QStringList names;
        for (int i = 0; i < done.count(); ++i)
            names << QStringLiteral("done");
        for (int i = 0; i < paused.count(); ++i)
            names << QStringLiteral("paused");
        for (int i = 0; i < aborted.count(); ++i)
            names << QStringLiteral("aborted");
        return names.join(QLatin1Char(','));
    }
    QSignalSpy done;
    QSignalSpy paused;
    QSignalSpy aborted;
};

// Runs `entries` from `source` into `destination` as a new job, every message cancelled and kept
// in `shown`; gives the events the run raised.
inline QString runCancellingAll(RecoveryProcess& engine, const QString& source, const QString& destination,
                                const QStringList& entries, QStringList& shown)
{
    engine.setCorruptedFilesCount(0);
    setJob(engine, source, destination, entries);
    const Events events(engine);
    const Prompt::ScopedAnswerer answerer(cancellingAll(shown));
    engine.StartProcess();
    return events.raised();
}

} // namespace EngineTestJob
