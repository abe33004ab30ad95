// The text prepared while the window is idle: a conversion afterwards writes the bytes that one
// started at once writes, and every block of the text, edits made meanwhile included, has been
// laid out by the time the window is ready.

#include "lib/application/fonts.h"
#include "lib/look/controls.h"
#include "lib/picture/memo.h"
#include "lib/picture/warmup.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextLayout>

using namespace testing;

namespace {

// Paragraphs of Han characters spread over the block (many glyphs new to the process), with
// Latin words and punctuation.
QString prose(int paragraphs, int first) {
    QString text;
    for (int p = 0; p < paragraphs; ++p) {
        for (int i = 0; i < 90; ++i) {
            text += QChar(char16_t(0x4E00 + ((first + p * 90 + i) * 7919) % 20902));
            if (i % 23 == 22)
                text += QStringLiteral(" Qt 2024，");
        }
        text += QStringLiteral("。\r\n");
    }
    return text;
}

} // namespace

class WarmUpTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    int run_ = 0;

    // A window with the scenario played; the window is idle for the scenario's steps only when
    // it asks for that.
    using Scenario = std::function<void(TForm1&, bool idle)>;

    // The picture's bytes of one conversion: pressed at once after the scenario, or after the
    // window had all the idle time it wanted.
    QByteArray pictureOf(const Scenario& scenario, bool idle) {
        const QString folder = root_.filePath(QStringLiteral("run %1/").arg(++run_));
        std::unique_ptr<TForm1> form = openMainWindow(folder);
        if (!form)
            return {};
        scenario(*form, idle);
        if (idle) {
            const MemoWarmUp* warmUp = form->Memo1->findChild<MemoWarmUp*>();
            if (!warmUp)
                return {};
            QDeadlineTimer patience(60000);
            while (!warmUp->done() && !patience.hasExpired())
                QTest::qWait(10);
            if (!warmUp->done())
                return {};
            const QTextDocument* doc = form->Memo1->document();
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
                if (b.layout()->lineCount() == 0) {
                    qWarning("block %d was not laid out", b.blockNumber());
                    return {};
                }
        }
        whileClosingModals([&] { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); });
        const QStringList files = filesIn(folder + QStringLiteral("Pic"));
        for (const QString& name : files)
            if (name.endsWith(QLatin1String(".jpg")))
                return readFile(folder + QStringLiteral("Pic/") + name);
        return {};
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
    }

    void samePictureOnceReady_data() {
        QTest::addColumn<int>("scenario");
        QTest::newRow("pasted") << 0;
        QTest::newRow("font changed after the paste") << 1;
        QTest::newRow("more pasted at the start while it prepares") << 2;
        QTest::newRow("typed at both ends while it prepares") << 3;
        QTest::newRow("one paragraph longer than it lays out itself") << 4;
    }

    void samePictureOnceReady() {
        QFETCH(int, scenario);
        // Each run uses characters of its own, so the first window meets them new.
        const int first = 2000 * scenario;
        const Scenario play = [&](TForm1& form, bool idle) {
            TMemo* memo = form.Memo1;
            memo->setFocus();
            QString text = prose(60, first);
            if (scenario == 4)
                text.remove(QLatin1String("\r\n"));
            memo->insertPlainText(text);
            if (idle)
                QTest::qWait(60); // part of the text prepared
            switch (scenario) {
            case 1: {
                QFont font(QStringLiteral("DejaVu Serif"));
                font.setPixelSize(17);
                memo->setFont(withChineseFallback(font));
                break;
            }
            case 2:
                memo->moveCursor(QTextCursor::Start);
                memo->insertPlainText(prose(8, first + 60 * 90));
                break;
            case 3:
                memo->moveCursor(QTextCursor::Start);
                QTest::keyClicks(memo, QStringLiteral("abc"));
                memo->moveCursor(QTextCursor::End);
                QTest::keyClick(memo, Qt::Key_Return);
                QTest::keyClicks(memo, QStringLiteral("xyz"));
                break;
            default:
                break;
            }
        };
        const QByteArray atOnce = pictureOf(play, false);
        QVERIFY(!atOnce.isEmpty());
        const QByteArray ready = pictureOf(play, true);
        QVERIFY(!ready.isEmpty());
        QCOMPARE(ready.size(), atOnce.size());
        QVERIFY(ready == atOnce);
    }
};

QTEST_MAIN(WarmUpTest)
#include "tst_warmup.moc"
