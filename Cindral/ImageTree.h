#pragma once

#include <QString>

#include <map>
#include <memory>

// The folders and files an image will hold, as AddFolder and AddFile build it. Image paths are
// "/"-rooted; a folder named in a path that was never added is made on the way. A file added
// twice under one name keeps the later source.
class ImageTree
{
public:
    struct Dir
    {
        std::map<QString, std::unique_ptr<Dir>> dirs;
        std::map<QString, QString> files; // name -> file on disk
    };

    // False for an empty name, a name with "/", or "." and "..".
    bool addFolder(const QString& parent, const QString& name);
    // False when the file's name is unusable or a folder of that name is there.
    bool addFile(const QString& folder, const QString& diskPath);
    void clear();

    const Dir& root() const { return m_root; }
    int fileCount() const;

private:
    Dir* dirFor(const QString& imagePath);
    static bool validName(const QString& name);

    Dir m_root;
};
