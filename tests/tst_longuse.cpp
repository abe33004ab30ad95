// Long use: many conversions in one process, each text pasted in and cleared by a double-click
// afterwards, leave memory and open files where they were.

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <malloc.h>

using namespace testing;

namespace {

qint64 openFds() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
        .size();
}

// Resident memory in kB, after handing what was freed back to the system.
qint64 residentKb() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizedMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SanitizedMemory = true;
#else
constexpr bool SanitizedMemory = false;
#endif
#else
constexpr bool SanitizedMemory = false;
#endif

} // namespace

class LongUseTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
    }

    void manyConversionsHoldNothingBack() {
        QString message;
        SetMessageBoxHook([&](QMessageBox& box) {
            message = box.text();
            return true;
        });
        const std::unique_ptr<TForm1> window = openMainWindow(root_.path() + QLatin1Char('/'));
        QVERIFY(window);
        TForm1& form = *window;
        // About 30 kB a paste: what a session keeps of each text shows within a few hundred.
        QString text;
        for (int i = 0; i < 100; ++i)
            text +=
                QStringLiteral("第%1段，长微博的文字，一百个汉字左右的一行。Latin words too.\r\n")
                    .arg(i);

        auto convert = [&](int times) {
            for (int i = 0; i < times; ++i) {
                form.Memo1->insertPlainText(text);
                QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
                if (!message.startsWith(QLatin1String("Picture has been saved")))
                    return false;
                QTest::mouseDClick(form.Memo1->viewport(), Qt::LeftButton);
                if (!form.Memo1->Text().isEmpty())
                    return false;
            }
            return true;
        };
        QVERIFY2(convert(100), qPrintable(message));
        const qint64 fds = openFds();
        const qint64 rss = residentKb();
        QVERIFY2(convert(200), qPrintable(message));
        QCOMPARE(openFds(), fds);
        if (!SanitizedMemory) {
            const qint64 grown = residentKb() - rss;
            qInfo("from 100 to 300 conversions: resident memory %+lld kB, %lld fds", grown, fds);
            QVERIFY2(grown < 3 * 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(grown)));
        }
        // The last text, with its footer, is still one Ctrl+Z away.
        QTest::keyClick(form.Memo1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form.Memo1->Text(), withFooter(text));
        SetMessageBoxHook({});
    }
};

QTEST_MAIN(LongUseTest)
#include "tst_longuse.moc"
