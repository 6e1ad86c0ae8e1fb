// Build-time tool: creates the program's empty database from the schema when
// no database is there yet. An existing database is never touched.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <schema.sql> <database file>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path schemaPath = argv[1];
    const std::filesystem::path dbPath = argv[2];
    if (std::filesystem::exists(dbPath)) return 0;

    std::ifstream in(schemaPath);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", schemaPath.c_str());
        return 1;
    }
    std::stringstream sql;
    sql << in.rdbuf();

    std::filesystem::create_directories(dbPath.parent_path());
    // Build beside the target and rename, so an interrupted build never
    // leaves a half-made database that a later build would keep.
    const std::filesystem::path tmp = dbPath.string() + ".part";
    std::filesystem::remove(tmp);
    sqlite3* db = nullptr;
    if (sqlite3_open(tmp.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s\n", tmp.c_str());
        return 1;
    }
    char* err = nullptr;
    if (sqlite3_exec(db, sql.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "schema failed: %s\n", err ? err : "?");
        sqlite3_free(err);
        sqlite3_close(db);
        std::filesystem::remove(tmp);
        return 1;
    }
    sqlite3_close(db);
    std::filesystem::rename(tmp, dbPath);
    return 0;
}
