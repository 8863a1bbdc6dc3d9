#pragma once

#include "ImageTree.h"

#include <QString>

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
// Joliet for Windows readers. File contents are read from disk while the image is written;
// releasing the stream stops that.
class IsoImageBuilder
{
public:
    struct Result
    {
        BurnSourcePtr source;
        qint64 bytes = 0;
        QString error; // set when source is empty
    };

    static Result build(const ImageTree& tree, const QString& volumeId);
};
