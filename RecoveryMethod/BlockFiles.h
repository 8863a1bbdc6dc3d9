#pragma once

#include "FileError.h"

#include <QDateTime>
#include <QString>

#include <cerrno>
#include <memory>

// What one positioned read or write did: the bytes moved, or the errno of the failure.
struct IoResult
{
    qint64 bytes = 0;
    int error = 0; // 0 when the call succeeded

    bool ok() const { return error == 0; }
};

// The source file as the block copier reads it: by position, one block at a time.
class BlockSource
{
public:
    virtual ~BlockSource() = default;
    virtual qint64 size() const = 0;
    virtual QDateTime lastModified() const = 0;
    // Reads up to length bytes at the 0-based offset; fewer only at the end of the file.
    virtual IoResult readAt(qint64 offset, char* buffer, qint64 length) = 0;
    // The size of the medium's sectors: the smallest piece a read can fail alone.
    virtual int sectorSize() const { return 512; }
};

// The destination file: written only at the offset of each block that was read.
class BlockDestination
{
public:
    virtual ~BlockDestination() = default;
    virtual IoResult writeAt(qint64 offset, const char* buffer, qint64 length) = 0;
    // Closes the file; a failed close can be the first sign that data did not reach the disk.
    virtual int close() = 0;
    // Makes a shorter file `size` bytes long; the added bytes read back as zero. Never shortens.
    // Returns 0 or the errno of the failure.
    virtual int growTo(qint64 size)
    {
        Q_UNUSED(size);
        return ENOTSUP;
    }
};

// Opens the copier's files. The real one works on the file system; tests put a faulty medium
// or a full disk behind it.
class FileAccess
{
public:
    template <class T>
    struct Opened
    {
        std::unique_ptr<T> file;
        Platform::FileError error; // set when file is null
    };

    virtual ~FileAccess() = default;

    // True when a file (not a folder) of that name exists, hidden or not.
    virtual bool fileExists(const QString& path) = 0;
    // True when anything of that name exists, hidden or not.
    virtual bool exists(const QString& path) = 0;
    // Opens the source read-only.
    virtual Opened<BlockSource> openSource(const QString& path) = 0;
    // Opens the source for reading single sectors at the medium's sector size (bypassing the
    // page cache where the file system allows it); by default as openSource.
    virtual Opened<BlockSource> openSectorSource(const QString& path) { return openSource(path); }
    // Opens (creating) the destination for writing; `truncate` empties an existing file.
    virtual Opened<BlockDestination> openDestination(const QString& path, bool truncate) = 0;
    // Creates the destination as a new, empty file; fails when anything of that name exists.
    virtual Opened<BlockDestination> createDestination(const QString& path)
    {
        if (exists(path))
            return {nullptr, Platform::fileErrorFromErrno(EEXIST)};
        return openDestination(path, true);
    }
    // Creates one folder level; true when it exists afterwards.
    virtual bool makeFolder(const QString& path) = 0;
    virtual bool remove(const QString& path) = 0;
};
