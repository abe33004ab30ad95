#include "lib/picture/memo.h"

#include "lib/picture/emoji.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextLayout>
#include <cmath>
#include <limits>

namespace {

// The scroll bar keeps the classic width whatever the widget style's own.
class ScrollBarStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_ScrollBarExtent)
            return TMemo::ScrollBarWidth;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QString toMemoText(const QString& raw) {
    QString text;
    text.reserve(raw.size() + raw.size() / 16);
    for (QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            text += QLatin1String("\r\n");
        else
            text += c;
    }
    return text;
}

} // namespace

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
    auto* text = new QTextDocument(this);
    text->setDocumentLayout(new EmojiLineLayout(text));
    setDocument(text);
    emoji_ = new EmojiHighlighter(text);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(FrameWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto* scrollStyle = new ScrollBarStyle;
    scrollStyle->setParent(this);
    verticalScrollBar()->setStyle(scrollStyle);
    setTabChangesFocus(true);
    // The selection is not shown while another control has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::Text));
    setPalette(p);
    connect(this, &QPlainTextEdit::textChanged, this, &TMemo::Change);
}

QString TMemo::Text() const {
    return toMemoText(document()->toRawText());
}

void TMemo::SetText(const QString& text) {
    setPlainText(text);
}

void TMemo::Clear() {
    // While undo is on, the document's text buffer only grows, and a long session of pasting
    // and clearing would hold every text ever pasted. Starting afresh with this text alone
    // keeps memory flat; removing it is the one edit Ctrl+Z takes back.
    const QString text = document()->toRawText();
    document()->setPlainText(text);
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void TMemo::AddLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // The text is empty or ends with a line break when the last block is empty or ends with a
    // line separator (which the text reads as a line break too).
    const QString last = cursor.block().text();
    if (last.isEmpty() || last.back() == QChar::LineSeparator)
        cursor.insertText(line + QChar::ParagraphSeparator);
    else
        cursor.insertText(QChar::ParagraphSeparator + line);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QColor TMemo::Color() const {
    return palette().color(QPalette::Active, QPalette::Base);
}

void TMemo::SetColor(const QColor& background) {
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, background);
    }
    p.setColor(QPalette::Inactive, QPalette::Highlight, background);
    setPalette(p);
}

QColor TMemo::FontColor() const {
    return palette().color(QPalette::Active, QPalette::Text);
}

void TMemo::SetFontColor(const QColor& color) {
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        p.setColor(group, QPalette::Text, color);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, color);
    setPalette(p);
}

int TMemo::ClientWidth() const {
    return viewport()->width();
}
int TMemo::ClientHeight() const {
    return viewport()->height();
}

void TMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit DblClick();
}

void TMemo::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        emoji_->followFont(); // the document has the new font by now
}

MemoSnapshot::MemoSnapshot(TMemo& memo)
    : background_(memo.Color()), text_(memo.FontColor()), width_(memo.ClientWidth()) {
    QTextDocument* doc = memo.document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const qreal margin = doc->documentMargin();
    spans_.reserve(size_t(doc->blockCount()));
    qreal top = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const bool last = !block.next().isValid();
        // The empty line after a final line break is not a line of the text.
        if (last && block.length() <= 1)
            break;
        // blockBoundingRect lays the block out first; the last one carries the bottom margin.
        qreal height = layout->blockBoundingRect(block).height();
        if (last)
            height -= margin;
        // Qt adds up a block's lines in 26.6 fixed point, which wraps round past 2^25 pixels;
        // such a block is far past the picture limit, and its own lines say how far.
        QTextLayout* lines = block.layout();
        qreal ownHeight = 0;
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            ownHeight += line.height();
            lines_.push_back(
                {int(std::floor(top + line.y())), int(std::ceil(top + line.y() + line.height()))});
        }
        if (ownHeight >= qreal(1 << 25))
            height = ownHeight;
        spans_.push_back({block, top, height});
        top += height;
    }
    // Huge fonts report lines tens of thousands of pixels tall: their sum can pass an int.
    constexpr int Most = std::numeric_limits<int>::max();
    linesHeight_ = top < qreal(Most) ? int(std::ceil(top)) : Most;
}

void MemoSnapshot::paint(QImage& band, int y0) const {
    draw(band, y0, nullptr);
}

void MemoSnapshot::paintLines(QImage& band, int y0, int first, int end) const {
    QRect rows; // empty: no line at all
    if (first < end)
        rows = QRect(0, lineTop(first) - y0, band.width(), lineBottom(end - 1) - lineTop(first));
    draw(band, y0, &rows);
}

void MemoSnapshot::draw(QImage& band, int y0, const QRect* clip) const {
    band.fill(background_);
    if (clip && clip->isEmpty())
        return;
    QPainter painter(&band);
    painter.setPen(text_);
    if (clip)
        painter.setClipRect(*clip);
    const qreal bandTop = y0;
    const qreal bandBottom = y0 + band.height();
    auto it = std::lower_bound(spans_.begin(), spans_.end(), bandTop,
                               [](const Span& s, qreal y) { return s.top + s.height <= y; });
    const QRectF shown(0, 0, band.width(), band.height());
    for (; it != spans_.end() && it->top < bandBottom; ++it)
        it->block.layout()->draw(&painter, QPointF(0, it->top - bandTop), {}, shown);
}
