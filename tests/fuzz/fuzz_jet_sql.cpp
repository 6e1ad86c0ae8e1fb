// The Jet SQL translator on arbitrary text: tokens must give the text back,
// and translating (for SQLite, with and without lifted literals, and for
// PostgreSQL) either succeeds or raises.

#include "FuzzSupport.h"
#include "platform/ado/JetSql.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString back;
    for (const auto& t : ado::JetSql::Tokenize(sql)) {
        back += t.text;
        ado::JetSql::NameOf(t);
    }
    if (back != sql) std::abort(); // the tokens must cover the text exactly
    fuzz::Answered([&] { ado::JetSql::Translate(sql, false); });
    fuzz::Answered([&] { ado::JetSql::Translate(sql, true); });
    fuzz::Answered([&] { ado::JetSql::TranslateForPostgres(sql); });
    return 0;
}
