#pragma once

#include "ImageTree.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace burn {
struct burn_source;
}

struct BurnSourceRelease
{
    void operator()(burn::burn_source* source) const;
};
using BurnSourcePtr = std::unique_ptr<burn::burn_source, BurnSourceRelease>;

// Makes the ISO 9660 image of an ImageTree as a stream libburn can write: level 3 (files of
// 4 GiB and more are split into extents), Rock Ridge for the full names and permissions,
// Joliet in UTF-16 for Windows readers, and an MD5 checksum of the session and of every file
// so that the disc can be checked after the burn. A symbolic link to a file is burned as the
// file it points to (what the browser showed); a link to a folder is left out, as the walk
// leaves it. File contents are read from disk while the image is written; releasing the
// stream stops that.
class IsoImageBuilder
{
public:
    struct Result
    {
        BurnSourcePtr source;
        qint64 bytes = 0;
        int files = 0;       // files in the image
        QStringList leftOut; // links to folders, by their path on disk
        QString error;       // set when source is empty
    };

    static Result build(const ImageTree& tree, const QString& volumeId);
};
