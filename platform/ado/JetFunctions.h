#pragma once
// The Jet functions that queries call, as SQLite functions with VB's
// semantics: mid, left, right, len, instr, ucase, lcase, trim, ltrim, rtrim,
// space, val, nz, format, now, date, cstr, clng, cint, cdbl, int, isnull;
// Like with Jet's wildcards; and the helpers the translator writes
// (jetcat for "&", jetcmp for number/text comparisons).

#include <QString>

struct sqlite3;

namespace ado {

void RegisterJetFunctions(sqlite3* db);

// Jet's Like, case-blind: "*" or "%" any run, "?" or "_" one character,
// "#" one digit, "[abc]", "[a-z]", "[!abc]" one of (not one of) a list.
bool JetLike(const QString& value, const QString& pattern);

} // namespace ado
