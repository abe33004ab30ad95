#pragma once

#include "lib/picture/memo.h"

#include <QFont>

// The text area as the window sets it up. The window and the command-line converter both start
// from here, so the converter draws what the window draws.
namespace textarea {

// The window's text area spans its client area.
constexpr int OuterWidth = 558;
constexpr int OuterHeight = 345;
// The picture's width: the text area's client width.
constexpr int PictureWidth = TMemo::clientWidthFor(OuterWidth);

// "Tahoma" at a height in pixels.
QFont tahoma(int pixels);
// The text area's font at start: "Tahoma" 14 pixels, with the Chinese faces to fall back on.
QFont defaultFont();

} // namespace textarea
