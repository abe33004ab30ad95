#pragma once

#include <QChar>
#include <QStringView>

// Calls f with each code point of UTF-16 text, in order; a lone surrogate reads as U+FFFD.
template <typename F> void forEachCodePoint(QStringView text, F&& f) {
    const QChar* p = text.data();
    const QChar* end = p + text.size();
    while (p < end) {
        char16_t u = p->unicode();
        ++p;
        if (QChar::isHighSurrogate(u) && p < end && p->isLowSurrogate()) {
            f(QChar::surrogateToUcs4(u, p->unicode()));
            ++p;
        } else if (QChar::isSurrogate(u)) {
            f(char32_t(QChar::ReplacementCharacter));
        } else {
            f(char32_t(u));
        }
    }
}
