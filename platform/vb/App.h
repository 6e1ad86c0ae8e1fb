#pragma once
// VB's App object: the program folder, its names and version, and whether
// another copy of the program is already running.

#include <QString>

namespace vb {

class App {
public:
    // The executable's folder without a trailing "/"; the environment
    // variable TERVALA_HOME overrides it (tests, read-only installs).
    static QString Path();
    static QString Title();    // "Tervala"
    static QString EXEName();  // "Tervala"
    static QString HelpFile(); // "TervalaManual.chm"
    static int Major();
    static int Minor();
    static int Revision();

    // Start-up takes the instance lock once and keeps it for the life of the
    // process; the system drops it when the process ends, crashed or not, and
    // its file goes at a normal exit.
    // Returns false when another running copy holds it.
    static bool AcquireInstanceLock();
    // True when another running copy of the program (same program folder,
    // same user) holds the instance lock.
    static bool PrevInstance();
    // Gives the lock up and removes its file (at exit, and in tests).
    static void ReleaseInstanceLock();
    // The lock file ".tervala-<user>-<hash of the canonical App.Path>.lock",
    // in the user's runtime folder or the program folder where only the user
    // can write them, else the home folder or /tmp; the one held, when held.
    static QString InstanceLockPath();
};

} // namespace vb
