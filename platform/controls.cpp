#include "platform/controls.h"

TbsSkinButton::TbsSkinButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setAutoDefault(false);
}

TbsSkinLabel::TbsSkinLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

TbsSkinStdLabel::TbsSkinStdLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

TbsSkinGroupBox::TbsSkinGroupBox(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent) {
    setAlignment(Qt::AlignHCenter);
}
