#pragma once

#include <QString>

namespace Communal {

// The folder of the running executable, ending with a path separator.
QString ProgramFolder();
// Tests and the benchmark run the program in a folder of their own; empty restores the real one.
void SetProgramFolder(const QString& folder);

// Chooses where conversions go, creates that folder when missing and keeps the choice for
// OutputFolder(). It is "Pic" in the program folder when that folder can hold it (a copy in a
// folder of the user's), else the user's own data folder (an installed copy, whose folder is
// not the user's to write).
QString ChooseOutputFolder();
// The folder ChooseOutputFolder chose, without a separator at the end.
QString OutputFolder();

// Opens the folder in the desktop's file manager and returns at once.
void OpenFolderInExplorer(const QString& path);

} // namespace Communal
