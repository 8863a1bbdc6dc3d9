#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

// Turns the host's entries into image folders and files. An entry is a file's full path, or a
// folder's full path after a tab character; both lie under the source root. The files are read
// from the staging root, where the recovery put them (it may be the source root itself).
// Both roots end in "/".
class BurnItemPaths
{
public:
    struct Folder
    {
        QString parent; // "/"-rooted image folder with a closing "/"
        QString name;
        bool operator==(const Folder&) const = default;
    };
    struct File
    {
        QString imageFolder; // "/"-rooted, no closing "/" except for the root itself
        QString stagedPath;  // the file on disk
        bool operator==(const File&) const = default;
    };

    BurnItemPaths(QString sourceRoot, QString stagingRoot);

    static bool isFolderEntry(const QString& entry);

    // The chain of folders, outermost first, that makes a folder entry's folder in the image.
    std::vector<Folder> foldersFor(const QString& folderEntry) const;
    // Where a file entry goes; nothing for an entry shorter than the source root.
    std::optional<File> fileFor(const QString& fileEntry) const;

private:
    QString m_sourceRoot;
    QString m_stagingRoot;
};
