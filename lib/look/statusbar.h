#pragma once

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <functional>

class QLocale;

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
    // The pane's line: the button shadow made lighter by 30 on a 0..240 luminance scale.
    QColor LineColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shows the local date and time, recomputed every 500 ms and repainted only when the text changes.
class TRzClockStatus : public TRzStatusPane {
    Q_OBJECT
public:
    explicit TRzClockStatus(QWidget* parent = nullptr);
    // Tests give the pane their own clock.
    void SetClock(std::function<QDateTime()> clock);
    static QString DateTimeText(const QDateTime& when);
    // The locale's time format with seconds and without a time zone.
    static QString TimeFormat(const QLocale& locale);

protected:
    void changeEvent(QEvent* event) override;

private:
    static QString DateTimeText(const QDateTime& when, const QLocale& locale,
                                const QString& dateFormat, const QString& timeFormat);
    void readFormats();
    void tick();
    std::function<QDateTime()> clock_;
    QTimer timer_;
    QString dateFormat_;
    QString timeFormat_;
};
