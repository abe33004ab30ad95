#include "platform/codepage.h"

#include <QMutex>
#include <array>
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
#include <vector>

namespace codepage {
namespace {

constexpr char32_t Replacement = 0xFFFD;

struct State {
    QByteArray name;
    bool utf8 = true;
    // Byte length of each BMP code point, built on first use for a non-UTF-8 code page.
    std::unique_ptr<std::array<quint8, 0x10000>> bmpLengths;
    quint8 supplementaryLength = 1;
};

QByteArray localeCodePage() {
    QByteArray cs = nl_langinfo(CODESET);
    const QByteArray upper = cs.toUpper();
    // The C locale's ASCII would drop every Chinese character: treat it as UTF-8, as Qt does.
    if (upper.isEmpty() || upper == "UTF-8" || upper == "UTF8" || upper == "ANSI_X3.4-1968" ||
        upper == "ASCII" || upper == "US-ASCII")
        return "UTF-8";
    // GB18030 writes every GBK character with the same bytes and can represent all of Unicode.
    if (upper == "GBK" || upper == "GB2312" || upper == "EUC-CN" || upper == "CP936")
        return "GB18030";
    return cs;
}

State& state() {
    static State s = [] {
        State st;
        st.name = localeCodePage();
        st.utf8 = st.name == "UTF-8";
        return st;
    }();
    return s;
}

// Walks UTF-16 as code points; a lone surrogate reads as U+FFFD.
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
            f(Replacement);
        } else {
            f(char32_t(u));
        }
    }
}

void appendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

QByteArray toUtf8(QStringView text) {
    QByteArray out;
    out.reserve(text.size() * 3);
    forEachCodePoint(text, [&](char32_t c) { appendUtf8(out, c); });
    return out;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != iconv_t(-1); }

    // Converts all of in; a sequence the target cannot hold becomes `substitute`, one per character.
    QByteArray convert(QByteArrayView in, char substitute) {
        QByteArray out;
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = size_t(in.size());
        char* dst = out.data();
        size_t dstLeft = size_t(out.size());
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
                break;
            if (errno == E2BIG) {
                const qsizetype used = dst - out.data();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = size_t(out.size() - used);
            } else {
                // EILSEQ or EINVAL: skip one UTF-8 sequence (or one byte) and substitute.
                if (dstLeft < 1) {
                    const qsizetype used = dst - out.data();
                    out.resize(out.size() * 2);
                    dst = out.data() + used;
                    dstLeft = size_t(out.size() - used);
                }
                *dst++ = substitute;
                --dstLeft;
                size_t skip = 1;
                while (skip < srcLeft && (uchar(src[skip]) & 0xC0) == 0x80)
                    ++skip;
                src += skip;
                srcLeft -= skip;
            }
        }
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.resize(dst - out.data());
        return out;
    }

private:
    iconv_t cd_;
};

void buildLengths(State& st) {
    auto lengths = std::make_unique<std::array<quint8, 0x10000>>();
    Iconv cv(st.name.constData(), "UTF-8");
    QByteArray one;
    for (char32_t c = 0; c < 0x10000; ++c) {
        one.clear();
        appendUtf8(one, (c >= 0xD800 && c < 0xE000) ? Replacement : c);
        (*lengths)[c] = quint8(cv.ok() ? cv.convert(one, '?').size() : one.size());
    }
    one.clear();
    appendUtf8(one, 0x20000);
    st.supplementaryLength = quint8(cv.ok() ? cv.convert(one, '?').size() : 4);
    st.bmpLengths = std::move(lengths);
}

QMutex lengthsMutex;

} // namespace

QByteArray name() { return state().name; }

void reload() {
    State& st = state();
    QMutexLocker lock(&lengthsMutex);
    st.name = localeCodePage();
    st.utf8 = st.name == "UTF-8";
    st.bmpLengths.reset();
}

qsizetype byteLength(QStringView text) {
    State& st = state();
    qsizetype n = 0;
    if (st.utf8) {
        forEachCodePoint(text, [&](char32_t c) { n += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; });
        return n;
    }
    {
        QMutexLocker lock(&lengthsMutex);
        if (!st.bmpLengths)
            buildLengths(st);
    }
    const auto& lengths = *st.bmpLengths;
    forEachCodePoint(text, [&](char32_t c) { n += c < 0x10000 ? lengths[c] : st.supplementaryLength; });
    return n;
}

QByteArray encode(QStringView text) {
    State& st = state();
    QByteArray utf8 = toUtf8(text);
    if (st.utf8)
        return utf8;
    Iconv cv(st.name.constData(), "UTF-8");
    return cv.ok() ? cv.convert(utf8, '?') : utf8;
}

QString decode(QByteArrayView bytes) {
    State& st = state();
    if (st.utf8)
        return QString::fromUtf8(bytes);
    Iconv cv("UTF-8", st.name.constData());
    return QString::fromUtf8(cv.ok() ? cv.convert(bytes, '?') : bytes.toByteArray());
}

} // namespace codepage
