#pragma once

#include "DamageState.h"
#include "UniqueFd.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <string>

namespace Medium {

// The FUSE file system of the simulated medium: the source folder, read-only, with the damage map
// applied to its reads. Damaged files are opened for direct I/O, so each read the caller asks for
// reaches the damage map as it was asked (no page-sized widening, no read-ahead).
class MirrorFileSystem
{
public:
    // imagePath empty: mirror the whole folder; otherwise the root of the file system is that one file
    // of the folder, so the mount point itself can be given to losetup as a disk image.
    MirrorFileSystem(Platform::UniqueFd sourceDir, DamageState& damage, std::string imagePath);

    // The operations table for fuse_main; pass this object as its private data.
    static const fuse_operations& operations();

private:
    struct OpenFile
    {
        Platform::UniqueFd fd;
        std::string key; // the file's path as the damage map names it
    };

    static MirrorFileSystem& self();

    // The source-relative path for a path of the mounted tree ("." for the root); empty when the path
    // does not exist in this file system.
    std::string sourcePath(const char* path) const;

    int getattr(const char* path, struct stat* st, fuse_file_info* fi);
    int readlink(const char* path, char* buffer, size_t size);
    int open(const char* path, fuse_file_info* fi);
    int read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* fi);
    int release(const char* path, fuse_file_info* fi);
    int opendir(const char* path, fuse_file_info* fi);
    int readdir(const char* path, void* buffer, fuse_fill_dir_t filler, off_t offset, fuse_file_info* fi,
                fuse_readdir_flags flags);
    int releasedir(const char* path, fuse_file_info* fi);
    int statfs(const char* path, struct statvfs* st);

    Platform::UniqueFd m_sourceDir;
    DamageState& m_damage;
    std::string m_imagePath;
};

} // namespace Medium
