#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>

// The application object: its title, and the default handler that every event handler's
// exception ends in. Handlers are bound through bindEvent, so no exception crosses Qt's loop.
class TApplication {
public:
    void Initialize();
    QString Title() const { return title_; }
    void SetTitle(const QString& title);
    void Minimize();

    // Shows the exception as the stop box; the program goes on.
    void HandleException(const std::exception_ptr& error);
    // Runs a handler; whatever it throws reaches HandleException.
    void Guard(const std::function<void()>& handler);

private:
    QString title_;
};

extern TApplication* Application;

class QMessageBox;

// Shows a message box modally, unless the hook answers it: a program that runs without a person
// (the benchmark) sets a hook that returns true, and the box is then not shown.
void execMessageBox(QMessageBox& box);
void SetMessageBoxHook(std::function<bool(QMessageBox&)> hook);

// The default handler's text: the message with a full stop added when its last character sorts
// after the full stop.
QString exceptionBoxText(const QString& message);
// What a failure says, as the default handler shows it.
QString exceptionBoxText(const std::exception_ptr& error);

// Connects a signal to a handler that runs under Application->Guard.
template <typename Sender, typename Signal, typename Context, typename Handler>
void bindEvent(Sender* sender, Signal signal, Context* context, Handler handler) {
    QObject::connect(sender, signal, context,
                     [context, handler] { Application->Guard([&] { (context->*handler)(); }); });
}
