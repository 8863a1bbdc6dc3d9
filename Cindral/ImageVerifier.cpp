#include "ImageVerifier.h"

#include "LibburnSession.h"

#include <cstdint>
#include <libisofs/libisofs.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace ImageVerifier {

namespace {

constexpr int BlockSize = 2048;
constexpr int CacheBlocks = 32; // one read of 64 KiB serves the next 31 blocks too

// What the data source reads through: the caller's reader with a small read-ahead cache, so
// that the image is read in 64 KiB pieces and not one SCSI command per block.
struct SourceData
{
    const BlockReader* reader = nullptr;
    std::vector<char> cache = std::vector<char>(size_t(CacheBlocks) * BlockSize);
    qint64 cacheStart = -1;
    int cacheCount = 0;
};

int sourceOpen(IsoDataSource*)
{
    return ISO_SUCCESS;
}

int sourceClose(IsoDataSource*)
{
    return ISO_SUCCESS;
}

int sourceReadBlock(IsoDataSource* src, uint32_t lba, uint8_t* buffer)
{
    auto* data = static_cast<SourceData*>(src->data);
    if (data->cacheStart < 0 || lba < data->cacheStart || lba >= data->cacheStart + data->cacheCount) {
        data->cacheStart = -1;
        // Near the end of the image a full piece may not be readable; fall back to one block.
        if ((*data->reader)(lba, CacheBlocks, data->cache.data())) {
            data->cacheCount = CacheBlocks;
        } else if ((*data->reader)(lba, 1, data->cache.data())) {
            data->cacheCount = 1;
        } else {
            return ISO_DATA_SOURCE_MISHAP;
        }
        data->cacheStart = lba;
    }
    std::memcpy(buffer, data->cache.data() + (qint64(lba) - data->cacheStart) * BlockSize, BlockSize);
    return ISO_SUCCESS;
}

// libisofs frees the source itself (with free()) after this.
void sourceFree(IsoDataSource* src)
{
    delete static_cast<SourceData*>(src->data);
    src->data = nullptr;
}

struct SourceRelease
{
    void operator()(IsoDataSource* src) const { iso_data_source_unref(src); }
};
struct ImageRelease
{
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct ReadOptsRelease
{
    void operator()(IsoReadOpts* opts) const { iso_read_opts_free(opts); }
};
struct FeaturesRelease
{
    void operator()(IsoReadImageFeatures* f) const { iso_read_image_features_destroy(f); }
};
struct IterRelease
{
    void operator()(IsoDirIter* iter) const { iso_dir_iter_free(iter); }
};

QString nodePath(IsoNode* node)
{
    char* path = iso_tree_get_node_path(node);
    const QString text = path ? QString::fromUtf8(path) : QString();
    std::free(path);
    return text;
}

// MD5 of a file's content as read back; false when it cannot be read to its end.
bool readBackMd5(IsoFile* file, char md5[16])
{
    IsoStream* stream = iso_file_get_stream(file);
    if (!stream || iso_stream_open(stream) < 0)
        return false;
    void* context = nullptr;
    iso_md5_start(&context);
    std::vector<char> buffer(size_t(CacheBlocks) * BlockSize);
    bool ok = true;
    for (;;) {
        const int n = iso_stream_read(stream, buffer.data(), buffer.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        iso_md5_compute(context, buffer.data(), n);
    }
    iso_stream_close(stream);
    iso_md5_end(&context, md5);
    return ok;
}

void checkDir(IsoImage* image, IsoDir* dir, Outcome& outcome, const std::function<bool()>& cancelled)
{
    IsoDirIter* rawIter = nullptr;
    if (iso_dir_get_children(dir, &rawIter) < 0)
        return;
    const std::unique_ptr<IsoDirIter, IterRelease> iter(rawIter);
    IsoNode* node = nullptr;
    while (outcome.result != Result::Differs && iso_dir_iter_next(iter.get(), &node) == 1) {
        if (cancelled()) {
            outcome = {Result::NotChecked, QStringLiteral("cancelled"), outcome.files};
            return;
        }
        switch (iso_node_get_type(node)) {
        case LIBISO_DIR:
            checkDir(image, reinterpret_cast<IsoDir*>(node), outcome, cancelled);
            break;
        case LIBISO_FILE: {
            auto* file = reinterpret_cast<IsoFile*>(node);
            char recorded[16] = {};
            char read[16] = {};
            ++outcome.files;
            if (iso_file_get_md5(image, file, recorded, 0) != 1 || !readBackMd5(file, read) ||
                !iso_md5_match(recorded, read)) {
                outcome.result = Result::Differs;
                outcome.detail = nodePath(node);
            }
            break;
        }
        default:
            break;
        }
        if (outcome.result == Result::NotChecked)
            return;
    }
}

} // namespace

Outcome check(const BlockReader& reader, int expectedFiles, const std::function<bool()>& cancelled)
{
    LibburnSession::ensureIsofs();
    Outcome outcome;
    // Allocated as libisofs frees it.
    auto* src = static_cast<IsoDataSource*>(std::calloc(1, sizeof(IsoDataSource)));
    if (!src)
        return outcome;
    src->version = 0;
    src->refcount = 1;
    src->open = sourceOpen;
    src->close = sourceClose;
    src->read_block = sourceReadBlock;
    src->free_data = sourceFree;
    src->data = new SourceData{&reader};
    const std::unique_ptr<IsoDataSource, SourceRelease> source(src);

    IsoImage* rawImage = nullptr;
    IsoReadOpts* rawOpts = nullptr;
    if (iso_image_new("", &rawImage) < 0)
        return outcome;
    const std::unique_ptr<IsoImage, ImageRelease> image(rawImage);
    if (iso_read_opts_new(&rawOpts, 0) < 0)
        return outcome;
    const std::unique_ptr<IsoReadOpts, ReadOptsRelease> opts(rawOpts);
    // Read the checksums and refuse a session whose own checksum tags do not match.
    iso_read_opts_set_no_md5(opts.get(), 0);
    // The checksums are found through AAIP, which a reader skips unless asked.
    iso_read_opts_set_no_aaip(opts.get(), 0);
    IsoReadImageFeatures* rawFeatures = nullptr;
    const int rc = iso_image_import(image.get(), source.get(), opts.get(), &rawFeatures);
    const std::unique_ptr<IsoReadImageFeatures, FeaturesRelease> features(rawFeatures);
    if (rc < 0) {
        outcome.result = Result::Differs;
        outcome.detail = QString::fromUtf8(iso_error_to_msg(rc));
        return outcome;
    }
    uint32_t start = 0;
    uint32_t end = 0;
    char sessionMd5[16] = {};
    if (iso_image_get_session_md5(image.get(), &start, &end, sessionMd5, 0) <= 0) {
        outcome.detail = QStringLiteral("the image carries no checksums");
        return outcome;
    }
    outcome.result = Result::Verified;
    checkDir(image.get(), iso_image_get_root(image.get()), outcome, cancelled);
    if (outcome.result == Result::Verified && outcome.files != expectedFiles) {
        outcome.result = Result::Differs;
        outcome.detail = QStringLiteral("%1 files read back of %2").arg(outcome.files).arg(expectedFiles);
    }
    return outcome;
}

} // namespace ImageVerifier
