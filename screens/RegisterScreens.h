#pragma once
// Registers the data viewer as what screenhooks::ViewData opens. Called once
// the main window exists, at start-up.

void RegisterScreens();
