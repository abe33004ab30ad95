#pragma once

#include <QString>

// Deterministic texts for the benchmark (fixed seeds): Chinese prose with punctuation and a few
// Latin words, in paragraphs, at a given size in UTF-8 bytes. A different charset draws its Han
// characters from another 6,000 of the block, none shared with charset 0's: glyphs new to a
// process that has drawn charset 0.
namespace workloads {

QString chineseProse(int utf8Bytes, int minParagraph, int maxParagraph, unsigned seed,
                     int charset = 0);
// The text with an emoji sequence after every every-th non-ASCII character (faces, hearts with
// VS16, families, flags, skin tones, keycaps, and text-presentation symbols among them), cut to
// utf8Bytes.
QString withEmoji(const QString& text, int utf8Bytes, int every);
// Short lines, as many as asked.
QString shortLines(int lines);

} // namespace workloads
