#pragma once
// Registers the dialogs that lower layers open (the connection dialog of
// CDataConnection::ShowMe) with those layers' hooks. Called at start-up.

void RegisterDialogs();
