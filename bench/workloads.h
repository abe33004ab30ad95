#pragma once

#include <QString>

// Deterministic texts for the benchmark (fixed seeds): Chinese prose with punctuation and a few
// Latin words, in paragraphs, at a given size in UTF-8 bytes.
namespace workloads {

QString chineseProse(int utf8Bytes, int minParagraph, int maxParagraph, unsigned seed);
// Short lines, as many as asked.
QString shortLines(int lines);

} // namespace workloads
