// Texts a user can paste that are hard to lay out, paint or encode, and fonts at the extremes:
// each converts, or fails with one of the program's messages and loses nothing.

#include "lib/application/application.h"
#include "lib/picture/codepage.h"
#include "lib/look/controls.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>

using namespace testing;

namespace {

const QString Saved = QStringLiteral("saved");

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

} // namespace

class TextsTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString pic_;
    std::unique_ptr<TForm1> form_;
    int run_ = 0;

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
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
        static const QRegularExpression done(
            QStringLiteral("^Picture has been saved to the path Pic name:(.{17})\\.jpg$"));
        const auto m = done.match(boxes[0].text);
        QVERIFY2(m.hasMatch(), qPrintable(boxes[0].text));
        const QString stamp = m.captured(1);
        QCOMPARE(filesIn(pic_), QStringList({stamp + ".jpg", stamp + ".txt"}));
        const QImage image = decodeJpeg(pic_ + stamp + ".jpg");
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), memo->viewport()->width());
        QCOMPARE(image.height(), MemoSnapshot(*memo).linesHeight() + TForm1::ExtraHeight);
        QCOMPARE(codepage::decode(readFile(pic_ + stamp + ".txt")),
                 withoutLoneSurrogates(memo->Text()));
    }
};

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
