#include "lib/picture/codepage.h"

#include "lib/picture/codepoints.h"

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
    bool gb18030 = false;
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
        st.gb18030 = st.name == "GB18030";
        return st;
    }();
    return s;
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

    // Converts all of in; a sequence the target cannot hold becomes `substitute`, one per
    // character.
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

// glibc's GB18030 (2.36) lacks these mappings of the code page's 2022 edition: the private-use
// characters it cannot write would come back as '?', and the six Extension B characters it
// writes with the two bytes that belong to private-use characters would come back as those.
struct Gb18030Mapping {
    char32_t code;
    quint32 bytes; // two or four bytes, big-endian
};
constexpr std::array<Gb18030Mapping, 30> Gb18030Mappings = {{
    {0xE78D, 0x84318236},  {0xE78E, 0x84318238},  {0xE78F, 0x84318237},  {0xE790, 0x84318239},
    {0xE791, 0x84318330},  {0xE792, 0x84318331},  {0xE793, 0x84318332},  {0xE794, 0x84318333},
    {0xE795, 0x84318334},  {0xE796, 0x84318335},  {0xE81E, 0x82359037},  {0xE826, 0x82359038},
    {0xE82B, 0x82359039},  {0xE82C, 0x82359130},  {0xE832, 0x82359131},  {0xE843, 0x82359132},
    {0xE854, 0x82359133},  {0xE864, 0x82359134},  {0xE816, 0xFE51},      {0xE817, 0xFE52},
    {0xE818, 0xFE53},      {0xE831, 0xFE6C},      {0xE83B, 0xFE76},      {0xE855, 0xFE91},
    {0x20087, 0x95329031}, {0x20089, 0x95329033}, {0x200CC, 0x95329730}, {0x215D7, 0x9536B937},
    {0x2298F, 0x9630BA35}, {0x241FE, 0x9635B630},
}};

const Gb18030Mapping* gb18030ByCode(char32_t c) {
    if (c < 0xE78D || (c > 0xE864 && c < 0x20087) || c > 0x241FE)
        return nullptr;
    for (const Gb18030Mapping& m : Gb18030Mappings)
        if (m.code == c)
            return &m;
    return nullptr;
}

const Gb18030Mapping* gb18030ByBytes(quint32 bytes) {
    for (const Gb18030Mapping& m : Gb18030Mappings)
        if (m.bytes == bytes)
            return &m;
    return nullptr;
}

int mappingSize(const Gb18030Mapping& m) {
    return m.bytes > 0xFFFF ? 4 : 2;
}

void appendMapping(QByteArray& out, const Gb18030Mapping& m) {
    for (int shift = (mappingSize(m) - 1) * 8; shift >= 0; shift -= 8)
        out.append(char(m.bytes >> shift));
}

void buildLengths(State& st) {
    auto lengths = std::make_unique<std::array<quint8, 0x10000>>();
    Iconv cv(st.name.constData(), "UTF-8");
    QByteArray one;
    for (char32_t c = 0; c < 0x10000; ++c) {
        one.clear();
        appendUtf8(one, (c >= 0xD800 && c < 0xE000) ? Replacement : c);
        if (const Gb18030Mapping* m = st.gb18030 ? gb18030ByCode(c) : nullptr)
            (*lengths)[c] = quint8(mappingSize(*m));
        else
            (*lengths)[c] = quint8(cv.ok() ? cv.convert(one, '?').size() : one.size());
    }
    one.clear();
    appendUtf8(one, 0x20000);
    st.supplementaryLength = quint8(cv.ok() ? cv.convert(one, '?').size() : 4);
    st.bmpLengths = std::move(lengths);
}

QMutex lengthsMutex;

} // namespace

QByteArray name() {
    return state().name;
}

void reload() {
    State& st = state();
    QMutexLocker lock(&lengthsMutex);
    st.name = localeCodePage();
    st.utf8 = st.name == "UTF-8";
    st.gb18030 = st.name == "GB18030";
    st.bmpLengths.reset();
}

qsizetype byteLength(QStringView text) {
    State& st = state();
    qsizetype n = 0;
    if (st.utf8) {
        forEachCodePoint(text, [&](char32_t c) {
            n += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        });
        return n;
    }
    {
        QMutexLocker lock(&lengthsMutex);
        if (!st.bmpLengths)
            buildLengths(st);
    }
    const auto& lengths = *st.bmpLengths;
    forEachCodePoint(text,
                     [&](char32_t c) { n += c < 0x10000 ? lengths[c] : st.supplementaryLength; });
    return n;
}

QByteArray encode(QStringView text) {
    State& st = state();
    if (st.utf8)
        return toUtf8(text);
    Iconv cv(st.name.constData(), "UTF-8");
    if (!cv.ok())
        return toUtf8(text);
    if (!st.gb18030)
        return cv.convert(toUtf8(text), '?');
    QByteArray out;
    QByteArray run;
    forEachCodePoint(text, [&](char32_t c) {
        if (const Gb18030Mapping* m = gb18030ByCode(c)) {
            out += cv.convert(run, '?');
            run.clear();
            appendMapping(out, *m);
        } else {
            appendUtf8(run, c);
        }
    });
    return out + cv.convert(run, '?');
}

QString decode(QByteArrayView bytes) {
    State& st = state();
    if (st.utf8)
        return QString::fromUtf8(bytes);
    Iconv cv("UTF-8", st.name.constData());
    if (!cv.ok())
        return QString::fromUtf8(bytes);
    if (!st.gb18030)
        return QString::fromUtf8(cv.convert(bytes, '?'));
    // GB18030 sequences: one byte below 0x80, four when the second is a digit, else two.
    QByteArray utf8;
    qsizetype runStart = 0;
    qsizetype i = 0;
    const auto byte = [&](qsizetype k) { return k < bytes.size() ? uchar(bytes[k]) : 0; };
    while (i < bytes.size()) {
        const uchar lead = byte(i);
        qsizetype size = 1;
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < bytes.size())
            size = (byte(i + 1) >= 0x30 && byte(i + 1) <= 0x39) ? 4 : 2;
        if (size > 1 && i + size <= bytes.size()) {
            quint32 value = 0;
            for (qsizetype k = i; k < i + size; ++k)
                value = value << 8 | byte(k);
            if (const Gb18030Mapping* m = gb18030ByBytes(value)) {
                utf8 += cv.convert(bytes.sliced(runStart, i - runStart), '?');
                appendUtf8(utf8, m->code);
                runStart = i + size;
            }
        }
        i += qMin(size, bytes.size() - i);
    }
    utf8 += cv.convert(bytes.sliced(runStart), '?');
    return QString::fromUtf8(utf8);
}

} // namespace codepage
