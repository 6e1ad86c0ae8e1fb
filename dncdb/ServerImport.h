#pragma once
// The DNC import on a database server. A server cannot link a text file, so
// the import's link of the import text becomes a table of the server: the
// text is read here and streamed to it in batches, into MyLinkedTable with
// F1 the area code as the text gives it and F2 the local number (null where
// the line has none). Every layout of the text (ten digits, or area code and
// number) becomes these two fields, so the import's per-area-code steps run
// on it unchanged, through the Jet SQL translation of the server.
//
// One desktop imports at a time: the link holds a lock of the server for
// its session until it is dropped; a second desktop's import stops with a
// message instead of replacing the first one's table.

#include <QString>

namespace dncimport {

// Makes the import's links on a server go through this module (once is
// enough; again does no harm).
void UseServerLinks();

} // namespace dncimport
