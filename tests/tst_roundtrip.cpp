// Nothing typed is lost: random Unicode text (every plane, random line breaks, fixed seeds)
// comes back whole from the code page, and from the text copy a conversion writes.

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <random>

using namespace testing;

namespace {

// A scalar value (no surrogate) drawn from all of Unicode, from the BMP, or from common text.
char32_t randomScalar(std::mt19937& rng) {
    switch (rng() % 4) {
    case 0:
        return char32_t(0x20 + rng() % 0x5F);
    case 1:
        return char32_t(0x4E00 + rng() % 0x5200);
    case 2: {
        const char32_t c = char32_t(rng() % (0x10000 - 0x800));
        return c < 0xD800 ? c : c + 0x800;
    }
    default: {
        const char32_t c = char32_t(rng() % (0x110000 - 0x800));
        return c < 0xD800 ? c : c + 0x800;
    }
    }
}

QString randomText(std::mt19937& rng, int maxLength) {
    QString text;
    const int length = int(rng() % unsigned(maxLength + 1));
    for (int i = 0; i < length; ++i) {
        if (rng() % 16 == 0) {
            text += QStringLiteral("\r\n");
        } else {
            const char32_t c = randomScalar(rng);
            text += QString::fromUcs4(&c, 1);
        }
    }
    return text;
}

// Where two texts part, as code points around the first difference.
QString firstDifference(const QString& expected, const QString& actual) {
    const QList<uint> a = expected.toUcs4();
    const QList<uint> b = actual.toUcs4();
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    auto around = [i](const QList<uint>& v) {
        QString hex;
        for (qsizetype k = qMax<qsizetype>(0, i - 3); k < qMin(v.size(), i + 4); ++k)
            hex += QString::number(v[k], 16) + QLatin1Char(' ');
        return hex;
    };
    return QStringLiteral("at %1: expected %2, got %3").arg(i).arg(around(a), around(b));
}

} // namespace

class RoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
        qInfo("code page %s", codepage::name().constData());
    }

    void codePageKeepsEveryScalar() {
        std::mt19937 rng(20240611);
        for (int i = 0; i < 400; ++i) {
            const QString text = randomText(rng, 600);
            const QByteArray bytes = codepage::encode(text);
            const QString back = codepage::decode(bytes);
            QVERIFY2(back == text, qPrintable(firstDifference(text, back)));
            QCOMPARE(codepage::byteLength(text), bytes.size());
        }
    }

    // Characters whose GB18030 bytes changed in the code page's 2022 edition.
    void gb18030Bytes_data() {
        QTest::addColumn<uint>("code");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("vertical comma, private use") << 0xE78Du << QByteArray("\x84\x31\x82\x36");
        QTest::newRow("vertical comma") << 0xFE10u << QByteArray("\xA6\xD9");
        QTest::newRow("ideograph, private use") << 0xE81Eu << QByteArray("\x82\x35\x90\x37");
        QTest::newRow("private use with two bytes") << 0xE816u << QByteArray("\xFE\x51");
        QTest::newRow("Extension B") << 0x20087u << QByteArray("\x95\x32\x90\x31");
    }

    void gb18030Bytes() {
        if (codepage::name() != "GB18030")
            QSKIP("needs the GB18030 code page (LC_ALL=zh_CN.GBK)");
        QFETCH(uint, code);
        QFETCH(QByteArray, bytes);
        const char32_t c = code;
        const QString text = QStringLiteral("a") + QString::fromUcs4(&c, 1) + QStringLiteral("b");
        QCOMPARE(codepage::encode(text), "a" + bytes + "b");
        QCOMPARE(codepage::byteLength(text), bytes.size() + 2);
        QCOMPARE(codepage::decode("a" + bytes + "b"), text);
    }

    void textCopyKeepsTheText() {
        const QString pic = root_.filePath(QStringLiteral("Pic/"));
        QString message;
        SetMessageBoxHook([&](QMessageBox& box) {
            message = box.text();
            return true;
        });
        const std::unique_ptr<TForm1> window = openMainWindow(root_.path() + QLatin1Char('/'));
        QVERIFY(window);
        TForm1& form = *window;
        std::mt19937 rng(7);
        for (int i = 0; i < 40; ++i) {
            form.Memo1->SetText(randomText(rng, 1500));
            const QString before = form.Memo1->Text();
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
            QVERIFY2(message.startsWith(QLatin1String("Picture has been saved")),
                     qPrintable(message));
            QCOMPARE(form.Memo1->Text(), withFooter(before));
            const QStringList files = filesIn(pic);
            QCOMPARE(files.size(), 2);
            const QString copy = codepage::decode(readFile(pic + files.at(1)));
            QVERIFY2(copy == form.Memo1->Text(),
                     qPrintable(firstDifference(form.Memo1->Text(), copy)));
            QVERIFY(QDir(pic).removeRecursively() && QDir().mkpath(pic));
        }
        SetMessageBoxHook({});
    }
};

QTEST_MAIN(RoundTripTest)
#include "tst_roundtrip.moc"
