#pragma once
// Creation and release of the program-wide data access object gDataAccess.

// Creates a new CDataAccess in gDataAccess.
void InitDataAccess();
// Closes the shared connection of gDataAccess and releases it; errors are
// ignored.
void CloseDataAccess();
