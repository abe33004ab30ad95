#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A final name only ever holds a whole file that is on disk: each file is written under a
// temporary name of this program's own in the same folder, flushed, renamed into place, and the
// folder flushed before the call returns. A failure throws Exception: "Cannot create file
// "<path>". <system error>" when the file cannot be created or put in place, "Stream write error"
// when fewer bytes than data could be stored or flushed. After a failure no temporary is left and
// nothing new is at path.

// Creates path, or replaces what is there, once data is complete.
void saveWholeFile(const QString& path, QByteArrayView data);
// Creates path only when nothing of that name exists; false, and nothing written, when something
// does.
bool saveNewFile(const QString& path, QByteArrayView data);

// Whether name is one of the temporaries' names.
bool isTemporaryName(const QString& name);
// Removes from folder the temporaries of writers that stopped before the end (a kill, a crash);
// one still being written is kept, and so is every other file.
void removeStrayTemporaries(const QString& folder);

// The whole content of the file at path, or of standard input for "-". An Exception says why
// not: "Cannot open file "<path>". <system error>" (a folder too), "Stream read error".
QByteArray readWholeFile(const QString& path);
