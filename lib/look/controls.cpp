#include "lib/look/controls.h"

#include "lib/look/skin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

// The application's default font with every attribute marked as set, so the form's font does
// not leak into it.
QFont defaultFont() {
    QFont f = QApplication::font();
    f.setFamilies(f.families().isEmpty() ? QStringList{f.family()} : f.families());
    f.setFamily(f.family());
    if (f.pixelSize() > 0)
        f.setPixelSize(f.pixelSize());
    else
        f.setPointSizeF(f.pointSizeF());
    f.setWeight(f.weight());
    f.setStyle(f.style());
    return f;
}

QColor skinColor(const char* key) {
    return skin::Description::stored().color(QString::fromLatin1(key));
}

} // namespace

TbsSkinButton::TbsSkinButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setAttribute(Qt::WA_Hover);
    setFixedHeight(skin::Description::stored().number(QStringLiteral("Button/Height")));
}

QSize TbsSkinButton::sizeHint() const {
    const QFontMetrics fm(skin::Description::stored().font(QStringLiteral("Button")));
    return {fm.horizontalAdvance(text()) + 16, height()};
}

void TbsSkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const skin::State state = isDown()       ? skin::State::Pressed
                              : underMouse() ? skin::State::Hover
                                             : skin::State::Normal;
    skin::paintButton(p, rect(), state, hasFocus(), isEnabled());
    p.setFont(skin::Description::stored().font(QStringLiteral("Button")));
    p.setPen(isEnabled() ? skinColor("Button/Text") : skinColor("Button/DisabledText"));
    const QRect textRect = state == skin::State::Pressed ? rect().translated(1, 1) : rect();
    // Leading blanks are part of the caption and are drawn as such.
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, text());
}

void TbsSkinButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses a focused button too, as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

TbsSkinLabel::TbsSkinLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setFixedHeight(skin::Description::stored().number(QStringLiteral("Label/Height")));
}

void TbsSkinLabel::paintEvent(QPaintEvent*) {
    const skin::Description& d = skin::Description::stored();
    QPainter p(this);
    skin::paintLabelStrip(p, rect());
    p.setFont(d.font(QStringLiteral("Label")));
    p.setPen(d.color(QStringLiteral("Label/Text")));
    const int left = d.number(QStringLiteral("Label/TextLeft"));
    p.drawText(rect().adjusted(left, 0, 0, 0),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

TbsSkinStdLabel::TbsSkinStdLabel(const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFont(defaultFont());
    QPalette p;
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    setAutoFillBackground(false);
}

TbsSkinGroupBox::TbsSkinGroupBox(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent) {
    setAlignment(Qt::AlignHCenter);
}

void TbsSkinGroupBox::paintEvent(QPaintEvent*) {
    const skin::Description& d = skin::Description::stored();
    QPainter p(this);
    skin::paintGroupBox(p, rect());
    p.setFont(d.font(QStringLiteral("GroupBox")));
    p.setPen(d.color(QStringLiteral("GroupBox/Caption")));
    const QRect band(0, 0, width(), d.number(QStringLiteral("GroupBox/CaptionBand")));
    p.drawText(band, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, title());
}
