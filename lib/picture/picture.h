#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class TMemo;
class MemoSnapshot;

// The picture of a text area: every line from the first at the text area's width, with a blank
// band below, compressed as JPEG in bands so that a tall picture never exists whole in memory.
namespace picture {

constexpr int ExtraHeight = 130; // blank band below the lines
constexpr int BandRows = 256;    // rows painted and compressed at a time

// The JPEG stream; "JPEG error #41" before any raster is made when it would be too large.
QByteArray compress(TMemo& memo);
// Compresses and writes path, replacing what is there; see saveWholeFile for the failures.
void write(TMemo& memo, const QString& path);
// Compresses and writes path unless something of that name exists: then false, nothing written.
bool writeNew(TMemo& memo, const QString& path);

// Lines firstLine .. endLine - 1 of a snapshot, as one picture with the band below them.
struct Page {
    int firstLine = 0;
    int endLine = 0;
};

// The lines cut into pages at most pageHeight rows tall, band included, each holding as many
// whole lines as fit; every line is on exactly one page. A text without lines is one page of
// the band alone. Throws when a line alone is too tall for a page.
std::vector<Page> cutIntoPages(const MemoSnapshot& snapshot, int pageHeight);
// The page's JPEG stream; the same failures as compress.
QByteArray compress(const MemoSnapshot& snapshot, const Page& page);

} // namespace picture
