#pragma once
// Registers the grid screens that lower layers open (the data viewer, the
// phone list of one area code) with those layers' hooks. Called once the
// main window exists, at start-up.

void RegisterScreens();
