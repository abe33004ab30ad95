#pragma once

#include <QString>
#include <stdexcept>

// The program's failure path: thrown out of a handler, shown by the application's default handler.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};
