#pragma once
// Saving a text into a file, with the failure reported to the user.

#include <QString>
#include <cstdint>

// Writes text into the file as it is (no line end added), creating the file;
// openMode is a fso::IOMode (2 replaces the content, atomically; 8 appends).
// Failures are reported in the error box and give false.
bool SaveTextFile(const QString& path, const QString& text, std::int16_t openMode = 2);
