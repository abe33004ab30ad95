#pragma once

#include <QPlainTextEdit>
#include <QTextBlock>
#include <vector>

class EmojiHighlighter;

// The multi-line text area. Its text reads and writes CR LF separated, as a memo's does; lines
// are added the way a string list adds them; a double-click is reported, not used to select.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent = nullptr);

    static constexpr int FrameWidth = 2;      // the sunken frame, on every side
    static constexpr int ScrollBarWidth = 17; // the vertical scroll bar, always shown
    static constexpr int clientWidthFor(int outerWidth) {
        return outerWidth - 2 * FrameWidth - ScrollBarWidth;
    }
    static constexpr int outerWidthFor(int clientWidth) {
        return clientWidth + 2 * FrameWidth + ScrollBarWidth;
    }

    QString Text() const;
    void SetText(const QString& text);
    // Empties the text area as one edit, so Ctrl+Z brings the text back.
    void Clear();
    // Appends one line: after a final line break (or into an empty text) the line and a line
    // break; otherwise a line break and the line. One change of the text.
    void AddLine(const QString& line);

    QColor Color() const;
    void SetColor(const QColor& background);
    QColor FontColor() const;
    void SetFontColor(const QColor& color);

    int ClientWidth() const;
    int ClientHeight() const;

signals:
    void Change();
    void DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    EmojiHighlighter* emoji_; // owned by the document
};

// The text area's content laid out at its width, every line from the first, ready to be painted
// in bands. Picture row 0 is the top of the first line: the text area's top margin is scrolled
// away.
class MemoSnapshot {
public:
    explicit MemoSnapshot(TMemo& memo);

    int width() const { return width_; }
    // Sum of the heights of the shown lines, without the empty line after a final line break.
    int linesHeight() const { return linesHeight_; }
    int lineCount() const { return int(lines_.size()); }
    // Picture rows of line i (as shown, wrapped pieces counted): from top to before bottom.
    int lineTop(int i) const { return lines_[size_t(i)].top; }
    int lineBottom(int i) const { return lines_[size_t(i)].bottom; }
    // Fills band with rows y0 .. y0 + band.height() - 1 of the picture; rows past the lines
    // show the text area's background.
    void paint(QImage& band, int y0) const;
    // The same with only lines first .. end - 1 drawn, where the whole picture has them.
    void paintLines(QImage& band, int y0, int first, int end) const;

private:
    struct Line {
        int top;
        int bottom;
    };
    void draw(QImage& band, int y0, const QRect* clip) const;

    struct Span {
        QTextBlock block;
        qreal top;
        qreal height;
    };
    std::vector<Span> spans_;
    std::vector<Line> lines_;
    QColor background_;
    QColor text_;
    int width_ = 0;
    int linesHeight_ = 0;
};
