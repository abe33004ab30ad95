#pragma once

#include <QByteArray>
#include <QString>

class TMemo;

// The picture of a text area: every line from the first at the text area's width, with a blank
// band below, compressed as JPEG in bands so that a tall picture never exists whole in memory.
namespace picture {

constexpr int ExtraHeight = 130; // blank band below the lines
constexpr int BandRows = 256;    // rows painted and compressed at a time

// The JPEG stream; "JPEG error #41" before any raster is made when it would be too large.
QByteArray compress(TMemo& memo);
// Compresses and writes path; see saveWholeFile for the failures.
void write(TMemo& memo, const QString& path);

} // namespace picture
