#pragma once
// The checks an Excel 97-2003 file passes before FreeXL reads it. FreeXL
// trusts the lengths and counts it finds in the file (a directory entry's
// name length, a string's character count, a sector chain) and reads past
// its buffers when they lie, so every such length is measured here against
// the bytes that are really there.

#include <QByteArrayView>
#include <QString>

namespace files::detail {

struct XlsVerdict {
    enum Kind { Sound, Damaged, Encrypted };
    Kind kind = Sound;
    QString damage; // when Damaged: what is wrong, e.g. "its directory is damaged"
};

// Checks the compound file (header, sector tables, directory) and the
// records of every workbook stream it holds.
XlsVerdict XlsCheck(QByteArrayView file);

} // namespace files::detail
