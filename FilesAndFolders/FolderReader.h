#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What one folder holds, read straight from the file system. Both the browser's listing and the
// selection walk read folders through here so they agree on what a file and a folder are.
// Names are kept as Platform::FileNames texts, so every name comes back to its own bytes.
struct FolderContents
{
    struct File
    {
        QString name;
        qint64 size = 0;
    };

    // An entry that is neither a file with contents nor a folder the walk may enter.
    struct Other
    {
        enum class Kind
        {
            Special,    // a pipe, socket or device
            BrokenLink, // a symbolic link to nothing
            Unexamined, // its type could not be read (error holds why)
        };
        QString name;
        Kind kind = Kind::Special;
        int error = 0; // errno, for Unexamined
    };

    bool ok = false;           // opened and read to the end
    bool partial = false;      // opened, but reading failed part way (a damaged medium): the lists
                               // hold what was read before the failure
    int error = 0;             // errno of the failure when not ok
    QList<File> files;         // regular files and symbolic links to regular files
    QStringList folders;       // real subfolders
    QStringList linkedFolders; // symbolic links to folders (never descended by the walk)
    QList<Other> others;
};

class FolderReader
{
public:
    // Reads `folder` (with or without a closing "/"; of any length). Entries are sorted by name,
    // case folded first, so a listing and an export come out the same on every file system.
    static FolderContents read(const QString& folder);
    // Reads the folder open at `folderFd` (which stays open and usable).
    static FolderContents readAt(int folderFd);

    // Name order used for every listing: case-insensitive, ties broken by the exact text.
    static bool nameLess(const QString& a, const QString& b);
};
