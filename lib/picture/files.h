#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Creates or replaces the file at path with data, in one write. On failure nothing is left at
// path and an Exception says why: "Cannot create file "<path>". <system error>" when the file
// cannot be created, "Stream write error" when fewer bytes than data could be stored.
void saveWholeFile(const QString& path, QByteArrayView data);

// The whole content of the file at path, or of standard input for "-". An Exception says why
// not: "Cannot open file "<path>". <system error>" (a folder too), "Stream read error".
QByteArray readWholeFile(const QString& path);
