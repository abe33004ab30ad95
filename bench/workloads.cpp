#include "workloads.h"

#include <QStringList>
#include <cmath>
#include <random>

namespace workloads {

QString chineseProse(int utf8Bytes, int minParagraph, int maxParagraph, unsigned seed,
                     int charset) {
    std::mt19937 rng(seed);
    // A Zipf-like draw over 6,000 characters of the common CJK block: a few very frequent, a long
    // tail of rare ones, as in real prose.
    constexpr int Distinct = 6000;
    std::vector<double> weights(Distinct);
    for (int i = 0; i < Distinct; ++i)
        weights[size_t(i)] = 1.0 / std::pow(i + 1.0, 0.9);
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::uniform_int_distribution<int> paragraphLength(minParagraph, maxParagraph);
    std::uniform_int_distribution<int> percent(0, 99);
    const QString punctuation = QStringLiteral("，。、；：？！“”");
    const QStringList latin = {"Qt", "JPEG", "weibo", "OK", "2024", "iPhone", "Linux", "AI"};

    QString text;
    int bytes = 0;
    // Adds a piece unless it would pass the size; false when the text is full.
    auto add = [&](const QString& piece, int size) {
        if (bytes + size > utf8Bytes)
            return false;
        text += piece;
        bytes += size;
        return true;
    };
    while (true) {
        const int length = paragraphLength(rng);
        for (int i = 0; i < length; ++i) {
            const int p = percent(rng);
            bool added;
            if (p < 8) {
                added = add(punctuation.at(p % punctuation.size()), 3);
            } else if (p < 10) {
                const QString& word = latin.at(p % latin.size());
                added = add(QLatin1Char(' ') + word + QLatin1Char(' '), int(word.size()) + 2);
            } else {
                // 7919 is prime to 20902: ranks map one to one onto the block.
                const int rank = pick(rng) + charset * Distinct;
                added = add(QChar(char16_t(0x4E00 + (rank * 7919) % 20902)), 3);
            }
            if (!added)
                return text;
        }
        if (!add(QStringLiteral("\r\n"), 2))
            return text;
    }
}

QString withEmoji(const QString& text, int utf8Bytes, int every) {
    const QStringList emoji = {"😀",  "🎉",        "👍",       "❤️", "🔥", "👨‍👩‍👧",
                               "🇨🇳", "👍🏽", "1️⃣", "☺",      "✓"};
    QString result;
    int bytes = 0;
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString piece = text.at(i);
        // After Han characters and punctuation only, never inside a line break.
        if (text.at(i).unicode() >= 0x80 && ++count % every == 0)
            piece += emoji.at((count / every) % emoji.size());
        const int size = int(piece.toUtf8().size());
        if (bytes + size > utf8Bytes)
            break;
        result += piece;
        bytes += size;
    }
    return result;
}

QString shortLines(int lines) {
    QString text;
    text.reserve(lines * 12);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("Line %1\r\n").arg(i + 1);
    return text;
}

} // namespace workloads
