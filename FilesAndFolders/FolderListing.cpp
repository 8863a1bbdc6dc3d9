#include "FolderListing.h"

#include <algorithm>

QString FolderListing::typeKeyOf(const QString& name)
{
    // By the name alone: a "." in a folder above says nothing about the file's type.
    const QString own = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = own.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return own.mid(dot + 1).toLower();
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
        rows.append({name, true, FolderImage, join(folder, name), false, false});

    for (const FolderContents::File& file : contents.files) {
        if (isHidden(file.name) && !showHidden)
            continue;
        const QString full = join(folder, file.name);
        const TypeIconCache::Lookup slot = cache.lookUp(typeKeyOf(file.name));
        const int image = slot.slot == 0 ? NoImage : TypeIconCache::imageOfSlot(slot.slot);
        rows.append({file.name, false, image, full, slot.added, false});
    }
    for (const FolderContents::Other& other : contents.others) {
        if (isHidden(other.name) && !showHidden)
            continue;
        rows.append({other.name, false, NoImage, join(folder, other.name), false, true});
    }
    return rows;
}
