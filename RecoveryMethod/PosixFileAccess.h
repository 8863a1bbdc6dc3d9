#pragma once

#include "BlockFiles.h"

// The copier's files on the real file system: raw descriptors, positioned reads, the source
// read-only, with the kernel's read-ahead on until its first failed read and off from then on
// (read-ahead into a bad area costs the medium's retries for blocks the copier has not asked for);
// each failed read drops what is cached from its offset on, so a retry reads the medium again.
class PosixFileAccess : public FileAccess
{
public:
    bool fileExists(const QString& path) override;
    bool exists(const QString& path) override;
    Opened<BlockSource> openSource(const QString& path) override;
    Opened<BlockSource> openSectorSource(const QString& path) override;
    Opened<BlockDestination> openDestination(const QString& path, bool truncate) override;
    Opened<BlockDestination> createDestination(const QString& path) override;
    bool makeFolder(const QString& path) override;
    bool remove(const QString& path) override;
};
