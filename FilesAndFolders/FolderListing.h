#pragma once

#include "FolderReader.h"
#include "TypeIconCache.h"

#include <QList>
#include <QString>

// One row of the browser's list.
struct ListedItem
{
    QString name; // the name as a Platform::FileNames text (its bytes kept)
    bool isFolder = false;
    int image = 1;         // image number in the image list (1 = folder, 0 = no image of its type)
    QString fullPath;      // folder + name
    bool newImage = false; // a new type key: its icon is to be appended as image `image`
    bool isOther = false;  // a pipe, socket, device, broken link or unexamined entry: shown, but
                           // the walk reports it instead of taking it
};

// Turns what a folder holds into the browser's rows: every subfolder first (hidden ones too),
// then the files, each with the image of its type key, then the entries that are neither.
class FolderListing
{
public:
    static constexpr int FolderImage = 1;
    static constexpr int NoImage = 0;

    // The rows of `folder` (with a closing "/"); hidden files only with showHidden. Every file is
    // listed: one without a "." in its name has the empty type key, and a file whose key finds
    // every slot of the cache taken gets NoImage.
    static QList<ListedItem> rows(const QString& folder, const FolderContents& contents, bool showHidden,
                                  TypeIconCache& cache);

    // The type key: the text after the last "." of the name, lower case; empty when none.
    static QString typeKeyOf(const QString& name);

    // Folder and name joined by one "/".
    static QString join(const QString& folder, const QString& name);

    // Hidden on this system: the name begins with ".".
    static bool isHidden(const QString& name) { return name.startsWith(QLatin1Char('.')); }
};
