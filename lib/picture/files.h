#pragma once

#include <QByteArrayView>
#include <QString>

// Creates or replaces the file at path with data, in one write. On failure nothing is left at
// path and an Exception says why: "Cannot create file "<path>". <system error>" when the file
// cannot be created, "Stream write error" when fewer bytes than data could be stored.
void saveWholeFile(const QString& path, QByteArrayView data);
