#include "IsoImageBuilder.h"

#include "LibburnSession.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

namespace {

struct ImageRelease
{
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct OptsRelease
{
    void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};

QString isoError(int code, const QString& what)
{
    return what + QStringLiteral(": ") + QString::fromUtf8(iso_error_to_msg(code));
}

// Adds the folder's contents below dir; returns an error text, empty on success.
QString addContents(IsoImage* image, IsoDir* dir, const ImageTree::Dir& folder,
                    IsoImageBuilder::Result& result)
{
    for (const auto& [name, sub] : folder.dirs) {
        IsoDir* made = nullptr;
        const int rc = iso_image_add_new_dir(image, dir, name.toUtf8().constData(), &made);
        if (rc < 0)
            return isoError(rc, name);
        if (QString error = addContents(image, made, *sub, result); !error.isEmpty())
            return error;
    }
    for (const auto& [name, diskPath] : folder.files) {
        const QFileInfo info(diskPath);
        if (info.isSymLink() && info.isDir()) {
            result.leftOut << diskPath;
            continue;
        }
        const int rc = iso_tree_add_new_node(image, dir, name.toUtf8().constData(),
                                             QFile::encodeName(diskPath).constData(), nullptr);
        if (rc < 0)
            return isoError(rc, diskPath);
        ++result.files;
    }
    return {};
}

} // namespace

void BurnSourceRelease::operator()(burn::burn_source* source) const
{
    // The image writer thread runs from the start; an image not read to its end must stop it.
    if (source->version >= 1 && source->cancel)
        source->cancel(source);
    burn::burn_source_free(source);
}

IsoImageBuilder::Result IsoImageBuilder::build(const ImageTree& tree, const QString& volumeId)
{
    LibburnSession::ensureIsofs();
    Result result;
    IsoImage* rawImage = nullptr;
    int rc = iso_image_new(volumeId.toUtf8().constData(), &rawImage);
    if (rc < 0) {
        result.error = isoError(rc, QStringLiteral("image"));
        return result;
    }
    const std::unique_ptr<IsoImage, ImageRelease> image(rawImage);
    // A link to a file goes on the disc as the file; the recovered copy has no target to point at.
    iso_tree_set_follow_symlinks(image.get(), 1);
    // Owners' ACLs and extended attributes of the damaged medium mean nothing on the disc.
    iso_image_set_ignore_aclea(image.get(), 3);
    if (QString error = addContents(image.get(), iso_image_get_root(image.get()), tree.root(), result);
        !error.isEmpty()) {
        result.error = error;
        return result;
    }

    IsoWriteOpts* rawOpts = nullptr;
    rc = iso_write_opts_new(&rawOpts, 0);
    if (rc < 0) {
        result.error = isoError(rc, QStringLiteral("image"));
        return result;
    }
    const std::unique_ptr<IsoWriteOpts, OptsRelease> opts(rawOpts);
    iso_write_opts_set_iso_level(opts.get(), 3);
    iso_write_opts_set_rockridge(opts.get(), 1);
    iso_write_opts_set_joliet(opts.get(), 1);
    // Joliet names stop at 103 characters this way instead of 64; Rock Ridge keeps any name whole.
    iso_write_opts_set_joliet_long_names(opts.get(), 1);
    iso_write_opts_set_joliet_longer_paths(opts.get(), 1);
    // UTF-16 instead of UCS-2: characters beyond the basic plane (emoji) survive on Windows.
    iso_write_opts_set_joliet_utf16(opts.get(), 1);
    // Checksums of the session and of each file, read back after the burn; their places are
    // recorded through AAIP, which must be on for a reader to find them.
    iso_write_opts_set_aaip(opts.get(), 1);
    iso_write_opts_set_record_md5(opts.get(), 1, 1);
    // Everyone may read the disc: recovered files often come with the damaged medium's odd
    // owners and modes, which mean nothing on another machine.
    iso_write_opts_set_replace_mode(opts.get(), 1, 1, 1, 1);

    ::burn_source* isoSource = nullptr;
    rc = iso_image_create_burn_source(image.get(), opts.get(), &isoSource);
    if (rc < 0 || !isoSource) {
        result.error = isoError(rc, QStringLiteral("image"));
        return result;
    }
    // libisofs declares the stream opaquely outside libburn's namespace; it is libburn's struct.
    auto* source = reinterpret_cast<burn::burn_source*>(isoSource);
    result.source.reset(source);
    result.bytes = qint64(source->get_size(source));
    return result;
}
