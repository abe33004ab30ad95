#include "lib/look/statusbar.h"

#include "lib/look/skin.h"

#include <QEvent>
#include <QLocale>
#include <QPainter>

TRzStatusBar::TRzStatusBar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setFixedHeight(skin::Description::stored().number(QStringLiteral("StatusBar/Height")));
}

TRzStatusPane::TRzStatusPane(QWidget* parent) : QLabel(parent) {
    setIndent(5);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QColor TRzStatusPane::LineColor() const {
    return skin::lighter(palette().color(QPalette::Dark),
                         skin::Description::stored().number(QStringLiteral("StatusBar/Lighten")));
}

void TRzStatusPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), palette().color(QPalette::Button));
    // The rectangle inset by one pixel, its corner pixels left out.
    const QColor line = LineColor();
    p.fillRect(2, 1, w - 4, 1, line);
    p.fillRect(2, h - 2, w - 4, 1, line);
    p.fillRect(1, 2, 1, h - 4, line);
    p.fillRect(w - 2, 2, 1, h - 4, line);

    const QFontMetrics fm(font());
    const int textHeight = fm.size(Qt::TextSingleLine, QStringLiteral("Pp")).height();
    const int left = skin::Description::stored().number(QStringLiteral("StatusBar/TextLeft"));
    p.setPen(palette().color(QPalette::WindowText));
    p.setClipRect(rect());
    p.drawText(QPoint(left, (h - textHeight) / 2 + fm.ascent()), text());
}

TRzClockStatus::TRzClockStatus(QWidget* parent)
    : TRzStatusPane(parent), clock_([] { return QDateTime::currentDateTime(); }) {
    readFormats();
    timer_.setInterval(500);
    connect(&timer_, &QTimer::timeout, this, &TRzClockStatus::tick);
    timer_.start();
    tick();
}

void TRzClockStatus::SetClock(std::function<QDateTime()> clock) {
    clock_ = std::move(clock);
    tick();
}

QString TRzClockStatus::TimeFormat(const QLocale& locale) {
    // Long formats carry the time zone ("t"); short ones may lack seconds.
    const QString source = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    bool seconds = false;
    qsizetype minutesEnd = -1;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        if (!quoted && c == QLatin1Char('s'))
            seconds = true;
        format += c;
        if (!quoted && c == QLatin1Char('m'))
            minutesEnd = format.size();
    }
    if (!seconds && minutesEnd > 0) {
        qsizetype start = minutesEnd;
        while (start > 0 && format[start - 1] == QLatin1Char('m'))
            --start;
        const QChar before = start > 0 ? format[start - 1] : QLatin1Char(':');
        const QChar separator = before.isLetter() || before.isSpace() ? QLatin1Char(':') : before;
        format.insert(minutesEnd, separator + QStringLiteral("ss"));
    }
    format = format.trimmed();
    while (format.contains(QStringLiteral("  ")))
        format.replace(QStringLiteral("  "), QStringLiteral(" "));
    return format;
}

QString TRzClockStatus::DateTimeText(const QDateTime& when, const QLocale& locale,
                                     const QString& dateFormat, const QString& timeFormat) {
    QString text = locale.toString(when.date(), dateFormat);
    // Midnight is a whole second long: the clock is read at any millisecond.
    const QTime t = when.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0)
        text += QLatin1Char(' ') + locale.toString(t, timeFormat);
    return text;
}

QString TRzClockStatus::DateTimeText(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    return DateTimeText(when, locale, locale.dateFormat(QLocale::ShortFormat), TimeFormat(locale));
}

void TRzClockStatus::readFormats() {
    const QLocale locale = QLocale::system();
    dateFormat_ = locale.dateFormat(QLocale::ShortFormat);
    timeFormat_ = TimeFormat(locale);
}

void TRzClockStatus::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LocaleChange) {
        readFormats();
        tick();
    }
    TRzStatusPane::changeEvent(event);
}

void TRzClockStatus::tick() {
    const QString t = DateTimeText(clock_(), QLocale::system(), dateFormat_, timeFormat_);
    if (t != text())
        setText(t);
}
