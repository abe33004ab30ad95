#pragma once

#include <QFont>
#include <QStringList>

// The font with Simplified Chinese faces to fall back on after its own face, so Han characters
// it lacks are drawn in Simplified forms whatever the locale. A face that is not installed keeps
// fontconfig's substitute for it in second place, so Latin text looks as fontconfig would draw it.
QFont withChineseFallback(const QFont& font);

// The installed Simplified Chinese faces, best first.
QStringList simplifiedChineseFaces();
