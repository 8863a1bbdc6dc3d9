#pragma once

#include <QString>

#include <functional>

// Reads a written image back through its own ISO 9660 tree and checks every file against the
// MD5 checksum that was recorded in the image while it was written, as `xorriso -check_md5`
// does. Runs on the drive thread; reading a whole disc takes as long as the disc reads.
namespace ImageVerifier {

enum class Result
{
    NotChecked, // the image carries no checksums, or its tree cannot be read
    Verified,
    Differs,
};

struct Outcome
{
    Result result = Result::NotChecked;
    QString detail; // the image path of the first file that differs, or why nothing was checked
    int files = 0;  // files checked
};

// Reads count 2048-byte blocks from block lba into buffer; false when they cannot be read.
using BlockReader = std::function<bool(quint32 lba, int count, char* buffer)>;

// expectedFiles: how many files the image was given; a different count read back differs.
Outcome check(const BlockReader& reader, int expectedFiles, const std::function<bool()>& cancelled);

} // namespace ImageVerifier
