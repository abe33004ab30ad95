#include "lib/picture/warmup.h"

#include "lib/picture/memo.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

MemoWarmUp::MemoWarmUp(TMemo* memo) : QObject(memo), memo_(memo) {
    connect(&timer_, &QTimer::timeout, this, &MemoWarmUp::slice);
    connect(memo->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { changed(position, added); });
    memo->installEventFilter(this);
}

bool MemoWarmUp::eventFilter(QObject* watched, QEvent* event) {
    // A new font or width lays every line out afresh, and a new font needs its own glyphs.
    if (watched == memo_ && (event->type() == QEvent::FontChange ||
                             (event->type() == QEvent::Resize && memo_->ClientWidth() != width_)))
        everything();
    return QObject::eventFilter(watched, event);
}

void MemoWarmUp::changed(int position, int added) {
    QTextDocument* doc = memo_->document();
    const int end = qMin(position + added, doc->characterCount() - 1);
    if (from_.isNull()) {
        from_ = QTextCursor(doc);
        from_.setKeepPositionOnInsert(true); // text typed at the start is still to do
        to_ = QTextCursor(doc);
        from_.setPosition(position);
        to_.setPosition(end);
    } else {
        // The cursors have followed the edit already; the range grows to take it in.
        from_.setPosition(qMin(from_.position(), position));
        to_.setPosition(qMax(to_.position(), end));
    }
    line_ = 0;
    // The text area repaints a change first, on its own; the slices follow, and go on whenever
    // the event loop has nothing else to do.
    timer_.start(DelayMs);
}

void MemoWarmUp::everything() {
    width_ = memo_->ClientWidth();
    changed(0, memo_->document()->characterCount());
}

void MemoWarmUp::slice() {
    QElapsedTimer clock;
    clock.start();
    if (from_.isNull()) {
        timer_.stop();
        return;
    }
    if (timer_.interval() != 0)
        timer_.start(0);
    width_ = memo_->ClientWidth();
    QAbstractTextDocumentLayout* layout = memo_->document()->documentLayout();
    QTextBlock block = memo_->document()->findBlock(from_.position());
    while (block.isValid() && block.position() <= to_.position()) {
        bool draw = true;
        if (line_ == 0) {
            QTextLayout* lines = block.layout();
            const bool laidOut = lines->lineCount() > 0;
            if (block.length() <= MaxBlockLength) {
                if (!lines->cacheEnabled()) {
                    // The layout then keeps its shaped glyphs, and drawing a line does not
                    // shape it again; a block laid out without them is laid out once more.
                    lines->setCacheEnabled(true);
                    if (laidOut)
                        block.clearLayout();
                }
                layout->blockBoundingRect(block); // lays the block out, as the picture will
            } else {
                // Laid out in one piece, so long a block would hold the window up; its lines
                // are drawn when the text area has laid it out to show it.
                draw = laidOut;
            }
        }
        if (draw && !drawLines(block, clock))
            return; // out of time: this block's remaining lines come next
        line_ = 0;
        block = block.next();
        if (!block.isValid())
            break;
        from_.setPosition(block.position());
        if (clock.elapsed() >= SliceMs)
            return;
    }
    from_ = QTextCursor();
    to_ = QTextCursor();
    timer_.stop();
}

bool MemoWarmUp::drawLines(const QTextBlock& block, const QElapsedTimer& clock) {
    QTextLayout* lines = block.layout();
    for (; line_ < lines->lineCount(); ++line_) {
        if (clock.elapsed() >= SliceMs)
            return false;
        const QTextLine line = lines->lineAt(line_);
        if (line.height() > MaxLineHeight)
            continue; // glyphs this large are drawn from their outlines, not from the caches
        // Drawn as the picture draws it, at the same horizontal place and in the same kind of
        // raster, so the glyphs land in the caches the picture's painting reads.
        const int height = int(std::ceil(line.height())) + 1;
        if (scratch_.width() != width_ || scratch_.height() < height)
            scratch_ =
                QImage(qMax(width_, 1), qMax(height, scratch_.height()), QImage::Format_RGB32);
        QPainter painter(&scratch_);
        painter.setPen(memo_->FontColor());
        // The line's top at row 0; the clip, a little inside it, leaves out its neighbours.
        const qreal y = lines->position().y() + line.y();
        const qreal top = std::floor(y);
        lines->draw(&painter, QPointF(0, -top), {},
                    QRectF(0, y - top + 0.25, scratch_.width(), line.height() - 0.5));
    }
    return true;
}
