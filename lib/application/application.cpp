#include "lib/application/application.h"

#include "lib/application/accessibility.h"
#include "lib/application/messagebox.h"
#include "lib/picture/exception.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace {
TApplication theApplication;

std::function<bool(QMessageBox&)>& messageBoxHook() {
    static std::function<bool(QMessageBox&)> hook;
    return hook;
}
} // namespace

TApplication* Application = &theApplication;

void SetMessageBoxHook(std::function<bool(QMessageBox&)> hook) {
    messageBoxHook() = std::move(hook);
}

void execMessageBox(QMessageBox& box) {
    if (messageBoxHook() && messageBoxHook()(box))
        return;
    box.exec();
}

void TApplication::Initialize() {
    QApplication::setQuitOnLastWindowClosed(true);
    listOnlyShownControls();
}

void TApplication::SetTitle(const QString& title) {
    title_ = title;
    QGuiApplication::setApplicationDisplayName(title);
}

void TApplication::Minimize() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow() && !w->windowFlags().testFlag(Qt::Popup))
            w->showMinimized();
}

QString exceptionBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString exceptionBoxText(const std::exception_ptr& error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        message = e.message();
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    return exceptionBoxText(message);
}

void TApplication::HandleException(const std::exception_ptr& error) {
    TMessageBox box(QMessageBox::Critical, title_, exceptionBoxText(error),
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ExceptionBox"));
    execMessageBox(box);
}

void TApplication::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
