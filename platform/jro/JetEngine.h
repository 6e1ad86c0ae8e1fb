#pragma once
// jro::JetEngine: compacting a Jet database, into a new file or in place.

#include <QString>
#include <functional>
#include <memory>

namespace jro {

class JetEngine {
public:
    static std::shared_ptr<JetEngine> Create();

    // Writes a compacted copy of the source database to the destination
    // file. The destination must not exist ("Database already exists."); the
    // source is left as it is.
    void CompactDatabase(const QString& sourceConnection, const QString& destConnection);

    // Compacts the database in place, through a compacted copy in workFile
    // (a work file an earlier run left is replaced). The database is taken
    // for this connection alone first: while any other connection has it
    // open in a transaction, or open at all under a write-ahead journal, it
    // is refused as in use and nothing is touched. The compacted pages are
    // then written back into the same file by one journaled, synced
    // transaction, so the file keeps its identity (mode, owner, a symbolic
    // link to it, connections that stay open) and a kill at any moment
    // leaves it whole, old or compacted. The work file is removed afterwards.
    void CompactInPlace(const QString& connection, const QString& workFile);
};

// The steps of an in-place compaction, in order; PagesCopied comes after
// each part of the copy back that left more to copy.
enum class CompactStep { Locked, WorkWritten, PagesCopied, Replaced };
// Called at each step; tests stop a compaction there. None is set otherwise.
using CompactStepHook = std::function<void(CompactStep)>;
void SetCompactStepHook(CompactStepHook hook);

} // namespace jro
