#pragma once
// The subset of "Scripting.FileSystemObject" the program uses. Failures throw
// vb::ErrObject with the numbers VB scripts see: 52 bad file name, 53 file not
// found, 58 file already exists, 70 permission denied, 76 path not found.
// Paths use "/"; the name helpers also accept "\" as a separator.

#include "platform/fso/TextStream.h"

#include <QString>

namespace fso {

// Creates target as a new, empty file of the permission bits mode and gives
// its open descriptor: never an existing file and never through a link, so
// nothing planted at the name is written or has its mode changed. Raises 58
// when the name is taken (a dangling link included), 70 or 76 otherwise.
int CreateNewFile(const QString& target, unsigned mode);

// Copies source to target, made by CreateNewFile with the source's
// permission bits, and on the disk before it returns. A copy that fails part
// way is removed: the target is whole or absent.
void CopyToNewFile(const QString& source, const QString& target);

class FileSystemObject {
public:
    bool FileExists(const QString& path) const;
    bool FolderExists(const QString& path) const;

    // Deletes a file (not a folder). force is accepted for VB's signature;
    // a file that cannot be deleted throws 70 either way.
    void DeleteFile(const QString& path, bool force = false) const;
    // Moves or renames a file; a destination ending in a separator, or an
    // existing folder, receives the file under its own name. An existing
    // destination file throws 58.
    void MoveFile(const QString& source, const QString& destination) const;
    // Copies a file; the destination is replaced atomically when overwrite is
    // true, else it is made new (see CopyToNewFile) and an existing
    // destination, a link included, throws 58.
    void CopyFile(const QString& source, const QString& destination, bool overwrite = true) const;
    // Creates a folder whose parent exists; 58 when it exists already.
    void CreateFolder(const QString& path) const;

    // Opens a text file. ForReading of a missing file throws 53 unless create
    // is true (an empty file is made); ForWriting and ForAppending of a
    // missing file throw 53 unless create is true. format is VB's Tristate and
    // only accepted: text is UTF-8 (see TextStream).
    TextStreamPtr OpenTextFile(const QString& path, IOMode mode = ForReading, bool create = false,
                               int format = 0) const;
    // Creates a text file for writing; an existing file is replaced when
    // overwrite is true, else it throws 58.
    TextStreamPtr CreateTextFile(const QString& path, bool overwrite = true, bool unicode = false) const;

    // Name helpers; no file system access.
    QString GetFileName(const QString& path) const;         // last part
    QString GetParentFolderName(const QString& path) const; // all but the last part
    QString GetBaseName(const QString& path) const;         // last part without its extension
    QString GetExtensionName(const QString& path) const;    // text after the last "." of the last part
    QString BuildPath(const QString& path, const QString& name) const;
};

} // namespace fso
