#pragma once
// The backup copy of a calling list: "B", the moment to the second and the
// list's name, beside the list. Every backup (text list, workbook, table
// with its memo and index files, database) is made here, as new files that
// never take the place of an existing one.

#include <QString>

namespace scrub {

enum class BackupKind {
    File,     // a text list or a workbook: its bytes
    Table,    // a FoxPro table: the .dbf and its memo and index files
    Database, // an Access list: its committed state, through the engine
};

// Copies folder's fileName (and, for a table, its companions under the same
// prefix, each file once) and gives the copy's path. A name already taken,
// by a file or a link, in any case the folder takes for it, is passed over
// for the next free one ("B<stamp>_2<name>", ...): no earlier backup is
// replaced. Past the thousandth name of one second the backup is refused
// (58). Every copy's name goes through the write guard first; a copy that
// fails part way is removed with the ones made before it.
QString BackUpList(const QString& folder, const QString& fileName, BackupKind kind);

// Whether path is named as a backup of the list source, or of one of its
// memo and index files, would be (as the list's folder compares names): a
// result file so named would take the backup's place.
bool IsBackupNameOf(const QString& path, const QString& source);

} // namespace scrub
