#include "platform/statusbar.h"

#include <QLocale>

TRzStatusBar::TRzStatusBar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

TRzStatusPane::TRzStatusPane(QWidget* parent) : QLabel(parent) {
    setIndent(5);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

TRzClockStatus::TRzClockStatus(QWidget* parent)
    : TRzStatusPane(parent), clock_([] { return QDateTime::currentDateTime(); }) {
    timer_.setInterval(500);
    connect(&timer_, &QTimer::timeout, this, &TRzClockStatus::tick);
    timer_.start();
    tick();
}

void TRzClockStatus::SetClock(std::function<QDateTime()> clock) {
    clock_ = std::move(clock);
    tick();
}

QString TRzClockStatus::DateTimeText(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

void TRzClockStatus::tick() {
    const QString t = DateTimeText(clock_());
    if (t != text())
        setText(t);
}
