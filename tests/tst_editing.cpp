// The editing aids through the real window: the length indicator, double-click clearing with
// undo, the font and colour choosers, the Chinese face, and "Open directory".

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <clocale>

using namespace testing;

namespace {

// The face that draws the first glyph of text in the text area.
QString faceDrawing(TMemo* memo, const QString& text) {
    memo->SetText(text);
    const QTextBlock block = memo->document()->firstBlock();
    memo->document()->documentLayout()->blockBoundingRect(block);
    const QList<QGlyphRun> runs = block.layout()->glyphRuns(0, 1);
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

// Types as a user does: keys for ASCII and Enter, an input method's commit for the rest.
void type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(widget, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(c);
            QApplication::sendEvent(widget, &commit);
        }
    }
}

} // namespace

class EditingTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    std::unique_ptr<TForm1> form_;

private slots:
    void initTestCase() { startLikeTheProgram(); }
    void init() {
        form_ = openMainWindow(root_.path() + QLatin1Char('/'));
        QVERIFY(form_);
    }
    void cleanup() { form_.reset(); }

    void lengthFollowsTyping_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("utf8");
        QTest::addColumn<int>("gbk");
        QTest::newRow("Latin") << "abc" << 3 << 3;
        QTest::newRow("Chinese") << "中文" << 6 << 4;
        QTest::newRow("line break") << "a\nb" << 4 << 4;
    }
    void lengthFollowsTyping() {
        QFETCH(QString, typed);
        QFETCH(int, utf8);
        QFETCH(int, gbk);
        QCOMPARE(form_->lbl1->text(), QStringLiteral("The current length: 0"));
        form_->Memo1->setFocus();
        type(form_->Memo1, typed);
        const int expected = codepage::name() == "UTF-8" ? utf8 : gbk;
        QCOMPARE(form_->lbl1->text(), QStringLiteral("The current length:%1").arg(expected));
    }

    void conversionUpdatesLengthThreeTimes() {
        form_->Memo1->SetText(QStringLiteral("text"));
        QSignalSpy changes(form_->Memo1, &TMemo::Change);
        whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); });
        QCOMPARE(changes.count(), 3);
        QCOMPARE(form_->lbl1->text(), QStringLiteral("The current length:%1")
                                          .arg(codepage::byteLength(form_->Memo1->Text())));
    }

    void doubleClickClearsAndUndoBringsBack_data() {
        QTest::addColumn<bool>("onText");
        QTest::newRow("on the text") << true;
        QTest::newRow("on empty space") << false;
    }
    void doubleClickClearsAndUndoBringsBack() {
        QFETCH(bool, onText);
        const QString text = QStringLiteral("Some words\r\n中文");
        form_->Memo1->SetText(text);
        const QPoint where = onText ? QPoint(20, 10) : QPoint(300, 300);
        QTest::mouseDClick(form_->Memo1->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(form_->Memo1->Text(), QString());
        QCOMPARE(form_->lbl1->text(), QStringLiteral("The current length: 0"));

        QTest::keyClick(form_->Memo1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form_->Memo1->Text(), text);
        QCOMPARE(form_->lbl1->text(),
                 QStringLiteral("The current length:%1").arg(codepage::byteLength(text)));
        QTest::keyClick(form_->Memo1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form_->Memo1->Text(), QString());
    }

    void fontChooser() {
        TMemo* memo = form_->Memo1;
        QFont seen;
        QColor seenColor;
        // The first time: its own font, not the text area's.
        auto choose = [&](const QFont& font, int colorIndex, bool confirm) {
            return whileClosingModals([&] { QTest::mouseClick(form_->BitBtn2, Qt::LeftButton); },
                                      [&](QWidget* modal) {
                                          auto* fonts = qobject_cast<QFontDialog*>(modal);
                                          auto* colors = modal->findChild<QComboBox*>(
                                              QStringLiteral("FontChooserColor"));
                                          QVERIFY(fonts && colors);
                                          seen = fonts->currentFont();
                                          seenColor = colors->currentData().value<QColor>();
                                          fonts->setCurrentFont(font);
                                          colors->setCurrentIndex(colorIndex);
                                          if (confirm)
                                              static_cast<QDialog*>(modal)->accept();
                                          else
                                              static_cast<QDialog*>(modal)->reject();
                                      });
        };
        QFont serif(QStringLiteral("DejaVu Serif"), 20, QFont::Bold);
        serif.setUnderline(true);
        serif.setStrikeOut(true);
        QCOMPARE(choose(serif, 9 /* red */, true).size(), size_t(1));
        QCOMPARE(QFontInfo(seen).family(), QFontInfo(QFont(QStringLiteral("Tahoma"))).family());
        QCOMPARE(seen.pointSize(), 8);
        QCOMPARE(seenColor, QColor(Qt::black));
        QCOMPARE(memo->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(memo->font().pointSize(), 20);
        QVERIFY(memo->font().bold() && memo->font().underline() && memo->font().strikeOut());
        QCOMPARE(memo->FontColor(), QColor(255, 0, 0));

        // Afterwards: the last choice, whatever the text area has now; cancel changes nothing.
        QFont other = memo->font();
        other.setPointSize(30);
        memo->setFont(other);
        choose(QFont(QStringLiteral("DejaVu Sans Mono"), 9), 0, false);
        QCOMPARE(seen.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(seen.pointSize(), 20);
        QCOMPARE(seenColor, QColor(255, 0, 0));
        QCOMPARE(memo->font().pointSize(), 30);
        QCOMPARE(memo->FontColor(), QColor(255, 0, 0));
    }

    void colorChooser() {
        TMemo* memo = form_->Memo1;
        const QColor white = memo->Color();
        QColor seen;
        QColor seenCustom;
        auto choose = [&](const QColor& color, const QColor& custom, bool confirm) {
            whileClosingModals([&] { QTest::mouseClick(form_->BitBtn3, Qt::LeftButton); },
                               [&](QWidget* modal) {
                                   auto* dialog = qobject_cast<QColorDialog*>(modal);
                                   QVERIFY(dialog);
                                   seen = dialog->currentColor();
                                   seenCustom = QColorDialog::customColor(0);
                                   dialog->setCurrentColor(color);
                                   QColorDialog::setCustomColor(0, custom);
                                   confirm ? dialog->accept() : dialog->reject();
                               });
        };
        choose(QColor(10, 20, 30), QColor(1, 2, 3), false);
        QCOMPARE(seen, QColor(Qt::black));
        QCOMPARE(memo->Color(), white);
        choose(QColor(200, 220, 240), QColor(4, 5, 6), true);
        QCOMPARE(seen, QColor(Qt::black));
        QVERIFY(seenCustom != QColor(1, 2, 3)); // a cancelled use keeps no custom colour
        QCOMPARE(memo->Color(), QColor(200, 220, 240));
        choose(QColor(0, 0, 0), QColor(7, 8, 9), false);
        QCOMPARE(seen, QColor(200, 220, 240));
        QCOMPARE(seenCustom, QColor(4, 5, 6));
        QCOMPARE(memo->Color(), QColor(200, 220, 240));
    }

    // Qt's own colour dialog keeps custom colours in the user's settings by itself.
    void choosersWriteNothingToDisk() {
        QTemporaryDir config;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("HOME"), config.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--use-choosers")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(filesIn(config.path()), QStringList());
    }

    void chineseInSimplifiedForms() {
        const QString face = faceDrawing(form_->Memo1, QStringLiteral("骨"));
        QVERIFY2(face.endsWith(QLatin1String(" SC")) || face.startsWith(QLatin1String("WenQuanYi")),
                 qPrintable(face));
        QCOMPARE(faceDrawing(form_->Memo1, QStringLiteral("Latin")),
                 QFontInfo(QFont(QStringLiteral("Tahoma"))).family());
    }

    // A stand-in file manager records each path it is given, one per line of its record.
    void openDirectory_data() {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("plain") << "program";
        QTest::newRow("blanks and quotes") << "my \"program\" 'files'";
        QTest::newRow("shell words") << "x $(touch marker); `touch marker` && rm -rf y";
        QTest::newRow("newline") << "two\nlines";
    }
    void openDirectory() {
        QFETCH(QString, folderName);
        StandInOpener opener;
        QVERIFY(opener.isValid());
        const QString folder = root_.filePath(folderName) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(folder));
        form_ = openMainWindow(folder); // the output folder is chosen when the window opens
        QVERIFY(form_);
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(form_->btn1, Qt::LeftButton);
        const QByteArray expected = QFile::encodeName(folder + "Pic") + "|1";
        QTRY_COMPARE_WITH_TIMEOUT(opener.calls().count(expected), 3, 10000);
        QVERIFY(!QFileInfo::exists(folder + "marker") && !QFileInfo::exists("marker"));
    }
};

// Used by choosersWriteNothingToDisk: both choosers, confirmed, in a process of its own.
static int useChoosers(int argc, char** argv) {
    QApplication app(argc, argv);
    TForm1 form;
    form.show();
    whileClosingModals([&] { form.BitBtn2Click(); });
    whileClosingModals([&] { form.BitBtn3Click(); },
                       [](QWidget* modal) {
                           QColorDialog::setCustomColor(3, QColor(9, 9, 9));
                           static_cast<QDialog*>(modal)->accept();
                       });
    return form.Memo1->Color() == QColor(Qt::black) ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--use-choosers") == 0)
        return useChoosers(argc, argv);
    QApplication app(argc, argv);
    EditingTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_editing.moc"
