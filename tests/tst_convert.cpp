// The command-line converter as a script runs it: the same JPEG bytes as the real window, its
// streams, batches with failures, usage errors, pages, and odd names.

#include "lib/application/fonts.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/memo.h"
#include "lib/picture/picture.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace testing;

namespace {

const QString Converter = QStringLiteral(ZORNA_CONVERT);

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Looks a text area can be given, in the window and on the command line alike.
struct Look {
    QColor background, color;
    QString family;
    int size = 0;
    bool bold = false, italic = false;
    int width = 0;

    QStringList options() const {
        QStringList o;
        if (background.isValid())
            o << "--background" << background.name();
        if (color.isValid())
            o << "--color" << color.name();
        if (!family.isEmpty())
            o << "--font" << family;
        if (size)
            o << "--size" << QString::number(size);
        if (bold)
            o << "--bold";
        if (italic)
            o << "--italic";
        if (width)
            o << "--width" << QString::number(width);
        return o;
    }
    // What the window's font and colour choosers leave in the text area.
    void giveTo(TMemo& memo) const {
        if (background.isValid())
            memo.SetColor(background);
        if (color.isValid())
            memo.SetFontColor(color);
        if (!family.isEmpty() || size || bold || italic) {
            QFont font(family.isEmpty() ? QStringLiteral("Tahoma") : family);
            font.setPixelSize(size ? size : 14);
            font.setBold(bold);
            font.setItalic(italic);
            memo.setFont(withChineseFallback(font));
        }
        if (width)
            memo.resize(TMemo::outerWidthFor(width), memo.height());
    }
};

const QString Prose = QStringLiteral(
    "春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。\r\n"
    "Latin words among the Chinese, 123 and punctuation: ;,.!?\r\n"
    "\r\n"
    "一段很长的文字，长到文字框必须把它折成好几行才能显示出来，而图片也要在同样的地方折行，"
    "不多也不少，一个字都不能丢，标点符号也要放在同样的位置上。再加一句，让它更长一些。");

} // namespace
Q_DECLARE_METATYPE(Look)

class ConvertTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString work_; // a fresh folder per test, the converter's working folder
    int run_ = 0;

    Result convert(const QStringList& args, const QByteArray& input = {},
                   const QString& program = Converter, const std::function<void()>& inChild = {}) {
        QProcess p;
        p.setWorkingDirectory(work_);
        // No display and no platform chosen: the converter goes offscreen by itself. Settings
        // would land in these folders.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", root_.filePath("home"));
        env.insert("XDG_CONFIG_HOME", root_.filePath("config"));
        p.setProcessEnvironment(env);
        if (inChild)
            p.setChildProcessModifier(inChild);
        p.start(program, args);
        Result r;
        if (!p.waitForStarted())
            return r;
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    QString file(const QString& name) const { return QDir(work_).filePath(name); }

    void writeText(const QString& name, const QString& text) {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(codepage::encode(text));
    }

    // The window's conversion of text in look: the picture and the text copy.
    std::pair<QByteArray, QString> convertInWindow(const QString& text, const Look& look) {
        const QString folder = root_.filePath(QStringLiteral("window %1/").arg(++run_));
        auto form = openMainWindow(folder);
        if (!form)
            return {};
        form->Memo1->SetText(text);
        look.giveTo(*form->Memo1);
        QString stamp;
        whileClosingModals([&] { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); },
                           [&](QWidget* modal) {
                               if (auto* box = qobject_cast<QMessageBox*>(modal))
                                   stamp = box->text().right(21).left(17);
                               modal->close();
                           });
        const QString base = folder + QStringLiteral("Pic/") + stamp;
        return {readFile(base + ".jpg"), base + ".txt"};
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
        QVERIFY(QFileInfo(Converter).isExecutable());
    }

    void init() {
        work_ = root_.filePath(QStringLiteral("work %1").arg(++run_));
        QVERIFY(QDir().mkpath(work_));
    }

    void cleanup() {
        // Nothing of the converter's own anywhere: no settings, no output folder.
        QVERIFY(filesIn(root_.filePath("config")).isEmpty());
        QVERIFY(!QFileInfo::exists(file("Pic")));
        QVERIFY(!QFileInfo::exists(QFileInfo(Converter).path() + "/Pic"));
    }

    // The text as typed gives the window's picture; the window's text copy, without a second
    // footer, gives it again.
    void sameAsTheWindow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Look>("look");
        QTest::newRow("prose") << Prose << Look{};
        QTest::newRow("ends with line break") << "第一行\r\n第二行\r\n" << Look{};
        QTest::newRow("empty") << QString() << Look{};
        QTest::newRow("colours") << Prose << Look{QColor(0x20, 0x30, 0x40), QColor(Qt::yellow), {}};
        QTest::newRow("font") << Prose << Look{{}, {}, "DejaVu Serif", 20, true, true};
        QTest::newRow("width") << Prose << Look{{}, {}, {}, 0, false, false, 300};
    }

    void sameAsTheWindow() {
        QFETCH(QString, text);
        QFETCH(Look, look);
        const auto [window, copy] = convertInWindow(text, look);
        QVERIFY(!decodeJpeg(copy.left(copy.size() - 4) + ".jpg").isNull());
        if (look.width)
            QCOMPARE(decodeJpeg(copy.left(copy.size() - 4) + ".jpg").width(), look.width);

        writeText("post.txt", text);
        if (codepage::name() != "UTF-8" && !text.isEmpty()) // the locale's code page is read
            QVERIFY(readFile(file("post.txt")) != text.toUtf8());
        Result r = convert(look.options() << "post.txt");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, QByteArray());
        QVERIFY(readFile(file("post.jpg")) == window);

        r = convert(look.options() << "--no-footer"
                                   << "-o"
                                   << "again.jpg" << copy);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QVERIFY(readFile(file("again.jpg")) == window);
        QCOMPARE(filesIn(work_), QStringList({"again.jpg", "post.jpg", "post.txt"}));
    }

    void standardStreams_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("fromInput");
        QTest::addColumn<QString>("written"); // empty: standard output
        QTest::newRow("no FILE") << QStringList{} << true << "";
        QTest::newRow("dash") << QStringList{"-"} << true << "";
        QTest::newRow("-o -") << QStringList{"-o", "-", "in.txt"} << false << "";
        QTest::newRow("input to file") << QStringList{"-o", "out.jpg"} << true << "out.jpg";
    }

    void standardStreams() {
        QFETCH(QStringList, args);
        QFETCH(bool, fromInput);
        QFETCH(QString, written);
        writeText("in.txt", Prose);
        QCOMPARE(convert({"in.txt"}).exitCode, 0);
        const QByteArray reference = readFile(file("in.jpg"));
        QVERIFY(!reference.isEmpty());
        QFile::remove(file("in.jpg"));

        const Result r = convert(args, fromInput ? codepage::encode(Prose) : QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QVERIFY((written.isEmpty() ? r.out : readFile(file(written))) == reference);
        QCOMPARE(filesIn(work_),
                 written.isEmpty() ? QStringList{"in.txt"} : QStringList({"in.txt", written}));
    }

    // Every file is tried; each failure is one line in the window's words.
    void batchGoesOn() {
        writeText("a.txt", QStringLiteral("第一篇"));
        writeText("b.txt", QStringLiteral("第二篇"));
        QVERIFY(QDir(work_).mkdir("folder.txt")); // unreadable as a text, even for root
        const Result r = convert({"a.txt", "missing.txt", "folder.txt", "b.txt"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("missing.txt: Cannot open file \"missing.txt\". No such file or "
                                "directory.\n"
                                "folder.txt: Cannot open file \"folder.txt\". Is a directory.\n"));
        QCOMPARE(filesIn(work_), QStringList({"a.jpg", "a.txt", "b.jpg", "b.txt", "folder.txt"}));
        QVERIFY(!decodeJpeg(file("a.jpg")).isNull());
        QVERIFY(!decodeJpeg(file("b.jpg")).isNull());
    }

    // An output never replaces its input, nor another output of the same run.
    void outputsKeepTheirInputs() {
        const QByteArray text = codepage::encode(QStringLiteral("原文"));
        for (const char* name : {"poem.jpg", "poem.txt", "poem.md"}) {
            QFile f(file(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        const Result r = convert({"poem.jpg", "poem.txt", "poem.md"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("poem.jpg: Cannot create file \"poem.jpg\". It is the text being "
                                "converted.\n"
                                "poem.md: Cannot create file \"poem.jpg\". Another text of this "
                                "run was converted to it.\n"));
        QVERIFY(!decodeJpeg(file("poem.jpg")).isNull()); // poem.txt's picture
        QCOMPARE(readFile(file("poem.md")), text);
    }

    // An old picture is replaced once the new one is whole; a picture that cannot be written
    // leaves nothing behind and touches nothing else.
    void replacesOnlyWhole_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("old picture") << QStringList{"post.txt"} << QString();
        QTest::newRow("no such folder")
            << QStringList{"-d", "missing", "post.txt"}
            << "post.txt: Cannot create file \"missing/post.jpg\". No such file or directory.\n";
    }

    void replacesOnlyWhole() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        writeText("post.txt", QStringLiteral("新的一篇"));
        QFile old(file("post.jpg"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an old picture");
        old.close();
        const Result r = convert(args);
        QCOMPARE(r.exitCode, error.isEmpty() ? 0 : 1);
        QCOMPARE(QString::fromLocal8Bit(r.err), error);
        if (error.isEmpty())
            QVERIFY(!decodeJpeg(file("post.jpg")).isNull());
        else
            QCOMPARE(readFile(file("post.jpg")), QByteArray("an old picture"));
        QCOMPARE(filesIn(work_), QStringList({"post.jpg", "post.txt"})); // no temporaries
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "in.txt"};
        QTest::newRow("size not a number") << QStringList{"--size", "big", "in.txt"};
        QTest::newRow("width zero") << QStringList{"--width", "0", "in.txt"};
        QTest::newRow("page without room") << QStringList{"--page-height", "130", "in.txt"};
        QTest::newRow("no such colour") << QStringList{"--color", "notacolour", "in.txt"};
        QTest::newRow("one output, two inputs") << QStringList{"-o", "x.jpg", "in.txt", "in.txt"};
        QTest::newRow("value missing") << QStringList{"in.txt", "--background"};
    }

    void usageErrors() {
        QFETCH(QStringList, args);
        writeText("in.txt", QStringLiteral("文字"));
        const Result r = convert(args);
        QCOMPARE(r.exitCode, 2);
        const QStringList lines = QString::fromLocal8Bit(r.err).split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("zorna-convert: "), qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("Try 'zorna-convert --help' for more information."));
        QCOMPARE(filesIn(work_), QStringList{"in.txt"});
    }

    // A text too tall for one JPEG: refused whole, or cut into pages of whole lines.
    void tooTall() {
        QString text;
        constexpr int Lines = 4000; // 17-pixel lines: over the 65500-pixel limit
        for (int i = 1; i <= Lines; ++i)
            text += QStringLiteral("line %1\r\n").arg(i);
        writeText("tall.txt", text);
        Result r = convert({"--no-footer", "tall.txt"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("tall.txt: JPEG error #41.\n"));
        QCOMPARE(filesIn(work_), QStringList{"tall.txt"});

        constexpr int PageHeight = 5000;
        r = convert({"--no-footer", "--page-height", QString::number(PageHeight), "tall.txt"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QStringList names = filesIn(work_);
        int lines = 0;
        int pitch = 0;
        const int pages = int(names.size()) - 1;
        QVERIFY(pages > 1);
        for (int page = 1; page <= pages; ++page) {
            const QString name = QStringLiteral("tall-%1.jpg").arg(page);
            QVERIFY2(names.contains(name), qPrintable(name));
            const QImage image = decodeJpeg(file(name));
            QVERIFY(image.height() <= PageHeight);
            const int band = image.height() - picture::ExtraHeight;
            QVERIFY(!hasInk(image, band, image.height()));
            const int shown = inkBands(image, band);
            QVERIFY(hasInk(image, 0, 4)); // starts with a line, not a remnant
            if (!pitch)
                pitch = band / shown;
            QCOMPARE(band, shown * pitch);
            if (page < pages) // as many whole lines as fit
                QVERIFY(image.height() + pitch > PageHeight);
            lines += shown;
        }
        QCOMPARE(lines, Lines);
    }

    void lineTallerThanPage() {
        writeText("big.txt", QStringLiteral("大"));
        const Result r = convert({"--size", "400", "--page-height", "300", "big.txt"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("big.txt: Line 1 is taller than a page of 300 pixels.\n"));
        QCOMPARE(filesIn(work_), QStringList{"big.txt"});
    }

    // No shell sees a name: folders and files named like commands convert and run nothing.
    void oddNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks and a tab") << "two  blanks and\ta tab ";
        QTest::newRow("quotes") << "it's \"quoted\"";
        QTest::newRow("command substitution") << "$(touch marker)";
        QTest::newRow("back quotes") << "`touch marker`";
    }

    void oddNames() {
        QFETCH(QString, name);
        const QString bin = file(name + "/bin");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(Converter, bin + "/zorna-convert"));
        QVERIFY(QDir().mkpath(file(name + " out")));
        writeText(name + ".txt", QStringLiteral("名字"));
        const Result r = convert({"-d", name + " out", name + ".txt"}, {}, bin + "/zorna-convert");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(filesIn(file(name + " out")), QStringList{name + ".jpg"});
        QVERIFY(!decodeJpeg(file(name + " out/" + name + ".jpg")).isNull());
        for (const QString& where : {work_, bin, root_.path(), QDir::currentPath()})
            QVERIFY2(!QFileInfo::exists(where + "/marker"), qPrintable(where));
    }

    // A batch on a terminal shows where it is; --quiet, or no terminal, shows nothing.
    void progressOnTerminal_data() {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("terminal") << false;
        QTest::newRow("quiet") << true;
    }

    void progressOnTerminal() {
        QFETCH(bool, quiet);
        writeText("a.txt", QStringLiteral("一"));
        writeText("b.txt", QStringLiteral("二"));
        int master = -1, slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QStringList args{"a.txt", "b.txt"};
        if (quiet)
            args.prepend("--quiet");
        const Result r = convert(args, {}, Converter, [slave] { ::dup2(slave, STDERR_FILENO); });
        QCOMPARE(r.exitCode, 0);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        QByteArray shown;
        char chunk[4096];
        for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
            shown.append(chunk, n);
        ::close(master);
        ::close(slave);
        if (quiet) {
            QCOMPARE(shown, QByteArray());
        } else {
            QVERIFY2(shown.contains("0/2 a.txt") && shown.contains("1/2 b.txt"), shown.constData());
            QVERIFY(shown.endsWith("\r\033[K")); // the line is gone at the end
        }
        QCOMPARE(filesIn(work_), QStringList({"a.jpg", "a.txt", "b.jpg", "b.txt"}));
    }
};

QTEST_MAIN(ConvertTest)
#include "tst_convert.moc"
