// zorna-convert: the window's conversion for scripts and batches. Each text goes into a text area
// set up as the window's own, offscreen, and through the same footer and picture code, so the
// JPEG is the window's byte for byte.

#include "lib/application/application.h"
#include "lib/application/fonts.h"
#include "lib/application/textarea.h"
#include "lib/picture/codepage.h"
#include "lib/picture/exception.h"
#include "lib/picture/files.h"
#include "lib/picture/footer.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/picture.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Failed = 1;
constexpr int UsageError = 2;

struct Options {
    QFont font;
    QColor color, background; // invalid: the text area's own
    int width = textarea::PictureWidth;
    bool footer = true;
    int pageHeight = 0; // 0: one picture
    bool quiet = false;
    QString outputDir;
    QString output; // empty: beside the input
};

struct UsageFailure {
    QString message;
};

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

int pixels(const QCommandLineParser& parser, const QCommandLineOption& option, int least) {
    const QString value = parser.value(option);
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < least || n > JpegWriter::MaxDimension)
        throw UsageFailure{QStringLiteral("--%1: '%2' is not a number of pixels from %3 to %4")
                               .arg(option.names().constLast(), value)
                               .arg(least)
                               .arg(JpegWriter::MaxDimension)};
    return n;
}

QColor colour(const QCommandLineParser& parser, const QCommandLineOption& option) {
    const QString value = parser.value(option);
    if (!QColor::isValidColor(value))
        throw UsageFailure{QStringLiteral("--%1: '%2' is not a colour (a name or #rrggbb)")
                               .arg(option.names().constLast(), value)};
    return QColor(value);
}

// The text copy's bytes as the text area's text: its code page, any of CR LF, LF and CR.
QString textOfCopy(const QByteArray& bytes) {
    QString text = codepage::decode(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// "poem.txt" gives "poem.jpg", in the same folder or in folder when given.
QString pictureFor(const QString& input, const QString& folder) {
    const qsizetype slash = input.lastIndexOf(QLatin1Char('/'));
    QString name = input.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    name += QStringLiteral(".jpg");
    if (!folder.isEmpty())
        return QDir(folder).filePath(name);
    return input.left(slash + 1) + name;
}

// "poem.jpg" gives "poem-2.jpg" for page 2.
QString pageOf(const QString& picture, int page) {
    const qsizetype slash = picture.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = picture.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        dot = picture.size();
    return picture.left(dot) + QLatin1Char('-') + QString::number(page) + picture.mid(dot);
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void writeStandardOutput(const QByteArray& jpeg) {
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        out.write(jpeg) != jpeg.size())
        throw Exception(QStringLiteral("Stream write error"));
}

// Files done of the total, the current one and the time so far, on one line of a terminal.
class Progress {
public:
    Progress(bool shown, int total) : shown_(shown), total_(total) { clock_.start(); }
    void show(int done, const QString& file) {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r\033[K%d/%d %s %.1f s", done, total_, qPrintable(file),
                     double(clock_.elapsed()) / 1000.0);
        std::fflush(stderr);
    }
    void clear() {
        if (shown_)
            std::fputs("\r\033[K", stderr);
    }

private:
    bool shown_;
    int total_;
    QElapsedTimer clock_;
};

class Converter {
public:
    explicit Converter(const Options& options) : options_(options) {
        memo_.setAttribute(Qt::WA_DontShowOnScreen);
        memo_.setUndoRedoEnabled(false); // one text at a time, never edited
        memo_.setFont(options.font);
        if (options.color.isValid())
            memo_.SetFontColor(options.color);
        if (options.background.isValid())
            memo_.SetColor(options.background);
        memo_.resize(TMemo::outerWidthFor(options.width), textarea::OuterHeight);
        memo_.show(); // lays the text out at its width
    }

    void convert(const QString& input) {
        const QByteArray bytes = readWholeFile(input);
        memo_.SetText(textOfCopy(bytes));
        if (options_.footer)
            footer::appendTo(memo_);
        QString picture = options_.output;
        if (picture.isEmpty())
            picture = input == QLatin1String("-") ? QStringLiteral("-")
                                                  : pictureFor(input, options_.outputDir);
        if (picture == QLatin1String("-")) {
            writeStandardOutput(picture::compress(memo_));
            return;
        }
        if (!options_.pageHeight) {
            claim(input, picture);
            picture::write(memo_, picture);
            return;
        }
        const MemoSnapshot snapshot(memo_);
        const std::vector<picture::Page> pages =
            picture::cutIntoPages(snapshot, options_.pageHeight);
        for (size_t i = 0; i < pages.size(); ++i)
            claim(input, pageOf(picture, int(i) + 1));
        for (size_t i = 0; i < pages.size(); ++i)
            saveWholeFile(pageOf(picture, int(i) + 1), picture::compress(snapshot, pages[i]));
    }

private:
    // An output never replaces its own input, nor a picture written earlier in this run.
    void claim(const QString& input, const QString& picture) {
        if (input != QLatin1String("-") && sameFile(input, picture))
            throw Exception(QStringLiteral("Cannot create file \"%1\". It is the text being "
                                           "converted")
                                .arg(native(picture)));
        const QString key = QDir::cleanPath(QFileInfo(picture).absoluteFilePath());
        if (written_.contains(key))
            throw Exception(QStringLiteral("Cannot create file \"%1\". Another text of this run "
                                           "was converted to it")
                                .arg(native(picture)));
        written_.insert(key);
    }

    const Options& options_;
    TMemo memo_;
    QSet<QString> written_;
};

QtMessageHandler qtHandler = nullptr;

// Qt's notes at start-up (no XDG_RUNTIME_DIR, what the offscreen platform cannot do) are no news
// for a script, which reads standard error for failures; Qt's errors still get through.
void onlyQtErrors(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // A file-size limit must fail the write, which is reported, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(onlyQtErrors);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorna-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORNA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts texts to JPEG pictures as Zorna Text to Image does: the same font, colours, "
        "width, line breaking and footer lines, byte for byte."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Text to convert, in the locale's code page. None, or -, reads standard "
                       "input and writes standard output. FILE.txt gives FILE.jpg beside it."),
        QStringLiteral("[FILE...]"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the picture of the one FILE to OUTPUT; - for standard output."),
        QStringLiteral("OUTPUT"));
    const QCommandLineOption dirOption({QStringLiteral("d"), QStringLiteral("output-dir")},
                                       QStringLiteral("Write the pictures into DIR."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption fontOption(QStringLiteral("font"),
                                        QStringLiteral("Font family (default Tahoma)."),
                                        QStringLiteral("FAMILY"));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Font height in pixels (default 14)."),
                                        QStringLiteral("PIXELS"));
    const QCommandLineOption boldOption(QStringLiteral("bold"), QStringLiteral("Bold font."));
    const QCommandLineOption italicOption(QStringLiteral("italic"), QStringLiteral("Italic font."));
    const QCommandLineOption colorOption(QStringLiteral("color"),
                                         QStringLiteral("Text colour: a colour name or #rrggbb."),
                                         QStringLiteral("COLOR"));
    const QCommandLineOption backgroundOption(
        QStringLiteral("background"),
        QStringLiteral("Background colour: a colour name or #rrggbb."), QStringLiteral("COLOR"));
    const QCommandLineOption widthOption(
        QStringLiteral("width"),
        QStringLiteral("Picture width in pixels (default %1, the window's).")
            .arg(textarea::PictureWidth),
        QStringLiteral("PIXELS"));
    const QCommandLineOption noFooterOption(
        QStringLiteral("no-footer"),
        QStringLiteral("Leave out the three footer lines (for a text copy the window wrote)."));
    const QCommandLineOption pageOption(
        QStringLiteral("page-height"),
        QStringLiteral("Cut the text into pages of whole lines, each at most PIXELS high with "
                       "its blank band: FILE-1.jpg, FILE-2.jpg, ..."),
        QStringLiteral("PIXELS"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("Show no progress line."));
    parser.addOptions({outputOption, dirOption, fontOption, sizeOption, boldOption, italicOption,
                       colorOption, backgroundOption, widthOption, noFooterOption, pageOption,
                       quietOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    Options options;
    QStringList inputs;
    try {
        if (!parser.parse(QCoreApplication::arguments()))
            throw UsageFailure{parser.errorText()};
        if (parser.isSet(helpOption))
            parser.showHelp(0);
        if (parser.isSet(versionOption))
            parser.showVersion();
        options.font = textarea::defaultFont();
        if (parser.isSet(fontOption) || parser.isSet(sizeOption) || parser.isSet(boldOption) ||
            parser.isSet(italicOption)) {
            QFont chosen = options.font;
            if (parser.isSet(fontOption))
                chosen.setFamily(parser.value(fontOption));
            if (parser.isSet(sizeOption))
                chosen.setPixelSize(pixels(parser, sizeOption, 1));
            if (parser.isSet(boldOption))
                chosen.setBold(true);
            if (parser.isSet(italicOption))
                chosen.setItalic(true);
            options.font = withChineseFallback(chosen);
        }
        if (parser.isSet(colorOption))
            options.color = colour(parser, colorOption);
        if (parser.isSet(backgroundOption))
            options.background = colour(parser, backgroundOption);
        if (parser.isSet(widthOption))
            options.width = pixels(parser, widthOption, 1);
        options.footer = !parser.isSet(noFooterOption);
        if (parser.isSet(pageOption))
            options.pageHeight = pixels(parser, pageOption, picture::ExtraHeight + 1);
        options.quiet = parser.isSet(quietOption);
        options.outputDir = parser.value(dirOption);
        options.output = parser.value(outputOption);
        inputs = parser.positionalArguments();
        if (inputs.isEmpty())
            inputs << QStringLiteral("-");
        if (parser.isSet(outputOption) && inputs.size() > 1)
            throw UsageFailure{QStringLiteral("--output takes a single FILE")};
        if (parser.isSet(outputOption) && parser.isSet(dirOption))
            throw UsageFailure{QStringLiteral("--output and --output-dir exclude each other")};
        if (parser.isSet(outputOption) && options.output.isEmpty())
            throw UsageFailure{QStringLiteral("--output: an empty name")};
        if (options.pageHeight && options.output == QLatin1String("-"))
            throw UsageFailure{QStringLiteral("--page-height writes files, not standard output")};
        const bool toStandardOutput =
            options.output == QLatin1String("-") ||
            (options.output.isEmpty() && inputs.contains(QLatin1String("-")));
        if (toStandardOutput && options.pageHeight)
            throw UsageFailure{QStringLiteral("--page-height writes files: give --output")};
        if (toStandardOutput && ::isatty(STDOUT_FILENO))
            throw UsageFailure{
                QStringLiteral("will not write a picture to a terminal: give --output")};
    } catch (const UsageFailure& failure) {
        std::fprintf(stderr,
                     "zorna-convert: %s\nTry 'zorna-convert --help' for more information.\n",
                     qPrintable(failure.message));
        return UsageError;
    }

    Converter converter(options);
    Progress progress(!options.quiet && inputs.size() > 1 && ::isatty(STDERR_FILENO),
                      int(inputs.size()));
    int status = 0;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString& input = inputs[i];
        progress.show(int(i), input);
        try {
            converter.convert(input);
        } catch (...) {
            progress.clear();
            std::fprintf(stderr, "%s: %s\n", qPrintable(input),
                         qPrintable(exceptionBoxText(std::current_exception())));
            status = Failed;
        }
    }
    progress.clear();
    return status;
}
