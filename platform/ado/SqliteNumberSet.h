#pragma once
// The table-valued function tv_numbers(?1) of every SQLite connection: the
// numbers of a NumberSet bound to its argument, as rows. Private to the
// SQLite provider.

struct sqlite3;

namespace ado {

void RegisterNumberSetModule(sqlite3* db);

} // namespace ado
