#include "ImageTree.h"

#include <QFileInfo>

namespace {

int countFiles(const ImageTree::Dir& dir)
{
    int n = int(dir.files.size());
    for (const auto& [name, sub] : dir.dirs)
        n += countFiles(*sub);
    return n;
}

} // namespace

bool ImageTree::validName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

ImageTree::Dir* ImageTree::dirFor(const QString& imagePath)
{
    Dir* dir = &m_root;
    const auto segments = imagePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& segment : segments) {
        if (!validName(segment) || dir->files.count(segment))
            return nullptr;
        auto& sub = dir->dirs[segment];
        if (!sub)
            sub = std::make_unique<Dir>();
        dir = sub.get();
    }
    return dir;
}

bool ImageTree::addFolder(const QString& parent, const QString& name)
{
    if (!validName(name))
        return false;
    return dirFor(parent + QLatin1Char('/') + name) != nullptr;
}

bool ImageTree::addFile(const QString& folder, const QString& diskPath)
{
    const QString name = QFileInfo(diskPath).fileName();
    Dir* dir = dirFor(folder);
    if (!dir || !validName(name) || dir->dirs.count(name))
        return false;
    dir->files[name] = diskPath;
    return true;
}

void ImageTree::clear()
{
    m_root = Dir();
}

int ImageTree::fileCount() const
{
    return countFiles(m_root);
}
