#pragma once

#include <QString>

namespace Platform {

// The path text rules of the browsers and the engine, on "/" paths.
namespace PathRules {

// The path with one closing "/" (a bare "" becomes "/").
QString withClosingSlash(const QString& path);

// The parent folder of a path, with a closing "/". A closing "/" of the path itself is not
// counted, so "/a/b/" and "/a/b" both give "/a/"; the root is its own parent.
QString parentOf(const QString& path);

// True for the root of the file system, the one path whose up button is disabled.
bool isRoot(const QString& path);

// The last name of a path ("/a/b/" gives "b", "/" gives "").
QString lastName(const QString& path);

} // namespace PathRules

} // namespace Platform
