#include "lib/look/skinframe.h"

#include "lib/application/application.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QWindow>

SkinCaptionButton::SkinCaptionButton(skin::CaptionButton which, QWidget* parent)
    : QAbstractButton(parent), which_(which) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover); // repaints on enter and leave
    const bool minimize = which == skin::CaptionButton::Minimize;
    setObjectName(minimize ? QStringLiteral("SkinMinimize") : QStringLiteral("SkinClose"));
    setAccessibleName(minimize ? QStringLiteral("Minimize") : QStringLiteral("Close"));
}

void SkinCaptionButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const skin::State state = isDown()       ? skin::State::Pressed
                              : underMouse() ? skin::State::Hover
                                             : skin::State::Normal;
    skin::paintCaptionButton(p, rect(), which_, state);
}

SkinFrame::SkinFrame(QWidget* form, QWidget* client)
    : QWidget(form), form_(form), icon_(skin::programIcon()) {
    setObjectName(QStringLiteral("SkinFrame"));
    const skin::FrameGeometry g(skin::FrameGeometry(QSize()).outerSize(client->size()));

    form->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    form->setFixedSize(g.window);
    form->setMask(skin::roundedRegion(g.window, g.radius));
    form->setWindowIcon(icon_);
    client->move(g.client().topLeft());

    setGeometry(QRect(QPoint(0, 0), g.window));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    lower();

    minimize_ = new SkinCaptionButton(skin::CaptionButton::Minimize, this);
    minimize_->setGeometry(g.button(skin::CaptionButton::Minimize));
    close_ = new SkinCaptionButton(skin::CaptionButton::Close, this);
    close_->setGeometry(g.button(skin::CaptionButton::Close));
    connect(minimize_, &QAbstractButton::clicked, this, &SkinFrame::minimizeApplication);
    connect(close_, &QAbstractButton::clicked, form, &QWidget::close);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("SystemMenu"));
    minimizeAction_ = menu_->addAction(QStringLiteral("Mi&nimize"));
    menu_->addSeparator();
    closeAction_ = menu_->addAction(QStringLiteral("&Close"));
    // Shown in the menu; the form's own shortcut below does the work.
    closeAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    closeAction_->setShortcutContext(Qt::WidgetShortcut);
    connect(minimizeAction_, &QAction::triggered, this, &SkinFrame::minimizeApplication);
    connect(closeAction_, &QAction::triggered, form, &QWidget::close);
    menu_->installEventFilter(this);

    // Without a window manager nobody turns Alt+F4 into a close request.
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), form);
    connect(closeKey, &QShortcut::activated, form, &QWidget::close);
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), form);
    connect(menuKey, &QShortcut::activated, this, &SkinFrame::ShowSystemMenuBelowIcon);

    connect(form, &QWidget::windowTitleChanged, this, [this] { update(Geometry().captionBand()); });
}

void SkinFrame::ShowSystemMenu(const QPoint& globalPos) {
    menu_->popup(globalPos);
}

void SkinFrame::ShowSystemMenuBelowIcon() {
    const QRect icon = Geometry().icon();
    ShowSystemMenu(mapToGlobal(QPoint(icon.left(), icon.bottom() + 1)));
}

QRect SkinFrame::globalIconRect() const {
    const QRect icon = Geometry().icon();
    return QRect(mapToGlobal(icon.topLeft()), icon.size());
}

void SkinFrame::minimizeApplication() {
    // A window manager may restore the window without Qt hearing of it; a stale minimised state
    // would make showMinimized do nothing.
    if (form_->isMinimized())
        form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
    Application->Minimize();
}

bool SkinFrame::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        // Without a window manager nobody gives the window the keyboard, and Alt+F4 and
        // Alt+Space would never arrive.
        if (!shown_) {
            shown_ = true;
            form_->activateWindow();
        }
        break;
    case QEvent::WindowActivate:
        if (form_->isMinimized())
            form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
        update(Geometry().captionBand());
        break;
    case QEvent::WindowDeactivate:
        update(Geometry().captionBand());
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool SkinFrame::eventFilter(QObject* watched, QEvent* event) {
    // While the menu is open it has the mouse: a second press on the icon reaches it, not us.
    if (watched == menu_ && (event->type() == QEvent::MouseButtonPress ||
                             event->type() == QEvent::MouseButtonDblClick)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        if (mouse->button() == Qt::LeftButton && !menu_->geometry().contains(global) &&
            globalIconRect().contains(global)) {
            const bool doubleClick =
                event->type() == QEvent::MouseButtonDblClick ||
                (menuOpenedByIcon_.isValid() &&
                 menuOpenedByIcon_.elapsed() < QApplication::doubleClickInterval());
            menu_->hide();
            if (doubleClick)
                form_->close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SkinFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    skin::paintFrame(p, Geometry(), isActiveWindow(), form_->windowTitle(), icon_);
}

void SkinFrame::mousePressEvent(QMouseEvent* event) {
    const skin::FrameGeometry g = Geometry();
    const QPoint pos = event->position().toPoint();
    if (!g.captionBand().contains(pos))
        return;
    if (event->button() == Qt::RightButton) {
        ShowSystemMenu(event->globalPosition().toPoint());
    } else if (event->button() == Qt::LeftButton && g.icon().contains(pos)) {
        menuOpenedByIcon_.start();
        ShowSystemMenuBelowIcon();
    } else if (event->button() == Qt::LeftButton) {
        QWindow* window = form_->windowHandle();
        if (!window || !window->startSystemMove()) {
            dragging_ = true;
            dragOffset_ = event->globalPosition().toPoint() - form_->pos();
        }
    }
}

void SkinFrame::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        form_->move(event->globalPosition().toPoint() - dragOffset_);
}

void SkinFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

void SkinFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    // The icon closes on a double-click; the caption band does not maximise.
    if (event->button() == Qt::LeftButton &&
        Geometry().icon().contains(event->position().toPoint()))
        form_->close();
}
