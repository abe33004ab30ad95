// The conversion driven through the real window: the button, the two files, the picture's size
// and ink, the reference encoder's bytes, the length limit and the faults.

#include "lib/application/application.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/picture.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>

using namespace testing;

namespace {

const QString Crlf = QStringLiteral("\r\n");

struct Conversion {
    std::vector<SeenBox> boxes;
    QString stamp; // from the confirmation, empty when there was none
};

// Sets the soft limit on file size for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

// A small file system of its own mounted on a folder for the life of the object (needs root).
class TinyFileSystem {
public:
    TinyFileSystem(const QString& folder, int kilobytes) : where_(QFile::encodeName(folder)) {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("zorna-test", where_.constData(), "tmpfs", 0, options.constData()) != 0)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~TinyFileSystem() {
        if (error_.isEmpty())
            ::umount2(where_.constData(), MNT_DETACH);
    }
    // Empty when mounted, else why not.
    QString error() const { return error_; }
    bool makeReadOnly() {
        return ::mount(nullptr, where_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray where_;
    QString error_;
};

} // namespace

class ConversionTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString folder_; // the program folder, with its separator
    QString pic_;
    std::unique_ptr<TForm1> form_;
    int run_ = 0;

    Conversion convert() {
        Conversion c;
        c.boxes = whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); });
        static const QRegularExpression done(
            QStringLiteral("^Picture has been saved to the path Pic name:"
                           "(\\d{4}-\\d\\d-\\d\\d \\d{6})\\.jpg$"));
        for (const SeenBox& box : c.boxes)
            if (auto m = done.match(box.text); m.hasMatch())
                c.stamp = m.captured(1);
        return c;
    }

    QImage picture(const Conversion& c) { return decodeJpeg(pic_ + c.stamp + ".jpg"); }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        keepMountsPrivate();
        QVERIFY(root_.isValid());
    }

    void init() {
        folder_ = root_.filePath(QStringLiteral("run %1/").arg(++run_));
        pic_ = folder_ + QStringLiteral("Pic/");
        form_ = openMainWindow(folder_);
        QVERIFY(form_);
    }

    void cleanup() { form_.reset(); }

    void startupCreatesOutputFolder() {
        QVERIFY(QFileInfo(pic_).isDir()); // its parent was missing too
        QFile keep(pic_ + "keep.txt");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        form_ = std::make_unique<TForm1>();
        QCOMPARE(filesIn(pic_), QStringList{"keep.txt"});
    }

    void convertsTextAndCopy_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("conversions");
        QTest::newRow("empty") << QString() << 0 << 1;
        QTest::newRow("ends with line break") << "First\r\nSecond\r\n" << 2 << 1;
        QTest::newRow("no line break at end") << "First\r\nSecond" << 2 << 1;
        QTest::newRow("blank lines inside") << "A\r\n\r\n\r\nB" << 4 << 1;
        QTest::newRow("converted twice") << "First" << 1 << 2;
    }

    void convertsTextAndCopy() {
        QFETCH(QString, text);
        QFETCH(int, lines);
        QFETCH(int, conversions);

        // The footer's own lines, wrapped as the text area wraps them.
        Conversion bare = convert();
        QVERIFY(!bare.stamp.isEmpty());
        const QImage footerOnly = picture(bare);
        const int pitch = QFontMetrics(form_->Memo1->font()).size(0, QStringLiteral("|")).height();
        QCOMPARE((footerOnly.height() - TForm1::ExtraHeight) % pitch, 0);
        const int footerLines = (footerOnly.height() - TForm1::ExtraHeight) / pitch;
        QCOMPARE(inkBands(footerOnly, footerOnly.height()), footerLines);

        QDir(pic_).removeRecursively();
        QDir().mkpath(pic_);
        form_->Memo1->SetText(text);
        QCOMPARE(form_->Memo1->Text(), text);
        const int heightBefore = form_->Memo1->height();
        Conversion c;
        for (int i = 0; i < conversions; ++i) {
            c = convert();
            QCOMPARE(c.boxes.size(), size_t(1));
            QCOMPARE(c.boxes[0].title, TForm1::Caption);
            QCOMPARE(c.boxes[0].icon, QMessageBox::NoIcon);
            QCOMPARE(c.boxes[0].buttons, int(QMessageBox::Ok));
            QVERIFY(!c.stamp.isEmpty());
        }
        QString expected = text;
        for (int i = 0; i < conversions; ++i)
            expected = withFooter(expected);
        QCOMPARE(form_->Memo1->Text(), expected);
        QCOMPARE(form_->Memo1->height(), heightBefore);
        QCOMPARE(form_->lbl1->text(), QStringLiteral("The current length:%1").arg(expected.size()));

        // Both files carry the one time stamp; the copy holds the text with its footer, CR LF.
        QVERIFY(QFileInfo::exists(pic_ + c.stamp + ".txt"));
        QCOMPARE(readFile(pic_ + c.stamp + ".txt"), expected.toUtf8());

        const QImage image = picture(c);
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(),
                 form_->Memo1->width() - 4 - form_->Memo1->verticalScrollBar()->width());
        const int shown = lines + conversions * footerLines;
        QCOMPARE(image.height(), shown * pitch + TForm1::ExtraHeight);
        const int band = image.height() - TForm1::ExtraHeight;
        QVERIFY(!hasInk(image, band, image.height()));
        QVERIFY(hasInk(image, band - pitch, band));
        // Background in the band, text colour in the lines.
        const QColor bg = image.pixelColor(image.width() / 2, image.height() - 1);
        QVERIFY(qAbs(bg.red() - 255) + qAbs(bg.green() - 255) + qAbs(bg.blue() - 255) <= 6);
    }

    // Latin, Chinese and emoji lines: where the Chinese face is taller than the text area's
    // font, its lines are taller too, and still every line is in the picture, the last one whole.
    void mixedScriptsAllShown() {
        QString text;
        const QStringList lines = {
            QStringLiteral("Latin line ABC 123"), QStringLiteral("中文测试，标点。汉字"),
            QStringLiteral("Mixed 中文 and Latin"),
            QStringLiteral(
                "Emoji \U0001F600\U0001F44D \U0001F468\u200D\U0001F469\u200D\U0001F467")};
        for (int i = 0; i < 50; ++i)
            text += lines.join(Crlf) + Crlf;
        Conversion bare = convert();
        const int footerLines = inkBands(picture(bare), picture(bare).height());

        form_->Memo1->SetText(text);
        const Conversion c = convert();
        QVERIFY(!c.stamp.isEmpty());
        const QImage image = picture(c);
        const int band = image.height() - TForm1::ExtraHeight;
        const int pitch = QFontMetrics(form_->Memo1->font()).size(0, QStringLiteral("|")).height();
        QVERIFY(!hasInk(image, band, image.height()));
        QVERIFY(hasInk(image, band - pitch, band));
        QCOMPARE(inkBands(image, band), 200 + footerLines);
    }

    // The painted picture is what the text area draws of itself when grown to hold every line.
    void pictureIsWhatTheTextAreaShows() {
        TMemo* memo = form_->Memo1;
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QStringLiteral(
                        "Line %1 with 中文 👍🏽 and a long tail that the text area wraps at "
                        "its width, twice or more, as a user would see it on screen\r\n"
                        "🎉🇨🇳\r\n")
                        .arg(i);
        memo->SetText(text);
        memo->SetColor(QColor(250, 240, 200));
        memo->SetFontColor(QColor(20, 60, 120));
        form_->BitBtn1->setFocus();

        const MemoSnapshot snapshot(*memo);
        QVERIFY(snapshot.lineCount() >= 80);
        const int height = snapshot.linesHeight() + TForm1::ExtraHeight;
        QImage painted(snapshot.width(), height, QImage::Format_RGB32);
        snapshot.paint(painted, 0);

        const int margin = int(memo->document()->documentMargin());
        const int oldHeight = memo->height();
        memo->resize(memo->width(), height + 2 * margin + 4);
        memo->verticalScrollBar()->setValue(0);
        QImage shown(snapshot.width(), height, QImage::Format_RGB32);
        memo->viewport()->render(&shown, QPoint(0, -margin));
        memo->resize(memo->width(), oldHeight);
        QCOMPARE(shown.width(), memo->viewport()->width());
        QVERIFY(painted == shown);
    }

    // Paths go to no shell: a program folder named like a command converts, and runs nothing.
    void oddProgramFolders_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks and a tab") << "two  blanks and\ta tab ";
        QTest::newRow("quotes") << "it's \"quoted\"";
        QTest::newRow("command substitution") << "$(touch marker)";
        QTest::newRow("back quotes") << "`touch marker`";
        QTest::newRow("semicolons") << "a; touch marker; #";
        QTest::newRow("pipe and ampersand") << "a | touch marker & b";
        QTest::newRow("new line") << "first\ntouch marker";
        QTest::newRow("wildcards and a dash") << "-rf * ? [a] ~";
        QTest::newRow("non-ASCII") << "文件夹 ü";
    }

    void oddProgramFolders() {
        QFETCH(QString, name);
        const QString folder = root_.filePath(name) + QLatin1Char('/');
        form_ = openMainWindow(folder);
        QVERIFY(form_);
        form_->Memo1->SetText(QStringLiteral("Text in an oddly named folder"));
        const Conversion c = convert();
        QVERIFY(!c.stamp.isEmpty());
        QCOMPARE(filesIn(folder + "Pic"), QStringList({c.stamp + ".jpg", c.stamp + ".txt"}));
        QVERIFY(!decodeJpeg(folder + "Pic/" + c.stamp + ".jpg").isNull());
        for (const QString& where : {QDir::currentPath(), root_.path(), folder, folder + "Pic"})
            QVERIFY2(!QFileInfo::exists(where + "/marker"), qPrintable(where));
    }

    void matchesReferenceEncoder() {
        form_->Memo1->SetText(QStringLiteral("参考编码器 reference encoder\r\n第二行"));
        form_->Memo1->SetColor(QColor(227, 238, 253));
        const Conversion c = convert();
        QVERIFY(!c.stamp.isEmpty());
        const MemoSnapshot snapshot(*form_->Memo1);
        QImage raster(snapshot.width(), snapshot.linesHeight() + TForm1::ExtraHeight,
                      QImage::Format_RGB32);
        snapshot.paint(raster, 0);
        const QString ppm = root_.filePath("reference.ppm");
        QVERIFY(writePpm(raster, ppm));
        QProcess cjpeg;
        cjpeg.start(QStringLiteral("cjpeg"), {"-quality", "75", "-baseline", "-dct", "float", ppm});
        QVERIFY(cjpeg.waitForFinished());
        QCOMPARE(cjpeg.exitCode(), 0);
        const QByteArray reference = cjpeg.readAllStandardOutput();
        QVERIFY(!reference.isEmpty());
        QVERIFY(readFile(pic_ + c.stamp + ".jpg") == reference);
    }

    // The banded path writes the bytes of the one-piece path: a whole raster, copied to 24 bits
    // and compressed at once.
    void bandsMatchOnePiece_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << 1;
        QTest::newRow("one band") << 6;
        QTest::newRow("a band boundary through a line") << 40;
        QTest::newRow("tallest accepted picture") << -1;
    }
    void bandsMatchOnePiece() {
        QFETCH(int, lines);
        TMemo* memo = form_->Memo1;
        const QString line = QStringLiteral("Line 行 gjpqy\r\n");
        memo->SetText(line);
        const int pitch = MemoSnapshot(*memo).linesHeight();
        if (lines < 0)
            lines = (JpegWriter::MaxDimension - TForm1::ExtraHeight) / pitch;
        QString text;
        for (int i = 0; i < lines; ++i)
            text += line;
        memo->SetText(text);
        const MemoSnapshot snapshot(*memo);
        const int height = snapshot.linesHeight() + TForm1::ExtraHeight;
        QVERIFY(height <= JpegWriter::MaxDimension);
        if (lines == 40)
            QVERIFY(256 % pitch != 0 && height > 256);

        QImage whole(snapshot.width(), height, QImage::Format_RGB32);
        snapshot.paint(whole, 0);
        whole = whole.convertToFormat(QImage::Format_RGB888);
        JpegWriter writer(whole.width(), whole.height(), JpegWriter::Input::Rgb888);
        writer.writeRows(whole.constBits(), whole.height(), whole.bytesPerLine());
        const QByteArray onePiece = writer.finish();

        const QByteArray banded =
            compressInBands(snapshot.width(), height, 256,
                            [&snapshot](QImage& band, int y0) { snapshot.paint(band, y0); });
        QCOMPARE(banded.size(), onePiece.size());
        QVERIFY(banded == onePiece);
    }

    // No conversion replaces a file. Several in one second, or a clock set back onto a pair, take
    // the next second free of both names; whatever else is in the way stays as it was.
    void neverReplaces_data() {
        QTest::addColumn<QList<int>>("clock");     // the clock at each conversion, in s after T
        QTest::addColumn<QStringList>("inTheWay"); // made before, named after s after T
        QTest::addColumn<QList<int>>("named");     // the stamp of each conversion, in s after T
        QTest::newRow("twice in one second")
            << QList<int>{0, 0} << QStringList() << QList<int>{0, 1};
        QTest::newRow("three times in one second")
            << QList<int>{0, 0, 0} << QStringList() << QList<int>{0, 1, 2};
        QTest::newRow("clock set back onto a pair")
            << QList<int>{0, 3600, 0} << QStringList() << QList<int>{0, 3600, 1};
        QTest::newRow("folders and a text copy in the way")
            << QList<int>{0} << QStringList{"0.jpg/", "1.jpg/", "2.txt"} << QList<int>{3};
    }

    void neverReplaces() {
        QFETCH(QList<int>, clock);
        QFETCH(QStringList, inTheWay);
        QFETCH(QList<int>, named);
        const QDateTime t(QDate(2026, 12, 11), QTime(13, 18, 44));
        const auto stamp = [&](int s) {
            return QLocale::c().toString(t.addSecs(s), QStringLiteral("yyyy-MM-dd HHmmss"));
        };
        QStringList expected;
        for (const QString& way : inTheWay) {
            const QString name =
                stamp(way.section('.', 0, 0).toInt()) + '.' + way.section('.', 1).remove('/');
            if (way.endsWith('/')) {
                QVERIFY(QDir(pic_).mkdir(name));
            } else {
                QFile file(pic_ + name);
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("someone's") == 9);
            }
            expected << name;
        }
        form_->Memo1->SetText(QStringLiteral("每次转换都有自己的文件 Each its own"));
        QStringList confirmed;
        std::vector<QByteArray> pictures, copies;
        for (int s : clock) {
            form_->SetConversionClock([t, s] { return t.addSecs(s); });
            const Conversion c = convert();
            QCOMPARE(c.boxes.size(), size_t(1));
            confirmed << c.stamp;
            pictures.push_back(picture::compress(*form_->Memo1));
            copies.push_back(codepage::encode(form_->Memo1->Text()));
        }
        for (qsizetype i = 0; i < named.size(); ++i) {
            QCOMPARE(confirmed[i], stamp(named[i]));
            QVERIFY(readFile(pic_ + confirmed[i] + ".jpg") == pictures[i]);
            QVERIFY(readFile(pic_ + confirmed[i] + ".txt") == copies[i]);
            expected << confirmed[i] + ".jpg" << confirmed[i] + ".txt";
        }
        for (const QString& way : inTheWay)
            if (!way.endsWith('/'))
                QCOMPARE(readFile(pic_ + stamp(way.section('.', 0, 0).toInt()) + ".txt"),
                         QByteArray("someone's"));
        expected.sort();
        QCOMPARE(filesIn(pic_), expected);
    }

    void lengthLimit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        const bool utf8 = codepage::name() == "UTF-8";
        const int han = utf8 ? 3 : 2; // bytes of one Chinese character
        const QChar zhong(0x4E2D);
        // Lines of Chinese, each line break counting two, padded with ASCII to the byte count.
        auto text = [&](int bytes) {
            const QString line = QString(300, zhong) + Crlf;
            QString t;
            int used = 0;
            while (used + 300 * han + 2 <= bytes) {
                t += line;
                used += 300 * han + 2;
            }
            return t + QString(bytes - used, QLatin1Char('a'));
        };
        QTest::newRow("100000 bytes") << text(100000) << true;
        QTest::newRow("100001 bytes") << text(100001) << false;
        QTest::newRow("Chinese only, at the limit")
            << QString(100000 / han, zhong) + QString(100000 % han, 'a') << true;
        QTest::newRow("Chinese only, one more")
            << QString(100000 / han, zhong) + QString(100000 % han + 1, 'a') << false;
    }

    void lengthLimit() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        form_->Memo1->SetText(text);
        const QString label = form_->lbl1->text();
        const Conversion c = convert();
        QCOMPARE(c.boxes.size(), size_t(1));
        if (accepted) {
            QVERIFY2(!c.stamp.isEmpty(), qPrintable(c.boxes[0].text));
            QCOMPARE(filesIn(pic_).size(), 2);
        } else {
            QCOMPARE(c.boxes[0].text, QStringLiteral("Word is too long!"));
            QCOMPARE(c.boxes[0].title, TForm1::Caption);
            QCOMPARE(form_->Memo1->Text(), text);
            QCOMPARE(form_->lbl1->text(), label);
            QVERIFY(filesIn(pic_).isEmpty());
        }
    }

    void faults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");  // a pattern for the stop box's text
        QTest::addColumn<QStringList>("left"); // what the output folder holds afterwards
        const QString create =
            QStringLiteral("^Cannot create file \"@FOLDER@Pic/[-0-9 ]{17}\\.jpg\"\\. %1\\.$");
        QTest::newRow("picture too tall") << "tall"
                                          << "^JPEG error #41\\.$" << QStringList();
        QTest::newRow("output folder missing")
            << "missing" << create.arg("No such file or directory") << QStringList();
        QTest::newRow("plain file in its place")
            << "file" << create.arg("Not a directory") << QStringList();
        QTest::newRow("picture write cut short") << "short picture"
                                                 << "^Stream write error\\.$" << QStringList();
        QTest::newRow("text copy write cut short")
            << "short copy"
            << "^Stream write error\\.$" << QStringList{"jpg"};
        QTest::newRow("file system full at the picture")
            << "full picture"
            << "^Stream write error\\.$" << QStringList();
        QTest::newRow("file system full at the text copy")
            << "full copy"
            << "^Stream write error\\.$" << QStringList{"jpg"};
        QTest::newRow("read-only file system")
            << "read-only" << create.arg("Read-only file system") << QStringList();
    }

    void faults() {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        // The program folder of this row is only known now.
        message.replace(QStringLiteral("@FOLDER@"), QRegularExpression::escape(folder_));

        QString text = QStringLiteral("Some text\r\nto convert");
        std::unique_ptr<FileSizeLimit> limit;
        std::unique_ptr<TinyFileSystem> mounted;
        if (fault.startsWith("full") || fault == "read-only") {
            // The program folder itself is the small file system.
            mounted = std::make_unique<TinyFileSystem>(folder_, 64);
            if (!mounted->error().isEmpty())
                QSKIP(qPrintable("cannot mount a file system here: " + mounted->error()));
            QVERIFY(QDir().mkpath(pic_));
            if (fault == "read-only")
                QVERIFY(mounted->makeReadOnly());
        }
        if (fault == "tall") {
            text.clear();
            for (int i = 0; i < 4000; ++i)
                text += QStringLiteral("a\r\n");
        } else if (fault == "missing") {
            QVERIFY(QDir(pic_).removeRecursively());
        } else if (fault == "file") {
            QVERIFY(QDir(pic_).removeRecursively());
            QFile plain(folder_ + "Pic");
            QVERIFY(plain.open(QIODevice::WriteOnly));
        } else if (fault == "short picture") {
            limit = std::make_unique<FileSizeLimit>(2000);
        } else if (fault == "full picture") {
            text = QString();
            for (int i = 0; i < 200; ++i)
                text += QStringLiteral("Line %1: 中文 and Latin filling the picture with ink\r\n")
                            .arg(i);
        } else if (fault == "short copy" || fault == "full copy") {
            // A long text whose picture is small: tiny letters, white on white.
            QFont tiny = form_->Memo1->font();
            tiny.setPixelSize(2);
            form_->Memo1->setFont(tiny);
            form_->Memo1->SetFontColor(Qt::white);
            text = QString(fault == "full copy" ? 99000 : 60000, QLatin1Char('x'));
            if (fault == "short copy")
                limit = std::make_unique<FileSizeLimit>(30000);
        }
        form_->Memo1->SetText(text);
        const int heightBefore = form_->Memo1->height();
        const Conversion c = convert();
        limit.reset();
        const QStringList leftNames = filesIn(pic_);
        mounted.reset();

        QCOMPARE(c.boxes.size(), size_t(1));
        const SeenBox& box = c.boxes[0];
        QVERIFY2(QRegularExpression(message).match(box.text).hasMatch(), qPrintable(box.text));
        QCOMPARE(box.title, TForm1::Caption);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, int(QMessageBox::Ok));
        // The text stays, with its footer; the text area is back at its height.
        QCOMPARE(form_->Memo1->Text(), withFooter(text));
        QCOMPARE(form_->Memo1->height(), heightBefore);

        // Hidden names count too: no temporary is left.
        QStringList kinds;
        for (const QString& name : leftNames)
            kinds << QFileInfo(name).suffix();
        QCOMPARE(kinds, left);
    }
};

QTEST_MAIN(ConversionTest)
#include "tst_conversion.moc"
