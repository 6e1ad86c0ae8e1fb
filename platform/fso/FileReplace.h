#pragma once
// Replacing a user's file without ever leaving it half written: the new
// content is written beside the file that is really meant (a symbolic link is
// followed to it), takes that file's mode and owner, and is renamed over it
// in one step.

#include <QString>

namespace fso {

// The file a path finally names: every symbolic link on the way followed, so
// that a file written beside the result lies in the same folder (and file
// system) as the file to be replaced. The absolute path when the file does
// not exist.
QString ResolvedFilePath(const QString& path);

// True when the file must not be changed: nobody may write it (its mode has no
// write permission), or this process may not.
bool IsReadOnlyFile(const QString& path);

// True when the two paths name one file, whatever their spelling: ".", "..",
// doubled separators, symbolic and hard links. Paths of files that do not
// exist yet are compared by their resolved folder and name.
bool IsSameFile(const QString& a, const QString& b);

// Puts the finished file in target's place by a rename after giving it
// target's mode and, as far as this process may, its owner and group. The
// finished file must lie in target's folder (see ResolvedFilePath). Raises 70
// when the rename fails; both files are then as they were.
void ReplaceFileWith(const QString& finished, const QString& target);

// Creates the folder a file is to be written in, with its missing parents.
// Raises 76 when it cannot be made.
void EnsureParentFolder(const QString& filePath);

} // namespace fso
