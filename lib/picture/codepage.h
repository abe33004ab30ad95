#pragma once

#include <QByteArray>
#include <QString>

// The system's 8-bit code page: the character set of the user's locale as the C library reports it.
// Texts here are CR LF separated, as the text area gives them.
namespace codepage {

// The iconv name of the code page in use ("UTF-8", "GB18030", ...).
QByteArray name();

// Bytes the text takes in the code page; one function serves the length limit and the indicator.
qsizetype byteLength(QStringView text);

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// Reads the locale's character set again (after setlocale).
void reload();

} // namespace codepage
