#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

// The skinned controls. Each keeps the Qt class that gives it its behaviour (keyboard, focus,
// accessibility) and draws itself in the skin's look.
class TbsSkinButton : public QPushButton {
    Q_OBJECT
public:
    explicit TbsSkinButton(const QString& caption, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TbsSkinLabel : public QLabel {
    Q_OBJECT
public:
    explicit TbsSkinLabel(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TbsSkinStdLabel : public QLabel {
    Q_OBJECT
public:
    explicit TbsSkinStdLabel(const QString& caption, QWidget* parent = nullptr);
};

class TbsSkinGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TbsSkinGroupBox(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
