#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QByteArrayView>

#include <fcntl.h>

namespace Platform {

// A path split into an open folder and the last name inside it, so that the *at calls reach it
// however long the path is: the kernel refuses whole paths of PATH_MAX bytes or more, but takes
// them in pieces. Short paths stay whole, relative to the working directory, and cost nothing.
//
//     const PathAt at = PathAt::of(bytes);
//     UniqueFd fd(::openat(at.folder(), at.name(), O_RDONLY | O_CLOEXEC));
struct PathAt
{
    // On failure folder() is -1 and error() holds the errno of the piece that could not be opened.
    static PathAt of(QByteArrayView path);

    int folder() const { return m_owned ? m_owned.get() : m_folder; }
    const char* name() const { return m_name.constData(); }
    int error() const { return m_error; }
    bool ok() const { return m_error == 0; }

private:
    UniqueFd m_owned;
    int m_folder = AT_FDCWD;
    QByteArray m_name;
    int m_error = 0;
};

} // namespace Platform
