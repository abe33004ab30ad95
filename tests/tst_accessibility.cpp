// What a screen reader reads from the window: the text area's text, the buttons' captions and the
// length indicator, before and after a conversion, with the text still being prepared or ready.

#include "lib/look/controls.h"
#include "lib/picture/memo.h"
#include "lib/picture/warmup.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

class AccessibilityTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;

    static QString textOf(QWidget* widget) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        if (!iface)
            return QStringLiteral("<none>");
        if (QAccessibleTextInterface* text = iface->textInterface())
            return text->text(0, text->characterCount());
        return iface->text(QAccessible::Name);
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
    }

    void windowReadsAsShown_data() {
        QTest::addColumn<bool>("idle");
        QTest::newRow("converted at once") << false;
        QTest::newRow("converted once ready") << true;
    }

    void windowReadsAsShown() {
        QFETCH(bool, idle);
        std::unique_ptr<TForm1> form = openMainWindow(root_.filePath(QString::number(idle)) + "/");
        QVERIFY(form);
        QAccessible::setActive(true);
        QCOMPARE(textOf(form->BitBtn1), QStringLiteral(" Start Conversion"));
        QCOMPARE(textOf(form->btn1), QStringLiteral("Open directory"));
        QCOMPARE(textOf(form->BitBtn2), QStringLiteral("Font"));
        QCOMPARE(textOf(form->BitBtn3), QStringLiteral(" Backcolor"));
        QCOMPARE(textOf(form->lbl1), QStringLiteral("The current length: 0"));

        const QString text = QStringLiteral("无障碍 accessible text\r\n第二行");
        form->Memo1->setFocus();
        form->Memo1->insertPlainText(text);
        if (idle) {
            const MemoWarmUp* warmUp = form->Memo1->findChild<MemoWarmUp*>();
            QVERIFY(warmUp);
            QTRY_VERIFY(warmUp->done());
        }
        // The text area reads its line breaks as LF.
        const auto lf = [](QString s) {
            return s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        };
        QCOMPARE(textOf(form->Memo1), lf(text));
        QCOMPARE(textOf(form->lbl1), form->lbl1->text());

        whileClosingModals([&] { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); });
        const QString after = withFooter(text);
        QCOMPARE(form->Memo1->Text(), after);
        QCOMPARE(textOf(form->Memo1), lf(after));
        QCOMPARE(textOf(form->lbl1), form->lbl1->text());
        QVERIFY(form->lbl1->text() != QStringLiteral("The current length: 0"));
        QAccessible::setActive(false);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
