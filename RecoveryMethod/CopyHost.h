#pragma once

#include "CorBlockTable.h"
#include "FileError.h"

#include <QString>

// Where the copier stands in the current file, for the progress displays.
struct CopyProgress
{
    qint64 currentFileBytes = 0; // end of the last block copied (1-based position)
    qint64 fileSize = 0;
    qint64 lost = 0;       // bytes given up so far in this file
    qint64 blockSize = 0;  // the current block size
    float filePercent = 0; // 100 / (file size / currentFileBytes)
};

// Everything of one finished file that its damage record needs.
struct FileDamage
{
    qint64 fileSize = 0;
    int fileAttr = 0;
    QString file;
    QString file2;
    const CorBlockTable* corBlock = nullptr;
    qint64 copied = 0;
    QString fileDTV;
    bool skipped = false; // the user skipped the rest of the file
};

// What the block copier needs from the run that drives it: the answers of the user, the displays
// and the damage record. Called on the copier's own thread.
class CopyHost
{
public:
    virtual ~CopyHost() = default;

    // Returns when no question of the run is open (the copier reads and writes nothing while the
    // abort dialog is); false when the run must end at once (the program quits).
    virtual bool holdWhileAsked() = 0;

    // The abort dialog's answer; the copier puts a skip it acted on back to "continue".
    virtual int abortAnswer() const = 0;
    virtual void setAbortAnswer(int answer) = 0;

    // Retry/Cancel for a file error; true for Retry.
    virtual bool askRetry(const Platform::FileError& error) = 0;
    // Retry/Cancel for a source file that is missing; true for Retry.
    virtual bool askRetryMissingSource(const QString& file) = 0;
    // The destination could not be opened: the run ends after this entry.
    virtual void destinationNotOpened(const QString& file2, const Platform::FileError& error) = 0;

    // A file starts: the displays are reset and show the file's size and where its copy starts
    // (startFrom, the bytes an earlier run processed).
    virtual void fileStarted(qint64 fileSize, qint64 startFrom) = 0;
    // A block of `bytes` was read and written, for the run's speed.
    virtual void blockCopied(qint64 /*bytes*/) {}
    // A block was copied and the whole file percentage changed.
    virtual void percentChanged(const CopyProgress& progress) = 0;
    // A block could not be read (its size is about to shrink or it is given up).
    virtual void blockUnreadable(const CopyProgress& progress) = 0;
    // After a failed read the block was adapted (smaller, or given up).
    virtual void blockAdapted(const CopyProgress& progress) = 0;

    // Writes the file's damage record; false when the store is full.
    virtual bool recordDamage(const FileDamage& damage) = 0;
};
