#include "FolderListing.h"

#include <algorithm>

QString FolderListing::typeKeyOf(const QString& fullPath)
{
    const qsizetype dot = fullPath.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return fullPath.mid(dot + 1).toLower();
}

QString FolderListing::join(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QList<ListedItem> FolderListing::rows(const QString& folder, const FolderContents& contents, bool showHidden,
                                      TypeIconCache& cache)
{
    QList<ListedItem> rows;
    QStringList folders = contents.folders + contents.linkedFolders;
    std::sort(folders.begin(), folders.end(), FolderReader::nameLess);
    for (const QString& name : folders)
        rows.append({name, true, FolderImage, join(folder, name), false});

    for (const FolderContents::File& file : contents.files) {
        if (isHidden(file.name) && !showHidden)
            continue;
        const QString full = join(folder, file.name);
        const QString key = typeKeyOf(full);
        if (key.isEmpty() && !full.contains(QLatin1Char('.')))
            continue;
        const TypeIconCache::Lookup slot = cache.lookUp(key);
        if (slot.slot == 0)
            continue;
        rows.append({file.name, false, TypeIconCache::imageOfSlot(slot.slot), full, slot.added});
    }
    return rows;
}
