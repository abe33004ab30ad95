#pragma once

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <functional>

// The status bar and its panes: flat panes with their text 5 pixels from the left.
class TRzStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TRzStatusBar(QWidget* parent = nullptr);
};

class TRzStatusPane : public QLabel {
    Q_OBJECT
public:
    explicit TRzStatusPane(QWidget* parent = nullptr);
};

// Shows the local date and time, recomputed every 500 ms and repainted only when the text changes.
class TRzClockStatus : public TRzStatusPane {
    Q_OBJECT
public:
    explicit TRzClockStatus(QWidget* parent = nullptr);
    // Tests give the pane their own clock.
    void SetClock(std::function<QDateTime()> clock);
    static QString DateTimeText(const QDateTime& when);

private:
    void tick();
    std::function<QDateTime()> clock_;
    QTimer timer_;
};
