#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <array>

class QWidget;

// A modal box captioned with the application title, no icon, one OK button (Enter and Esc close
// it), centred on the screen; returns when it is closed.
void ShowMessage(const QString& text);

// The font chooser: face, size, style, underline, strike-out and colour. It keeps its last
// choice between uses and starts, the first time, with its own font.
class TFontDialog : public QObject {
    Q_OBJECT
public:
    explicit TFontDialog(QObject* parent = nullptr);
    // Shows the chooser modally; true when the user confirmed.
    bool Execute(QWidget* owner);
    QFont Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    QColor Color() const { return color_; }
    void SetColor(const QColor& color) { color_ = color; }

private:
    QFont font_;
    QColor color_;
};

// The colour chooser; its custom colours live in memory only, from one confirmed use to the next.
class TColorDialog : public QObject {
    Q_OBJECT
public:
    static constexpr int CustomColorCount = 16;
    explicit TColorDialog(QObject* parent = nullptr);
    bool Execute(QWidget* owner);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color) { color_ = color; }
    QColor CustomColor(int i) const { return custom_[size_t(i)]; }

private:
    QColor color_ = Qt::black;
    std::array<QColor, CustomColorCount> custom_;
};

// Places a chooser centred across the owner's monitor, one third of the way down.
void placeChooser(QWidget* dialog, QWidget* owner);
