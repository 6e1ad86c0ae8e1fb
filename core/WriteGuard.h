#pragma once
// The one check every writer makes before it writes a file: a target that
// would take the place of a file the program keeps (its DNC database and the
// files the database engine keeps beside it, the settings file, the work
// database) or of a file of the run itself (what it reads, what else it
// writes) is refused, naming both files, whatever the spelling of the paths
// and the links on the way.

#include <QList>
#include <QString>

namespace writeguard {

// A file no writer may take the place of: what it is to the user and the
// file a refusal names (a journal names its database, a memo file its list).
struct Kept {
    QString path;
    QString what;
    QString named;
};

// A file of one run (its source, its other outputs), named as itself.
inline Kept RunFile(const QString& path, const QString& what)
{
    return {path, what, path};
}

// A database file and the files its engine keeps beside it ("-journal",
// "-wal", "-shm"); what names the database ("the DNC database").
QList<Kept> DatabaseFiles(const QString& path, const QString& what);

// The DNC database's file; empty when the store is not a file (a server).
QString DncDatabaseFile();
// The work-table road's database in the program folder.
QString WorkDatabaseFile();
// The settings file beside the program; empty before start-up names it.
QString SettingsFile();

// Which of the program's own files a list leaves out: the file a writer is
// meant to write (the work database when it is made, the settings when they
// are saved).
enum class Omit { None, WorkDatabase, Settings };

// The program's own files: the DNC database with its engine's files, the
// settings file and the work database with its engine's files.
QList<Kept> ProgramFiles(Omit omit = Omit::None);

// The entry of kept that target would take the place of, or null.
const Kept* KeptFileAt(const QString& target, const QList<Kept>& kept);

// Why the file named kind ("OK file", "text file to save") at target must
// not be written: "The <kind> '<target>' is <what> '<named>'!". The
// program's files (less omit) and the run's files count. Empty when the
// target may be written, or is empty.
QString WriteClash(const QString& kind, const QString& target, const QList<Kept>& runFiles = {},
                   Omit omit = Omit::None);

} // namespace writeguard
