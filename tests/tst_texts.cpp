// Texts a user can paste that are hard to lay out, paint or encode, and fonts at the extremes:
// each converts, or fails with one of the program's messages and loses nothing. Emoji: each
// sequence one colour glyph from the emoji face, in the picture where the text area lays it out
// and nowhere else, no boxes, and lines as far apart as without emoji.

#include "lib/application/application.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/emoji.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <clocale>

using namespace testing;

namespace {

const QString Saved = QStringLiteral("saved");

// The time stamp a confirmation names; empty for any other message.
QString savedStamp(const QString& message) {
    static const QRegularExpression done(
        QStringLiteral("^Picture has been saved to the path Pic name:(.{17})\\.jpg$"));
    const auto m = done.match(message);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString fromUcs4(std::initializer_list<char32_t> codes) {
    QString s;
    for (char32_t c : codes)
        s += QString::fromUcs4(&c, 1);
    return s;
}

QString repeated(const QString& piece, int times) {
    QString s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

// Pieces alternate: text (even places, may be empty), then one emoji sequence (odd places).
QString joined(const QStringList& pieces) {
    return pieces.join(QString());
}

bool colourful(QRgb p) {
    const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
    const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
    return hi - lo > 50;
}

// Dark and grey: the text colour, black, as JPEG gives it back.
bool inked(QRgb p) {
    return qGray(p) < 110 && !colourful(p);
}

// A hollow rectangle in the text colour, as a face draws a character it lacks: two dark columns
// at least tall rows high, joined by dark rows at top and bottom, light inside and all round.
// The faces' boxes are nearly as tall as the text's ascent, the squares inside Han characters
// such as the one in 和 are smaller.
bool hasBox(const QImage& image, int top, int bottom, int tall) {
    auto darkShare = [&](int x0, int x1, int y0, int y1) {
        int dark = 0, all = 0;
        for (int y = std::max(y0, top); y <= std::min(y1, bottom - 1); ++y)
            for (int x = std::max(x0, 0); x <= std::min(x1, image.width() - 1); ++x, ++all)
                dark += inked(image.pixel(x, y));
        return all ? double(dark) / all : 0.0;
    };
    for (int left = 1; left < image.width() - 1; ++left)
        for (int y0 = top + 1; y0 < bottom; ++y0)
            for (int y1 = y0 + tall - 1; y1 < bottom - 1; ++y1) {
                if (darkShare(left, left, y0, y1) < 0.9)
                    continue;
                for (int right = left + 4; right < std::min(image.width() - 1, left + 2 * tall);
                     ++right)
                    if (darkShare(right, right, y0, y1) >= 0.9 &&
                        darkShare(left, right, y0, y0) >= 0.8 &&
                        darkShare(left, right, y1, y1) >= 0.8 &&
                        darkShare(left + 2, right - 2, y0 + 2, y1 - 2) <= 0.2 &&
                        darkShare(left - 1, left - 1, y0, y1) <= 0.2 &&
                        darkShare(right + 1, right + 1, y0, y1) <= 0.2 &&
                        darkShare(left, right, y0 - 1, y0 - 1) <= 0.2 &&
                        darkShare(left, right, y1 + 1, y1 + 1) <= 0.2)
                        return true;
            }
    return false;
}

} // namespace

class TextsTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString pic_;
    std::unique_ptr<TForm1> form_;
    int run_ = 0;

    // Presses the button; the picture, null when none was confirmed.
    QImage convert() {
        QString stamp;
        for (const SeenBox& box :
             whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); }))
            if (stamp.isEmpty())
                stamp = savedStamp(box.text);
        return stamp.isEmpty() ? QImage() : decodeJpeg(pic_ + stamp + ".jpg");
    }

    qreal blockHeight(int number) {
        QTextDocument* doc = form_->Memo1->document();
        return doc->documentLayout()->blockBoundingRect(doc->findBlockByNumber(number)).height();
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
        QCOMPARE(emoji::face(), QStringLiteral("Noto Color Emoji"));
    }

    void init() {
        const QString folder = root_.filePath(QStringLiteral("run %1/").arg(++run_));
        pic_ = folder + QStringLiteral("Pic/");
        form_ = openMainWindow(folder);
        QVERIFY(form_);
    }

    void cleanup() { form_.reset(); }

    void convertsOrFailsCleanly_data() {
        QTest::addColumn<QString>("text");
        // 0: the text area's own font; below 0: the Chinese face alone at minus that size
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<QString>("outcome"); // "saved" or the stop box's message

        QString controls;
        for (char16_t c = 0; c < 0x20; ++c)
            controls += QChar(c);
        for (char16_t c = 0x7F; c < 0xA0; ++c)
            controls += QChar(c);
        QString planes;
        for (char32_t plane = 0; plane <= 0x10; ++plane)
            planes += fromUcs4({plane << 16 | 0x0041, plane << 16 | 0xFFFD, plane << 16 | 0xFFFF}) +
                      QStringLiteral("\r\n");

        QTest::newRow("empty") << QString() << 0 << Saved;
        QTest::newRow("one line of 100000 without a blank")
            << QString(100000, QLatin1Char('x')) << 0 << Saved;
        QTest::newRow("100000 without a blank, tiny font")
            << QString(100000, QLatin1Char('W')) << 1 << Saved;
        QTest::newRow("Chinese without a blank") << QString(33000, QChar(0x6C49)) << 0 << Saved;
        QTest::newRow("NUL and control characters")
            << controls + QStringLiteral("\r\n") + controls + QChar(0) << 0 << Saved;
        QTest::newRow("lone CR and LF") << QStringLiteral("a\rb\nc\r\r\n\n\rd") << 0 << Saved;
        QTest::newRow("line and paragraph separators")
            << QStringLiteral("a\u2028b\u2029c\u0085d") << 0 << Saved;
        QTest::newRow("ends with a line separator") << QStringLiteral("a\u2028") << 0 << Saved;
        QTest::newRow("lone surrogates")
            << QString(QChar(0xD800)) + "a" + QChar(0xDC00) + QChar(0xDBFF) + "\r\n" +
                   QChar(0xDFFF) + QChar(0xDFFF) + QChar(0xD83D)
            << 0 << Saved;
        QTest::newRow("combining marks stacked")
            << QStringLiteral("e") + QString(300, QChar(0x0301)) + QStringLiteral(" ") +
                   repeated(QStringLiteral("a\u0336\u0489\u20DD"), 200) + QString(50, QChar(0x0301))
            << 0 << Saved;
        QTest::newRow("right to left and mixed")
            << QStringLiteral("שלום עולם 123 abc مرحبا بالعالم\r\n\u202Eevil\u202C "
                              "\u2067unclosed \u2066isolates\u200F\r\nab\u05D0\u0661\u0662 "
                              "\u202B\u202B\u202B")
            << 0 << Saved;
        QTest::newRow("emoji sequences")
            << fromUcs4({0x1F468, 0x200D,  0x1F469, 0x200D,  0x1F467, 0x200D,  0x1F466,
                         0x1F1E8, 0x1F1F3, 0x1F44D, 0x1F3FD, 0x0031,  0xFE0F,  0x20E3,
                         0x1F3F4, 0xE0067, 0xE0062, 0xE0065, 0xE006E, 0xE0067, 0xE007F}) +
                   repeated(fromUcs4({0x1F9D1, 0x200D}), 500) + fromUcs4({0x1F1E6})
            << 0 << Saved;
        QTest::newRow("every plane of Unicode") << planes << 0 << Saved;
        QTest::newRow("one pixel font") << QStringLiteral("Tiny\r\n中文\r\n") << 1 << Saved;
        // Qt takes pixel sizes up to 65535; its line metrics wrap round above some 17,000.
        QTest::newRow("largest font Qt takes")
            << QStringLiteral("Big") << 65535 << QStringLiteral("JPEG error #41");
        QTest::newRow("font whose metrics overflow")
            << QString() << 20000 << QStringLiteral("JPEG error #41");
        QTest::newRow("font whose metrics turn negative")
            << QStringLiteral("x") << 17651 << QStringLiteral("JPEG error #41");
        QTest::newRow("font past Qt's limit, shown at the default size")
            << QStringLiteral("Big") << 70000 << Saved;
        // Its lines are reported some 41,000 pixels tall: together past what an int holds.
        QTest::newRow("tall face, a letter a line")
            << QString(100000, QLatin1Char('x')) << -28923 << QStringLiteral("JPEG error #41");
        QTest::newRow("large font that fits") << QStringLiteral("W中") << 200 << Saved;
    }

    void convertsOrFailsCleanly() {
        QFETCH(QString, text);
        QFETCH(int, pixelSize);
        QFETCH(QString, outcome);
        TMemo* memo = form_->Memo1;
        if (pixelSize != 0) {
            QFont font = memo->font();
            if (pixelSize < 0)
                font.setFamilies({QStringLiteral("Noto Sans CJK SC")});
            font.setPixelSize(qAbs(pixelSize));
            memo->setFont(font);
        }
        memo->SetText(text);
        const QString before = memo->Text();
        const int heightBefore = memo->height();

        const auto boxes =
            whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); });
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].title, TForm1::Caption);
        QCOMPARE(memo->Text(), withFooter(before));
        QCOMPARE(memo->height(), heightBefore);

        if (outcome != Saved) {
            QCOMPARE(boxes[0].text, exceptionBoxText(outcome));
            QCOMPARE(boxes[0].icon, QMessageBox::Critical);
            QCOMPARE(filesIn(pic_), QStringList());
            return;
        }
        const QString stamp = savedStamp(boxes[0].text);
        QVERIFY2(!stamp.isEmpty(), qPrintable(boxes[0].text));
        QCOMPARE(filesIn(pic_), QStringList({stamp + ".jpg", stamp + ".txt"}));
        const QImage image = decodeJpeg(pic_ + stamp + ".jpg");
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), memo->viewport()->width());
        QCOMPARE(image.height(), MemoSnapshot(*memo).linesHeight() + TForm1::ExtraHeight);
        QCOMPARE(codepage::decode(readFile(pic_ + stamp + ".txt")),
                 withoutLoneSurrogates(memo->Text()));
    }

    void oneColourGlyphPerSequence_data() {
        QTest::addColumn<QStringList>("pieces");
        // Sequences the face draws in greys only: Noto's families are grey figures on a grey tile.
        QTest::addColumn<QStringList>("grey");
        const QStringList family = {"👨‍👩‍👧"};
        const QStringList none;
        QTest::newRow("emoji presentation")
            << QStringList{"Face ", "😀", " party ", "🎉", " end"} << none;
        QTest::newRow("text character with VS16")
            << QStringList{"Heart ", "❤️", " sun ", "☀️", " end"} << none;
        QTest::newRow("VS15 asks for text")
            << QStringList{"Heart ❤︎ face 😀︎ sun ☀︎ end"} << none;
        QTest::newRow("ZWJ sequences")
            << QStringList{"Family ",         "👨‍👩‍👧", " cook ", "🧑‍🍳",
                           " heart on fire ", "❤️‍🔥",      " end"}
            << family;
        QTest::newRow("flags") << QStringList{"Flags ", "🇨🇳", " ", "🇯🇵", " end"} << none;
        QTest::newRow("skin tones")
            << QStringList{"Thumb ", "👍🏽", " wave ", "👋🏾", " end"} << none;
        QTest::newRow("keycaps") << QStringList{"Keys ", "1️⃣", " ", "#️⃣", " end"} << none;
        QTest::newRow("text presentation") << QStringList{"Digits 123 # © ™ ☺ ✓ end"} << none;
        QTest::newRow("among Chinese characters")
            << QStringList{"微博表情：", "😀",      "",    "🎉", "",         "👍",
                           "",           "❤️", "",    "🔥", " 和 ☺ ✓ ", "👨‍👩‍👧",
                           " ",          "🇨🇳",     " end"}
            << family;
    }

    void oneColourGlyphPerSequence() {
        QFETCH(QStringList, pieces);
        QFETCH(QStringList, grey);
        TMemo* memo = form_->Memo1;
        memo->SetText(joined(pieces));
        const QImage image = convert();
        QVERIFY(!image.isNull());
        QCOMPARE(memo->Text(), withFooter(joined(pieces))); // the text itself is untouched

        const QTextBlock block = memo->document()->firstBlock();
        const int lineHeight = int(blockHeight(0));
        QCOMPARE(block.layout()->lineCount(), 1);
        const QTextLine line = block.layout()->lineAt(0);
        std::vector<std::pair<int, int>> spans, coloured; // picture columns of the emoji
        int at = 0;
        for (int i = 0; i < pieces.size(); at += int(pieces[i].size()), ++i) {
            if (pieces[i].isEmpty())
                continue;
            const QList<QGlyphRun> runs = block.layout()->glyphRuns(at, int(pieces[i].size()));
            int glyphs = 0;
            for (const QGlyphRun& run : runs) {
                QCOMPARE(run.rawFont().familyName() == emoji::face(), i % 2 == 1);
                glyphs += int(run.glyphIndexes().size());
            }
            if (i % 2 == 0)
                continue;
            QCOMPARE(glyphs, 1);
            const int x0 = int(line.cursorToX(at));
            const int x1 = int(line.cursorToX(at + int(pieces[i].size())));
            spans.push_back({x0, x1});
            if (!grey.contains(pieces[i]))
                coloured.push_back({x0, x1});
        }

        // Colour in the columns of each emoji, none elsewhere (JPEG blurs colour by 2 pixels).
        auto colourIn = [&](int x) {
            for (int y = 0; y < lineHeight; ++y)
                if (colourful(image.pixel(x, y)))
                    return true;
            return false;
        };
        for (int x = 0; x < image.width(); ++x) {
            bool near = false;
            for (auto [x0, x1] : spans)
                near = near || (x >= x0 - 3 && x < x1 + 3);
            if (!near)
                QVERIFY2(!colourIn(x), qPrintable(QStringLiteral("colour at x %1").arg(x)));
        }
        for (auto [x0, x1] : coloured) {
            int columns = 0;
            for (int x = x0; x < x1; ++x)
                columns += colourIn(x);
            QVERIFY2(columns * 4 >= x1 - x0, qPrintable(QStringLiteral("x %1-%2").arg(x0).arg(x1)));
        }
        QVERIFY(!hasBox(image, 0, lineHeight, int(0.85 * QFontMetricsF(memo->font()).ascent())));
    }

    // Emoji make no line taller or shorter than the same line without them, on screen and in
    // the picture.
    void linePitchKept() {
        const QStringList withEmoji = {
            "Latin line",
            "Latin 😀 and ❤️ line",
            "😀🎉👍",
            "中文汉字",
            "中文😀汉字👨‍👩‍👧",
            "微博表情：😀🎉👍❤️🔥 和 ☺ ✓ 👨‍👩‍👧 🇨🇳 end"};
        QStringList without = withEmoji;
        static const QRegularExpression sequence(
            QStringLiteral("😀|🎉|👍|❤️|🔥|👨‍👩‍👧|🇨🇳"));
        for (QString& line : without)
            line.replace(sequence, QStringLiteral("x"));
        const QString crlf = QStringLiteral("\r\n");

        form_->Memo1->SetText(without.join(crlf));
        std::vector<qreal> plain;
        for (int i = 0; i < without.size(); ++i)
            plain.push_back(blockHeight(i));
        const int plainHeight = convert().height();

        form_->Memo1->SetText(withEmoji.join(crlf));
        for (int i = 0; i < withEmoji.size(); ++i)
            QVERIFY2(blockHeight(i) == plain[size_t(i)],
                     qPrintable(QStringLiteral("%1: %2 against %3")
                                    .arg(withEmoji[i])
                                    .arg(blockHeight(i))
                                    .arg(plain[size_t(i)])));
        QCOMPARE(convert().height(), plainHeight);
        QVERIFY(plainHeight > 0);
    }
};

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
