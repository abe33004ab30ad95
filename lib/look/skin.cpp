#include "lib/look/skin.h"

#include <QFile>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace skin {

const Description& Description::stored() {
    static const Description description = [] {
        QFile file(QStringLiteral(":/skin/skin.ini"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            qFatal("The stored skin is missing from the program's resources");
        return parse(QString::fromUtf8(file.readAll()));
    }();
    return description;
}

Description Description::parse(const QString& text) {
    Description d;
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        d.values_.insert(section + QLatin1Char('/') + line.left(eq).trimmed(),
                         line.mid(eq + 1).trimmed());
    }
    return d;
}

QString Description::text(const QString& key) const {
    const auto it = values_.constFind(key);
    if (it == values_.constEnd()) {
        qWarning("Skin value %s is missing", qPrintable(key));
        return {};
    }
    return *it;
}

int Description::number(const QString& key) const {
    return text(key).toInt();
}

QColor Description::color(const QString& key) const {
    const QStringList parts = text(key).split(QLatin1Char(','));
    if (parts.size() != 3)
        return Qt::magenta; // a broken description shows, rather than passing unnoticed
    return QColor(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(),
                  parts[2].trimmed().toInt());
}

QFont Description::font(const QString& section) const {
    QFont f(text(section + QStringLiteral("/Font")));
    f.setPixelSize(number(section + QStringLiteral("/FontPixels")));
    f.setBold(values_.value(section + QStringLiteral("/Bold")) == QLatin1String("1"));
    return f;
}

namespace {

const Description& d() {
    return Description::stored();
}
QColor color(const char* key) {
    return d().color(QString::fromLatin1(key));
}
int number(const char* key) {
    return d().number(QString::fromLatin1(key));
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// A rounded face with a one-pixel border along its edge pixels.
void paintFace(QPainter& p, const QRect& r, int radius, const QColor& top, const QColor& bottom,
               const QColor& border) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF edge = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(border, 1));
    p.setBrush(vertical(edge, top, bottom));
    p.drawRoundedRect(edge, radius, radius);
    p.restore();
}

QString stateName(State state) {
    switch (state) {
    case State::Hover:
        return QStringLiteral("Hover");
    case State::Pressed:
        return QStringLiteral("Pressed");
    case State::Normal:
        break;
    }
    return QStringLiteral("Normal");
}

} // namespace

FrameGeometry::FrameGeometry(QSize w)
    : window(w), captionHeight(number("Form/CaptionHeight")), border(number("Form/BorderWidth")),
      radius(number("Form/CornerRadius")) {}

QRect FrameGeometry::client() const {
    return {border, captionHeight, window.width() - 2 * border,
            window.height() - captionHeight - border};
}

QRect FrameGeometry::icon() const {
    constexpr int size = 16;
    return {number("Form/IconLeft"), (captionHeight - size) / 2, size, size};
}

QRect FrameGeometry::button(CaptionButton which) const {
    const int size = number("CaptionButtons/Size");
    const int right = which == CaptionButton::Minimize ? number("CaptionButtons/MinimizeRight")
                                                       : number("CaptionButtons/CloseRight");
    return {window.width() - right - size, number("CaptionButtons/Top"), size, size};
}

QSize FrameGeometry::outerSize(QSize client) const {
    return client + QSize(2 * border, captionHeight + border);
}

QRegion roundedRegion(QSize size, int radius) {
    // Row by row, so the mask is exactly the pixels the antialiased outline touches.
    QRegion region(0, radius, size.width(), size.height() - 2 * radius);
    for (int y = 0; y < radius; ++y) {
        const qreal dy = radius - y - 0.5;
        const int inset = int(std::floor(radius - std::sqrt(qreal(radius * radius) - dy * dy)));
        region += QRect(inset, y, size.width() - 2 * inset, 1);
        region += QRect(inset, size.height() - 1 - y, size.width() - 2 * inset, 1);
    }
    return region;
}

void paintFrame(QPainter& p, const FrameGeometry& g, bool active, const QString& title,
                const QIcon& icon) {
    const QRect all(QPoint(0, 0), g.window);
    p.fillRect(all, color("Form/Border"));
    p.fillRect(g.captionBand(),
               vertical(g.captionBand(), color("Form/CaptionTop"), color("Form/CaptionBottom")));
    const QRect client = g.client();
    p.fillRect(client, color("Form/ClientColor"));

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    QColor gloss = color("Form/InnerLine");
    gloss.setAlpha(150);
    p.setPen(QPen(gloss, 1));
    p.drawRoundedRect(QRectF(all).adjusted(1.5, 1.5, -1.5, -1.5), g.radius - 1, g.radius - 1);
    p.setPen(QPen(color("Form/Outline"), 1));
    p.drawRoundedRect(QRectF(all).adjusted(0.5, 0.5, -0.5, -0.5), g.radius, g.radius);
    p.restore();
    // The client area sits in a thin groove of the outline's colour.
    p.setPen(color("Form/Outline"));
    p.drawRect(client.adjusted(-1, -1, 0, 0));

    const QRect iconRect = g.icon();
    icon.paint(&p, iconRect);

    const int gap = number("Caption/TextGap");
    const int left = iconRect.right() + 1 + gap;
    const int right = g.button(CaptionButton::Minimize).left() - gap;
    const QFont font = d().font(QStringLiteral("Caption"));
    p.setFont(font);
    const QRect textRect(left, 0, right - left, g.captionHeight);
    const QString shown = elideWithDots(QFontMetrics(font), title, textRect.width());
    constexpr int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    p.setPen(color("Caption/Shadow"));
    p.drawText(textRect.translated(1, 1), flags, shown);
    p.setPen(active ? color("Caption/Active") : color("Caption/Inactive"));
    p.drawText(textRect, flags, shown);
}

void paintCaptionButton(QPainter& p, const QRect& r, CaptionButton which, State state) {
    QString prefix = QStringLiteral("CaptionButtons/");
    if (which == CaptionButton::Close && state != State::Normal)
        prefix += QStringLiteral("Close");
    prefix += stateName(state);
    const Description& desc = d();
    paintFace(p, r, number("CaptionButtons/Radius"), desc.color(prefix + QStringLiteral("Top")),
              desc.color(prefix + QStringLiteral("Bottom")),
              desc.color(prefix + QStringLiteral("Border")));

    const QColor glyph = desc.color(prefix + QStringLiteral("Glyph"));
    const QPointF c = QRectF(r).center();
    const qreal shift = state == State::Pressed ? 1 : 0;
    p.save();
    if (which == CaptionButton::Minimize) {
        p.fillRect(QRectF(c.x() - 4.5 + shift, c.y() + 2.5 + shift, 9, 2), glyph);
    } else {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(glyph, 2, Qt::SolidLine, Qt::SquareCap));
        const QPointF o(shift, shift);
        p.drawLine(c + o + QPointF(-3.5, -3.5), c + o + QPointF(3.5, 3.5));
        p.drawLine(c + o + QPointF(3.5, -3.5), c + o + QPointF(-3.5, 3.5));
    }
    p.restore();
}

void paintButton(QPainter& p, const QRect& r, State state, bool focused, bool enabled) {
    const QString prefix = QStringLiteral("Button/") + stateName(enabled ? state : State::Normal);
    const Description& desc = d();
    paintFace(p, r, number("Button/Radius"), desc.color(prefix + QStringLiteral("Top")),
              desc.color(prefix + QStringLiteral("Bottom")),
              desc.color(prefix + QStringLiteral("Border")));
    if (focused) {
        p.save();
        p.setPen(QPen(color("Button/Focus"), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(2, 2, -3, -3));
        p.restore();
    }
}

void paintLabelStrip(QPainter& p, const QRect& r) {
    p.fillRect(r, vertical(r, color("Label/Top"), color("Label/Bottom")));
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color("Label/Line"));
}

void paintGroupBox(QPainter& p, const QRect& r) {
    const int radius = number("GroupBox/Radius");
    const int band = number("GroupBox/CaptionBand");
    const QRectF edge = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(edge, radius, radius);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(outline, color("GroupBox/Fill"));
    p.setClipPath(outline);
    const QRect bandRect(r.left(), r.top(), r.width(), band);
    p.fillRect(bandRect,
               vertical(bandRect, color("GroupBox/BandTop"), color("GroupBox/BandBottom")));
    p.setClipping(false);
    p.fillRect(QRect(r.left(), r.top() + band, r.width(), 1), color("GroupBox/Border"));
    p.setPen(QPen(color("GroupBox/Border"), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
    p.restore();
}

QString elideWithDots(const QFontMetrics& fm, const QString& text, int width) {
    if (fm.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    for (qsizetype n = text.size() - 1; n > 0; --n) {
        if (text[n - 1].isHighSurrogate())
            continue;
        const QString candidate = text.left(n) + dots;
        if (fm.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return fm.horizontalAdvance(dots) <= width ? dots : QString();
}

QColor lighter(const QColor& c, int steps) {
    constexpr int Scale = 240;
    const QColor hsl = c.toHsl();
    const int luminance = qBound(0, qRound(hsl.lightnessF() * Scale) + steps, Scale);
    const float hue = hsl.hslHueF() < 0 ? 0.f : hsl.hslHueF();
    return QColor::fromHslF(hue, hsl.hslSaturationF(), float(luminance) / Scale).toRgb();
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/skin/icons/zorna-text-to-image-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace skin
