#include "BurnItemPaths.h"

namespace {

const QChar Slash = QLatin1Char('/');
const QChar Tab = QLatin1Char('\t');

} // namespace

BurnItemPaths::BurnItemPaths(QString sourceRoot, QString stagingRoot)
    : m_sourceRoot(std::move(sourceRoot))
    , m_stagingRoot(std::move(stagingRoot))
{
}

bool BurnItemPaths::isFolderEntry(const QString& entry)
{
    return entry.startsWith(Tab);
}

std::vector<BurnItemPaths::Folder> BurnItemPaths::foldersFor(const QString& folderEntry) const
{
    const QString path = isFolderEntry(folderEntry) ? folderEntry.mid(1) : folderEntry;
    QString relative = path.mid(m_sourceRoot.size());
    if (!relative.endsWith(Slash))
        relative += Slash;
    std::vector<Folder> chain;
    QString parent(Slash);
    qsizetype start = 0;
    for (qsizetype slash = relative.indexOf(Slash); slash >= 0; slash = relative.indexOf(Slash, start)) {
        const QString segment = relative.mid(start, slash - start);
        // An empty segment (the root itself, or a doubled slash) names no folder.
        if (!segment.isEmpty())
            chain.push_back({parent, segment});
        parent = Slash + relative.left(slash + 1);
        start = slash + 1;
    }
    return chain;
}

std::optional<BurnItemPaths::File> BurnItemPaths::fileFor(const QString& fileEntry) const
{
    if (fileEntry.size() < m_sourceRoot.size())
        return std::nullopt;
    const QString staged = m_stagingRoot + fileEntry.mid(m_sourceRoot.size());
    QString stagingBase = m_stagingRoot;
    if (stagingBase.endsWith(Slash))
        stagingBase.chop(1);
    QString folder = staged.left(staged.lastIndexOf(Slash)).mid(stagingBase.size());
    if (folder.isEmpty())
        folder = Slash;
    return File{folder, staged};
}
