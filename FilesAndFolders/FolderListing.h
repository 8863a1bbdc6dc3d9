#pragma once

#include "FolderReader.h"
#include "TypeIconCache.h"

#include <QList>
#include <QString>

// One row of the browser's list.
struct ListedItem
{
    QString name;
    bool isFolder = false;
    int image = 1;         // image number in the image list (1 = folder)
    QString fullPath;      // folder + name
    bool newImage = false; // a new type key: its icon is to be appended as image `image`
};

// Turns what a folder holds into the browser's rows: every subfolder first (hidden ones too),
// then the files, each with the image of its type key.
class FolderListing
{
public:
    static constexpr int FolderImage = 1;

    // The rows of `folder` (with a closing "/"); hidden files only with showHidden. A file whose
    // full path has no "." has no type key and is not listed; neither is a file whose key finds
    // every slot of the cache taken.
    static QList<ListedItem> rows(const QString& folder, const FolderContents& contents, bool showHidden,
                                  TypeIconCache& cache);

    // The type key: the text after the last "." of the full path, lower case; empty when none.
    static QString typeKeyOf(const QString& fullPath);

    // Folder and name joined by one "/".
    static QString join(const QString& folder, const QString& name);

    // Hidden on this system: the name begins with ".".
    static bool isHidden(const QString& name) { return name.startsWith(QLatin1Char('.')); }
};
