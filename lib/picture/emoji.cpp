#include "lib/picture/emoji.h"

#include "lib/picture/codepoints.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>
#include <QStringView>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <unicode/uchar.h>

namespace {

constexpr char32_t Zwj = 0x200D;
constexpr char32_t Keycap = 0x20E3;
constexpr char32_t Vs15 = 0xFE0E;
constexpr char32_t Vs16 = 0xFE0F;

bool has(char32_t c, UProperty property) {
    return u_hasBinaryProperty(UChar32(c), property);
}

// Whether c can make an emoji of its cluster; a text without any such code point has no emoji,
// which keeps the common case (Chinese prose) to one property look-up per character.
bool couldMakeEmoji(char32_t c) {
    if (c == Vs16 || c == Keycap || c == Zwj)
        return true;
    return has(c, UCHAR_EMOJI) &&
           (has(c, UCHAR_EMOJI_PRESENTATION) || has(c, UCHAR_EMOJI_MODIFIER) ||
            has(c, UCHAR_REGIONAL_INDICATOR));
}

// One grapheme cluster: is it shown as an emoji?
bool isEmoji(QStringView cluster) {
    char32_t base = 0;
    int index = 0;
    bool vs15First = false, vs16 = false, keycap = false, modifier = false, zwjPicture = false;
    bool afterZwj = false;
    forEachCodePoint(cluster, [&](char32_t c) {
        if (index++ == 0) {
            base = c;
            return;
        }
        if (c == Vs15 && index == 2)
            vs15First = true;
        vs16 |= c == Vs16;
        keycap |= c == Keycap;
        modifier |= has(c, UCHAR_EMOJI_MODIFIER);
        zwjPicture |= afterZwj && has(c, UCHAR_EXTENDED_PICTOGRAPHIC);
        afterZwj = c == Zwj;
    });
    if (vs15First)
        return false; // asked for text presentation
    if (has(base, UCHAR_REGIONAL_INDICATOR) || has(base, UCHAR_EMOJI_PRESENTATION))
        return true;
    if (!has(base, UCHAR_EMOJI))
        return false;
    return vs16 || (keycap && has(base, UCHAR_EMOJI_COMPONENT)) ||
           (modifier && has(base, UCHAR_EMOJI_MODIFIER_BASE)) ||
           (zwjPicture && has(base, UCHAR_EXTENDED_PICTOGRAPHIC));
}

} // namespace

namespace emoji {

QString face() {
    static const QString found = [] {
        for (const char* name : {"Noto Color Emoji", "Apple Color Emoji", "Segoe UI Emoji",
                                 "Twemoji", "JoyPixels", "EmojiOne Color"}) {
            const QString family = QString::fromLatin1(name);
            if (QFontDatabase::hasFamily(family))
                return family;
        }
        return QString();
    }();
    return found;
}

std::vector<Run> runs(const QString& text) {
    std::vector<Run> found;
    bool any = false;
    forEachCodePoint(text, [&](char32_t c) { any = any || couldMakeEmoji(c); });
    if (!any)
        return found;
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    int start = 0;
    for (int end = int(clusters.toNextBoundary()); end > 0;
         start = end, end = int(clusters.toNextBoundary())) {
        if (isEmoji(QStringView(text).mid(start, end - start)))
            found.push_back({start, end - start});
    }
    return found;
}

QFont fontBeside(const QFont& text) {
    if (face().isEmpty())
        return QFont();
    QFont emoji = text;
    emoji.setFamilies({face()});
    const QFontMetricsF textMetrics(text);
    auto taller = [&](const QFont& f) {
        const QFontMetricsF m(f);
        return m.ascent() > textMetrics.ascent() || m.descent() > textMetrics.descent();
    };
    if (!taller(emoji))
        return emoji;
    // A line is as tall as its tallest ascent plus its tallest descent: the emoji must fit in
    // both the text's ascent and its descent. Sizes are whole pixels and the face's metrics
    // round, so start from the proportional size and step down while it is still too tall.
    const QFontMetricsF full(emoji);
    const qreal scale = std::min(textMetrics.ascent() / std::max(full.ascent(), qreal(1)),
                                 textMetrics.descent() / std::max(full.descent(), qreal(1)));
    int pixels = std::max(1, int(QFontInfo(text).pixelSize() * scale));
    emoji.setPixelSize(pixels);
    for (int step = 0; step < 8 && pixels > 1 && taller(emoji); ++step)
        emoji.setPixelSize(--pixels);
    return emoji;
}

} // namespace emoji

EmojiHighlighter::EmojiHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void EmojiHighlighter::followFont() {
    if (!ready_)
        return; // no emoji yet: the first one finds the format for the font of then
    const QTextCharFormat before = format_;
    prepare();
    if (format_ != before)
        rehighlight();
}

void EmojiHighlighter::prepare() {
    const QFont text = document() ? document()->defaultFont() : QFont();
    const QFont emoji = emoji::fontBeside(text);
    QTextCharFormat format;
    if (!emoji::face().isEmpty()) {
        // Only what differs from the text: the face, and the size when it had to shrink. No
        // fallback: the emoji face lacks VS16, and a fallback face for it would split the
        // sequence, so that a keycap came out as a digit beside an empty key.
        QFont run;
        run.setFamilies(emoji.families());
        run.setStyleStrategy(QFont::NoFontMerging);
        if (QFontInfo(emoji).pixelSize() != QFontInfo(text).pixelSize())
            run.setPixelSize(emoji.pixelSize());
        format.setFont(run, QTextCharFormat::FontPropertiesSpecifiedOnly);
        run = emoji;
        run.setStyleStrategy(QFont::NoFontMerging);
        face_ = QRawFont::fromFont(run);
    }
    format_ = format;
    ready_ = true;
}

void EmojiHighlighter::highlightBlock(const QString& text) {
    const auto noFace = [this] { return !format_.isValid() || format_.properties().isEmpty(); };
    if (ready_ && noFace())
        return;
    const std::vector<emoji::Run> runs = emoji::runs(text);
    if (runs.empty())
        return;
    // Made on first need, not at start-up: most texts have no emoji, and loading the emoji face
    // is a tenth of the program's start-up.
    if (!ready_)
        prepare();
    if (noFace())
        return;
    for (const emoji::Run& run : runs) {
        // A sequence newer than the face keeps the text's faces.
        const QChar first = text.at(run.start);
        const char32_t base = first.isHighSurrogate() && run.length > 1
                                  ? QChar::surrogateToUcs4(first, text.at(run.start + 1))
                                  : first.unicode();
        if (face_.supportsCharacter(uint(base)))
            setFormat(run.start, run.length, format_);
    }
}

QRectF EmojiLineLayout::blockBoundingRect(const QTextBlock& block) const {
    QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block); // lays the block out
    QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
    // Only blocks with emoji carry additional formats.
    if (!layout || !block.isVisible() || layout->formats().isEmpty())
        return rect;
    // What an empty line gets: the metrics of the document's font (kept, since this runs for
    // every paint and every keystroke).
    const QFont font = document()->defaultFont();
    if (font != font_ || !measured_) {
        const QFontMetricsF metrics(font);
        font_ = font;
        ascent_ = metrics.ascent();
        descent_ = metrics.descent();
        measured_ = true;
    }
    qreal y = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine line = layout->lineAt(i);
        const qreal ascent = std::max(line.ascent(), ascent_);
        const qreal descent = std::max(line.descent(), descent_);
        // The baseline where a line of text would have it.
        const qreal top = y + ascent - line.ascent();
        if (line.y() != top)
            line.setPosition(QPointF(line.x(), top));
        y += std::max(line.height(), std::ceil(ascent + descent));
    }
    rect.setHeight(block.next().isValid() ? y : y + document()->documentMargin());
    return rect;
}
