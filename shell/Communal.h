#pragma once

#include <QString>

namespace Communal {

// The folder of the running executable, ending with a path separator.
QString ProgramFolder();
// Tests and the benchmark run the program in a folder of their own; empty restores the real one.
void SetProgramFolder(const QString& folder);

// Opens the folder in the desktop's file manager and returns at once.
void OpenFolderInExplorer(const QString& path);

} // namespace Communal
