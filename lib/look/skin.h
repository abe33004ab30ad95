#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QRect>
#include <QRegion>
#include <QString>

class QFontMetrics;
class QPainter;

// The stored skin: its description (lib/look/skin/skin.ini, compiled into the program) and the
// images drawn from it. Images are painted as vectors at paint time, so they are sharp at any
// device pixel ratio and nothing is read from disk.
namespace skin {

// Values of the description, addressed as "Section/Key".
class Description {
public:
    // The description compiled into the program, read on first use.
    static const Description& stored();
    // Parses INI text: [Section] lines, Key=Value lines, ';' comments.
    static Description parse(const QString& text);

    QString text(const QString& key) const;
    int number(const QString& key) const;
    QColor color(const QString& key) const;
    // The face, pixel size and boldness of a section's Font, FontPixels and Bold keys.
    QFont font(const QString& section) const;

private:
    QHash<QString, QString> values_;
};

enum class State { Normal, Hover, Pressed };
enum class CaptionButton { Minimize, Close };

// Geometry of the frame for a window of the given size.
struct FrameGeometry {
    explicit FrameGeometry(QSize window);
    QSize window;
    int captionHeight;
    int border;
    int radius;
    QRect client() const;
    QRect captionBand() const { return {0, 0, window.width(), captionHeight}; }
    QRect icon() const;
    QRect button(CaptionButton which) const;
    QSize outerSize(QSize client) const;
};

// The window's outline with its corners cut round, as a mask.
QRegion roundedRegion(QSize size, int radius);

void paintFrame(QPainter& p, const FrameGeometry& g, bool active, const QString& title,
                const QIcon& icon);
void paintCaptionButton(QPainter& p, const QRect& r, CaptionButton which, State state);
void paintButton(QPainter& p, const QRect& r, State state, bool focused, bool enabled);
void paintLabelStrip(QPainter& p, const QRect& r);
void paintGroupBox(QPainter& p, const QRect& r);

// The text cut to width with "..." after the part that fits; unchanged when it fits.
QString elideWithDots(const QFontMetrics& fm, const QString& text, int width);

// The colour with its luminance raised by steps on a 0..240 scale (clamped at 240).
QColor lighter(const QColor& color, int steps);

// The program's icon: 16, 32, 48 and 64 pixel images.
QIcon programIcon();

} // namespace skin
