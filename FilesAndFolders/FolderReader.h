#pragma once

#include <QList>
#include <QString>

// What one folder holds, read straight from the file system. Both the browser's listing and the
// selection walk read folders through here so they agree on what a file and a folder are.
struct FolderContents
{
    struct File
    {
        QString name;
        qint64 size = 0;
    };

    bool ok = false;           // opened and read to the end
    bool partial = false;      // opened, but reading failed part way (a damaged medium): the lists
                               // hold what was read before the failure
    QList<File> files;         // regular files and symbolic links to regular files
    QStringList folders;       // real subfolders
    QStringList linkedFolders; // symbolic links to folders (never descended by the walk)
};

class FolderReader
{
public:
    // Reads `folder` (with or without a closing "/"). Entries are sorted by name, case folded
    // first, so a listing and an export come out the same on every file system. Entries that
    // cannot be stat'ed, broken links, devices, pipes and sockets are left out.
    static FolderContents read(const QString& folder);

    // Name order used for every listing: case-insensitive, ties broken by the exact text.
    static bool nameLess(const QString& a, const QString& b);
};
