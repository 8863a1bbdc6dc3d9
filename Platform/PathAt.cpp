#include "PathAt.h"

#include <cerrno>
#include <climits>

namespace Platform {

PathAt PathAt::of(QByteArrayView path)
{
    PathAt at;
    QByteArrayView rest = path;
    while (rest.size() >= PATH_MAX) {
        // The longest piece that ends at a "/" and that the kernel takes whole.
        const qsizetype slash = rest.first(PATH_MAX - 1).lastIndexOf('/');
        if (slash <= 0) {
            at.m_folder = -1;
            at.m_error = ENAMETOOLONG;
            return at;
        }
        const QByteArray piece = rest.first(slash).toByteArray();
        UniqueFd next(::openat(at.folder(), piece.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next) {
            at.m_error = errno;
            at.m_owned.reset();
            at.m_folder = -1;
            return at;
        }
        at.m_owned = std::move(next);
        rest = rest.sliced(slash + 1);
    }
    at.m_name = rest.toByteArray();
    return at;
}

} // namespace Platform
