#pragma once
// How one folder tells its names apart. A folder on a USB stick (FAT,
// exFAT) or a case-folded one holds one file under every spelling of its
// name: "calls.FPT" there is "calls.fpt", and a name checked against the
// program's files must be checked as the folder will take it. The folder is
// asked, not its file system's name: the same driver can keep one folder
// case-blind and the next not.

#include <QString>

namespace fso {

// True when folder takes a name spelled in another case for the same entry.
// A folder that does not exist yet is answered for the nearest one that
// does (a folder made there compares as its parent). Asked by looking one
// of its entries up in another case; an empty folder is asked with a
// hidden file made and removed at once; one that can be neither read nor
// written in is taken as telling cases apart.
bool IsCaseBlindFolder(const QString& folder);

// True when the names a and b reach one entry of folder: the same text, or
// on a case-blind folder the same text but for case.
bool SameName(const QString& folder, const QString& a, const QString& b);

// The spelling in which folder holds name: name itself when it is there so,
// on a case-blind folder the entry's own spelling; empty when folder holds
// no such entry.
QString HeldName(const QString& folder, const QString& name);

} // namespace fso
