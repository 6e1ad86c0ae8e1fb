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
    // process; the system drops it when the process ends, crashed or not.
    // Returns false when another running copy holds it.
    static bool AcquireInstanceLock();
    // True when another running copy of the program (same program folder,
    // same user) holds the instance lock.
    static bool PrevInstance();
    // Gives the lock up (tests; start-up never needs it).
    static void ReleaseInstanceLock();
    // The lock file: /tmp/tervala-<user>-<hash of App.Path>.lock.
    static QString InstanceLockPath();
};

} // namespace vb
