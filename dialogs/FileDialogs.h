#pragma once
// The open and save file dialogs as the program asks for a file: through the
// main window's common dialog, which keeps the last name chosen.

#include <QString>

// The open-file dialog of the main window (or of its own when there is no
// main window), starting in the program folder, requiring an existing path.
// Returns the chosen path, or "" when cancelled (no message) or failed
// (reported).
QString OpenFile(const QString& fileName, const QString& filter, const QString& title);
// The save-file dialog, asking before an existing file is replaced; "" on
// cancel or any failure, without a message.
QString ShowSaveDialog(const QString& fileName, const QString& filter, const QString& title);
