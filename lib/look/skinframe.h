#pragma once

#include "lib/look/skin.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPoint>

class QMenu;
class QAction;

// Minimize and Close in the caption band.
class SkinCaptionButton : public QAbstractButton {
    Q_OBJECT
public:
    SkinCaptionButton(skin::CaptionButton which, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    skin::CaptionButton which_;
};

// Makes a form a frameless window and is its frame: it lies under the client widget, paints
// caption band, borders and client background, moves the window when the caption is dragged and
// owns the system menu and the caption buttons.
class SkinFrame : public QWidget {
    Q_OBJECT
public:
    SkinFrame(QWidget* form, QWidget* client);

    QMenu* SystemMenu() const { return menu_; }
    QAction* MinimizeAction() const { return minimizeAction_; }
    QAction* CloseAction() const { return closeAction_; }
    SkinCaptionButton* MinimizeButton() const { return minimize_; }
    SkinCaptionButton* CloseButton() const { return close_; }
    skin::FrameGeometry Geometry() const { return skin::FrameGeometry(size()); }

    void ShowSystemMenu(const QPoint& globalPos);
    void ShowSystemMenuBelowIcon();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void minimizeApplication();
    QRect globalIconRect() const;

    QWidget* form_;
    QMenu* menu_;
    QAction* minimizeAction_;
    QAction* closeAction_;
    SkinCaptionButton* minimize_;
    SkinCaptionButton* close_;
    QIcon icon_;
    bool shown_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
    QElapsedTimer menuOpenedByIcon_;
};
