#pragma once

#include <QFont>
#include <QPlainTextDocumentLayout>
#include <QRawFont>
#include <QString>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <vector>

// Emoji as phones show them: each emoji sequence of the text is drawn from the colour emoji face
// as one glyph. Fallback alone would not do it: Qt takes the first face that has a code point,
// and the text faces have black outlines of many emoji.
namespace emoji {

// The colour emoji face, or an empty string when none is installed.
QString face();

struct Run {
    int start;
    int length;
};
// The emoji sequences of text, in order: characters whose default
// presentation is emoji, text characters with VS16, keycaps, flags, skin tones and ZWJ
// sequences. Text characters without VS16, and anything with VS15, are not emoji.
std::vector<Run> runs(const QString& text);

// The emoji face at the size emoji are drawn beside text in font: the text's own pixel size, or
// smaller where the emoji face would otherwise make a line taller. Null when no emoji face.
QFont fontBeside(const QFont& text);

} // namespace emoji

// Gives the emoji runs of every block the emoji face through the block's additional formats,
// which the text area and its picture both paint. The document's text is not touched.
class EmojiHighlighter : public QSyntaxHighlighter {
public:
    explicit EmojiHighlighter(QTextDocument* document);
    // Sizes the emoji runs for the document's font again; call after the font changed.
    void followFont();

protected:
    void highlightBlock(const QString& text) override;

private:
    void prepare();

    QTextCharFormat format_;
    QRawFont face_;
    bool ready_ = false; // format_ and face_ made for the document's font
};

// The text area's layout, with lines of emoji alone as tall as lines of text: the emoji face's
// ascent and descent are smaller than the text's, and Qt sizes a line by its glyphs' faces only
// (it ignores line heights in a plain text area). Such lines get the text's ascent and descent,
// as an empty line does, so the pitch stays even on screen and in the picture.
class EmojiLineLayout : public QPlainTextDocumentLayout {
public:
    explicit EmojiLineLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {}
    QRectF blockBoundingRect(const QTextBlock& block) const override;

private:
    mutable QFont font_;
    mutable qreal ascent_ = 0;
    mutable qreal descent_ = 0;
    mutable bool measured_ = false;
};
