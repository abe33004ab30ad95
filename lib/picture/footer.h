#pragma once

#include <QString>
#include <QStringList>

class TMemo;

// The three lines a conversion adds below the text: a separator, the promotional line with the
// shop's address and the contact line.
namespace footer {

QString shopAddress();
QString emailAddress();

QStringList lines();
// Appends the lines to the text area one by one, each a change of its text.
void appendTo(TMemo& memo);

} // namespace footer
