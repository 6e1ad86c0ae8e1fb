#pragma once
// ModuleMain: the program's start-up and the program-wide objects.

// The program's start: lets a write past a file-size limit fail rather than
// end the process, refuses a second running copy, reads the connection
// profile from "Tervala.ini", makes sure the database opens (asking for
// another profile when it does not), creates the program-wide objects, loads
// the settings and the source profiles and hands over to the main window.
// From then on a logout's SIGTERM or SIGHUP ends the program as a close of
// the main window does (frmMain::EndSession).
// When it returns with gMainForm shown, the program runs in the event loop;
// otherwise the program ends.
void Main();

class CDefPropertys;

// True when the database of the data access object's default connection
// string is one the program can work with: it opens, its settings can be
// read and the missing defaults added (through settings, which is loaded
// from it). What stops it has been reported once. Start-up and the switch
// to another database ask the same.
bool DatabaseUsable(CDefPropertys& settings);

// Creates, each new and empty: gRecordset, gPhoneTables, gDefPropertys,
// gDataTypeInfos.
void CreateGlobalObjects();

// Releases gRecordset, gDefPropertys, gDataTypeInfos and gPhoneTables (and
// the current profile), closes the data access object and releases the main
// window.
void ReleaseGlobalObjects();
