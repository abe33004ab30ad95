#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

class TMemo;

// Gets a text area's changed text ready for its picture while the window is idle: lays out the
// changed blocks and draws their lines once off screen, so that their glyphs are loaded and
// rasterised into the font caches before a conversion needs them. The first conversion of a
// pasted text then costs what a repeated one does. Works in slices of a few milliseconds, between
// the window's own events, so typing and painting go on meanwhile; what it has not reached when
// a conversion starts, the conversion does itself as before. It draws nothing anyone sees.
class MemoWarmUp : public QObject {
    Q_OBJECT
public:
    explicit MemoWarmUp(TMemo* memo);

    // Nothing is left to prepare.
    bool done() const { return from_.isNull(); }

    static constexpr int SliceMs = 3;           // work done at a time, at most about
    static constexpr int DelayMs = 25;          // from a change to the first slice
    static constexpr int MaxBlockLength = 4000; // characters of a block laid out here
    static constexpr int MaxLineHeight = 128;   // pixels of a line drawn here

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed(int position, int added);
    void everything();
    void slice();
    bool drawLines(const QTextBlock& block, const QElapsedTimer& clock);

    TMemo* memo_;
    QTimer timer_;
    QTextCursor from_; // start of the range still to prepare; null when there is none
    QTextCursor to_;   // its end
    int line_ = 0;     // the next line to draw in from_'s block
    int width_ = -1;   // the text area's width the layouts were made for
    QImage scratch_;
};
