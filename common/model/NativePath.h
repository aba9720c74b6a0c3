#pragma once

#include <QString>

// The package routines take and return paths in the system's DOS form; these two helpers are
// the file-system edge where they meet native paths.
namespace ksv::NativePath {

// Native path of a DOS path ("C:\Data\a.txt"); a path that is already native ("/home/...")
// is returned as it is. Empty for a path on an unknown drive.
QString of(const QString& path);
// DOS form of a native path; the native path itself when it lies outside every drive.
QString toDos(const QString& nativePath);

} // namespace ksv::NativePath
