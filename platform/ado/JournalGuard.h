#pragma once
// The engine's journals judged where the engine opens them. SQLite looks for
// a hot journal at every read lock, not only at the open, and plays back
// whatever it finds beside the database: a file another user makes appear
// there, or a second name of some other file, would be written into the
// database. The guard is a thin layer over the engine's file access (the
// default VFS from then on): a rollback journal or WAL is used only when it
// is a regular file with one link, owned by this user or by a user who may
// write the database (a colleague's journal in a shared group folder is the
// database's own), opened without following links.

#include <QString>

namespace ado {

// Puts the guard over the engine's default file access; later calls do
// nothing.
void InstallJournalGuard();

// The refusal the guard made last on this thread, as a message naming the
// database and the file beside it; empty when there was none. Taking it
// clears it.
QString TakeJournalRefusal();

} // namespace ado
