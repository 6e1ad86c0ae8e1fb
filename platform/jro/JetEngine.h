#pragma once
// jro::JetEngine: compacting a Jet database into a new file.

#include <QString>
#include <memory>

namespace jro {

class JetEngine {
public:
    static std::shared_ptr<JetEngine> Create();

    // Writes a compacted copy of the source database to the destination
    // file. The destination must not exist ("Database already exists."); the
    // source is left as it is.
    void CompactDatabase(const QString& sourceConnection, const QString& destConnection);
};

} // namespace jro
