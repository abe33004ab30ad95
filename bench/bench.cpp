// Benchmark of the conversion through the real window, offscreen, in a folder of its own.
// Prints one table: per workload the picture, the whole conversion (median and range of 5 runs
// after a warm-up), its stages, peak memory above the idle program, and libjpeg alone on the
// same raster. Then the command-line converter as whole processes, against cjpeg and pango-view
// on the same input; last what the flushes to disk cost. Run: build/bench/zorna-bench
// (--flushes for that alone)

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/picture/codepage.h"
#include "lib/picture/files.h"
#include "lib/picture/footer.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/picture.h"
#include "lib/picture/profile.h"
#include "lib/picture/warmup.h"
#include "shell/Communal.h"
#include "ui/Unit1.h"
#include "workloads.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What the flushes cost: this program's own fdatasync and fsync come before the C library's, and
// skip the flush while skipFlushes is set.
namespace {
bool skipFlushes = false;
int flushOrSkip(const char* name, int fd) {
    using Call = int (*)(int);
    return skipFlushes ? 0 : reinterpret_cast<Call>(::dlsym(RTLD_NEXT, name))(fd);
}
} // namespace
extern "C" int fdatasync(int fd) {
    return flushOrSkip("fdatasync", fd);
}
extern "C" int fsync(int fd) {
    return flushOrSkip("fsync", fd);
}

namespace {

constexpr int Runs = 5;
QString lastMessage;

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

// Message boxes are answered at once; the last one's text is kept.
void answerBoxes() {
    SetMessageBoxHook([](QMessageBox& box) {
        lastMessage = box.text();
        return true;
    });
}

// One key typed into the text area, as it takes it; the time it took.
double typeKey(TMemo* memo) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(memo, &press);
    QApplication::sendEvent(memo, &release);
    return ms(t.nsecsElapsed());
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString range(const std::vector<double>& v, int precision = 1) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return QStringLiteral("%1 (%2-%3)")
        .arg(median(v), 0, 'f', precision)
        .arg(*lo, 0, 'f', precision)
        .arg(*hi, 0, 'f', precision);
}

qint64 statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Resets the peak resident size to the current one (Linux).
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

struct Row {
    QString name, picture, whole, layout, paint, copy, compress, write, encoder, ratio, peak;
    double wholeMedian = 0;
};

// 3 s, or ZORNA_BENCH_IDLE_MS (under valgrind, everything takes longer).
int idleLimitMs() {
    bool ok = false;
    const int limit = qEnvironmentVariableIntValue("ZORNA_BENCH_IDLE_MS", &ok);
    return ok ? limit : 3000;
}

// Lets the window have the event loop after a change of its text, as it has while the user
// reaches for the button: until it has nothing left to prepare, at most 3 s. The time it took.
double idleUntilReady(TForm1& form) {
    QElapsedTimer t;
    t.start();
    const MemoWarmUp* warmUp = form.Memo1->findChild<MemoWarmUp*>();
    do
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    while (warmUp && !warmUp->done() && t.elapsed() < idleLimitMs());
    return ms(t.nsecsElapsed());
}

struct Stages {
    double whole = 0, layout = 0, paint = 0, compress = 0, write = 0, ready = 0;
    double flush = 0;   // of both files and their folder
    double encoder = 0; // libjpeg alone on the same picture, in the same process just after
};

Stages convertProfiled(TForm1& form, const QString& text, bool idle) {
    Stages st;
    form.Memo1->SetText(text);
    QCoreApplication::processEvents();
    if (idle)
        st.ready = idleUntilReady(form);
    ConversionProfile profile;
    conversionProfile = &profile;
    QElapsedTimer t;
    t.start();
    Application->Guard([&] { form.BitBtn1Click(); });
    st.whole = ms(t.nsecsElapsed());
    conversionProfile = nullptr;
    st.layout = ms(profile.layout);
    st.paint = ms(profile.paint);
    st.compress = ms(profile.compress);
    st.write = ms(profile.write);
    st.flush = ms(profile.flush);
    if (!lastMessage.startsWith(QLatin1String("Picture has been saved")))
        std::fprintf(stderr, "%s\n", qPrintable(lastMessage));
    return st;
}

// libjpeg alone on the raster of the text area as it is, from memory, with the same settings:
// the times of runs after a warm-up.
std::vector<double> encoderAlone(TForm1& form, int runs, QSize* size = nullptr) {
    const MemoSnapshot snapshot(*form.Memo1);
    const int height = snapshot.linesHeight() + TForm1::ExtraHeight;
    QImage raster(snapshot.width(), height, QImage::Format_RGB32);
    snapshot.paint(raster, 0);
    raster = raster.convertToFormat(QImage::Format_RGB888);
    if (size)
        *size = raster.size();
    std::vector<double> encoder;
    for (int i = 0; i < runs + 1; ++i) {
        QElapsedTimer t;
        t.start();
        JpegWriter writer(raster.width(), raster.height(), JpegWriter::Input::Rgb888);
        writer.writeRows(raster.constBits(), raster.height(), raster.bytesPerLine());
        const QByteArray stream = writer.finish();
        if (i > 0) // the first is the warm-up
            encoder.push_back(ms(t.nsecsElapsed()));
    }
    return encoder;
}

// The whole conversion with its flushes and with them skipped, in turns, FlushRuns each after a
// warm-up; and the time the flushes took.
constexpr int FlushRuns = 9;
QString measureFlushes(TForm1& form, const QString& text) {
    std::vector<double> with, without, flushes;
    for (int i = 0; i <= 2 * FlushRuns; ++i) {
        skipFlushes = i % 2 == 0;
        const Stages st = convertProfiled(form, text, true);
        if (i == 0) // the warm-up
            continue;
        (skipFlushes ? without : with).push_back(st.whole);
        if (!skipFlushes)
            flushes.push_back(st.flush);
    }
    skipFlushes = false;
    return QStringLiteral("with %1, without %2, flushes %3, cost %4 %")
        .arg(range(with), range(without), range(flushes))
        .arg(100 * (median(with) / median(without) - 1), 0, 'f', 0);
}

Row measureConversion(TForm1& form, const QString& name, const QString& text) {
    Row row;
    row.name = name;
    convertProfiled(form, text, true); // warm-up: fonts and glyph caches

    std::vector<double> whole, layout, paint, compress, write, peak;
    for (int i = 0; i < Runs; ++i) {
        malloc_trim(0); // what earlier runs freed is given back, so the peak counts this run
        resetPeak();
        const qint64 idle = statusKb("VmRSS:");
        const Stages st = convertProfiled(form, text, true);
        peak.push_back(double(statusKb("VmHWM:") - idle) / 1024.0);
        whole.push_back(st.whole);
        layout.push_back(st.layout);
        paint.push_back(st.paint);
        compress.push_back(st.compress);
        write.push_back(st.write);
    }
    QSize raster;
    const std::vector<double> encoder = encoderAlone(form, Runs, &raster);

    row.picture = QStringLiteral("%1 x %2").arg(raster.width()).arg(raster.height());
    row.whole = range(whole);
    row.layout = QString::number(median(layout), 'f', 1);
    row.paint = QString::number(median(paint), 'f', 1);
    row.copy = QStringLiteral("0"); // the encoder reads the painted rows in place
    row.compress = QString::number(median(compress), 'f', 1);
    row.write = QString::number(median(write), 'f', 1);
    row.encoder = range(encoder);
    row.ratio = QString::number(median(whole) / median(encoder), 'f', 2);
    row.wholeMedian = median(whole);
    row.peak = QString::number(median(peak), 'f', 1);
    return row;
}

// One keystroke at the end of a 100,000-byte text: the key press as the text area takes it, and
// the length indicator's handler alone.
std::pair<QString, QString> measureKeystroke(TForm1& form, const QString& text) {
    form.Memo1->SetText(text);
    form.Memo1->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    std::vector<double> key, handler;
    for (int i = 0; i < 201; ++i) {
        const double k = typeKey(form.Memo1);
        QElapsedTimer t;
        t.start();
        form.Memo1Change();
        const double h = ms(t.nsecsElapsed());
        if (i > 0) {
            key.push_back(k);
            handler.push_back(h);
        }
    }
    return {range(key, 3), range(handler, 3)};
}

// Setting a whole 100,000-byte text, as a paste does (the emoji formats are found then): median
// and range of 5.
QString measurePaste(TForm1& form, const QString& text) {
    std::vector<double> times;
    for (int i = 0; i < Runs + 1; ++i) {
        form.Memo1->SetText(QString());
        QElapsedTimer t;
        t.start();
        form.Memo1->SetText(text);
        if (i > 0)
            times.push_back(ms(t.nsecsElapsed()));
    }
    return range(times);
}

// Start-up, from process start to the window's first frame painted: the program's window, a bare
// Qt window, and a bare window showing one line of text (which needs the fonts too).
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

int startupChild(const QString& kind, const QString& folder, int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    QWidget* window = nullptr;
    if (kind == QLatin1String("app")) {
        Communal::SetProgramFolder(folder);
        Application->Initialize();
        Application->SetTitle(TForm1::Caption);
        window = new TForm1;
    } else {
        window = new QWidget;
        window->resize(558, 588);
        if (kind == QLatin1String("label"))
            (new QLabel(QStringLiteral("The current length: 0"), window))->move(10, 10);
    }
    FirstPaint firstPaint;
    app.installEventFilter(&firstPaint); // the first widget of the window to paint
    window->show();
    const int rc = app.exec();
    delete window;
    return rc;
}

QString measureStartup(const QString& kind, const QString& folder, double* medianOut) {
    std::vector<double> times;
    for (int i = 0; i < Runs + 1; ++i) {
        QProcess child;
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--startup-child"), kind, folder});
        child.waitForReadyRead(30000);
        const double elapsed = ms(t.nsecsElapsed());
        child.waitForFinished(30000);
        if (i > 0)
            times.push_back(elapsed);
    }
    *medianOut = median(times);
    return range(times);
}

// The workloads of the table, by number: the text and, for prose, the same kind of text drawn
// from other characters (glyphs that the first text did not bring into the process).
struct Workload {
    QString text;
    QString newGlyphs; // empty where the text has no glyphs to be new (short Latin lines)
};

int w3LineCount(TForm1& form) {
    // As many short lines as fit under the picture limit with the footer.
    form.Memo1->SetText(QString());
    form.Memo1->AddLine(QStringLiteral("x"));
    const int pitch = MemoSnapshot(*form.Memo1).linesHeight();
    form.Memo1->SetText(workloads::shortLines(1));
    form.BitBtn1Click();
    const int footer = MemoSnapshot(*form.Memo1).linesHeight() - pitch;
    form.Memo1->SetText(QString());
    return (JpegWriter::MaxDimension - TForm1::ExtraHeight - footer) / pitch;
}

Workload workload(int number, int w3Lines) {
    switch (number) {
    case 1:
        return {workloads::chineseProse(2000, 40, 200, 1),
                workloads::chineseProse(2000, 40, 200, 1, 1)};
    case 2:
        return {workloads::chineseProse(100000, 40, 200, 2),
                workloads::chineseProse(100000, 40, 200, 2, 1)};
    default:
        return {workloads::shortLines(w3Lines), QString()};
    }
}

void printStages(const char* what, const Stages& st) {
    std::printf("%s %f %f %f %f %f %f %f\n", what, st.whole, st.layout, st.paint, st.compress,
                st.write, st.ready, st.encoder);
}

// A fresh process: the workload's text converted first, then text with new glyphs set into the
// now warm window and converted. Pressed at once, or after the window has been idle.
int firstChild(int number, bool idle, const QString& folder, int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    Communal::SetProgramFolder(folder);
    Application->SetTitle(TForm1::Caption);
    answerBoxes();
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    // W3's line count comes from the parent, which measured it, so this process draws nothing
    // before its first conversion.
    const Workload w = workload(number, qEnvironmentVariableIntValue("ZORNA_BENCH_W3_LINES"));
    auto convert = [&](const char* what, const QString& text) {
        Stages st = convertProfiled(form, text, idle);
        st.encoder = median(encoderAlone(form, 3));
        printStages(what, st);
    };
    convert("first", w.text);
    if (!w.newGlyphs.isEmpty())
        convert("paste", w.newGlyphs);
    std::fflush(stdout);
    return 0;
}

struct FirstRow {
    Stages first, paste;
    bool hasPaste = false;
};

Stages medianStages(const std::vector<Stages>& runs) {
    auto med = [&](double Stages::*field) {
        std::vector<double> v;
        for (const Stages& st : runs)
            v.push_back(st.*field);
        return median(v);
    };
    Stages m;
    for (double Stages::*f : {&Stages::whole, &Stages::layout, &Stages::paint, &Stages::compress,
                              &Stages::write, &Stages::ready, &Stages::encoder})
        m.*f = med(f);
    return m;
}

constexpr int FreshRuns = 3;

FirstRow measureFirst(int number, bool idle, const QString& folder, int w3Lines) {
    std::vector<Stages> first, paste;
    for (int i = 0; i < FreshRuns; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZORNA_BENCH_W3_LINES"), QString::number(w3Lines));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--first-child"), QString::number(number),
                     idle ? QStringLiteral("idle") : QStringLiteral("at-once"), folder});
        child.waitForFinished(120000);
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 8)
                continue;
            Stages st;
            st.whole = f[1].toDouble();
            st.layout = f[2].toDouble();
            st.paint = f[3].toDouble();
            st.compress = f[4].toDouble();
            st.write = f[5].toDouble();
            st.ready = f[6].toDouble();
            st.encoder = f[7].toDouble();
            (f[0] == "first" ? first : paste).push_back(st);
        }
    }
    FirstRow row;
    if (!first.empty())
        row.first = medianStages(first);
    row.hasPaste = !paste.empty();
    if (row.hasPaste)
        row.paste = medianStages(paste);
    return row;
}

// This thread's processor time: what it spent working, whatever else the machine runs.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Typing just after a paste, in a fresh process: 100,000 bytes pasted into the empty text area,
// then a key every 50 ms for 2 s. Each keystroke's own time, and the longest the event loop went
// without turning: a 1 ms timer's longest gap less its interval, in wall time and in this
// thread's processor time (which the machine's other load does not stretch).
int typingChild(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    Communal::SetProgramFolder(folder.path());
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    form.Memo1->setFocus();
    form.Memo1->insertPlainText(workload(2, 0).text);

    std::vector<double> keys;
    double longest = 0, longestCpu = 0;
    QElapsedTimer since;
    since.start();
    double cpuSince = threadCpuMs();
    QTimer monitor;
    monitor.setTimerType(Qt::PreciseTimer);
    QObject::connect(&monitor, &QTimer::timeout, [&] {
        const double cpu = threadCpuMs();
        longest = std::max(longest, ms(since.nsecsElapsed()) - 1.0);
        longestCpu = std::max(longestCpu, cpu - cpuSince);
        since.restart();
        cpuSince = cpu;
    });
    QTimer typist;
    typist.setTimerType(Qt::PreciseTimer);
    QObject::connect(&typist, &QTimer::timeout, [&] {
        keys.push_back(typeKey(form.Memo1));
        if (keys.size() == 40)
            QCoreApplication::quit();
    });
    monitor.start(1);
    typist.start(50);
    app.exec();
    std::printf("typing %f %f %f\n", median(keys), longest, longestCpu);
    std::fflush(stdout);
    return 0;
}

QString measureTyping() {
    std::vector<double> key, stall, stallCpu;
    for (int i = 0; i < FreshRuns; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--typing-child")});
        child.waitForFinished(120000);
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        if (f.size() == 4) {
            key.push_back(f[1].toDouble());
            stall.push_back(f[2].toDouble());
            stallCpu.push_back(f[3].toDouble());
        }
    }
    if (key.empty())
        return QStringLiteral("failed");
    return QStringLiteral("keystroke median %1 ms, longest stall %2 ms (processor time %3 ms)")
        .arg(median(key), 0, 'f', 3)
        .arg(range(stall))
        .arg(range(stallCpu));
}

qint64 openFds() {
    return qint64(QDir(QStringLiteral("/proc/self/fd"))
                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                      .size());
}

// Long use: conversions one after another, each text pasted into the text area and cleared
// by a double-click afterwards, as a user does. Resident memory (after giving freed memory
// back) and open descriptors after each count of conversions in marks.
QString measureLongUse(TForm1& form, const QString& text, const std::vector<int>& marks) {
    QString report;
    int done = 0;
    for (int mark : marks) {
        for (; done < mark; ++done) {
            form.Memo1->insertPlainText(text);
            Application->Guard([&] { form.BitBtn1Click(); });
            form.Memo1DblClick();
            QCoreApplication::processEvents();
        }
        malloc_trim(0);
        report += QStringLiteral("%1after %2: RSS %3 MB, %4 fds")
                      .arg(report.isEmpty() ? "" : "; ")
                      .arg(mark)
                      .arg(double(statusKb("VmRSS:")) / 1024.0, 0, 'f', 1)
                      .arg(openFds());
    }
    return report;
}

// One run of a program as its own process, standard output into a file (or /dev/null) and
// standard error discarded: wall time, peak resident size, exit status. A small process of this
// program starts it: a child's peak counts from the resident size of the process it came from.
struct ProcessRun {
    double ms = 0;
    double cpuMs = 0; // user and system, all threads
    double peakMb = 0;
    int exitCode = -1;
};

// The small process: runs argv[0] with its standard output into output, prints the figures.
int measureChild(const char* output, char** argv) {
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return 1;
    const auto cpu = [](const timeval& v) { return double(v.tv_sec) * 1e3 + v.tv_usec / 1e3; };
    std::printf("%f %f %ld %d\n", ms(t.nsecsElapsed()), cpu(usage.ru_utime) + cpu(usage.ru_stime),
                usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

ProcessRun runProcess(const QStringList& args,
                      const QString& output = QStringLiteral("/dev/null")) {
    QProcess helper;
    helper.start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("--measure-child"), output} + args);
    helper.waitForFinished(-1);
    const QList<QByteArray> figures = helper.readAllStandardOutput().trimmed().split(' ');
    ProcessRun run;
    if (figures.size() == 4) {
        run.ms = figures[0].toDouble();
        run.cpuMs = figures[1].toDouble();
        run.peakMb = figures[2].toDouble() / 1024.0;
        run.exitCode = figures[3].toInt();
    }
    return run;
}

// Runs after a warm-up: wall and processor times, and the last run.
struct Timed {
    std::vector<double> wall, cpu;
    ProcessRun last;
};

Timed timeProcess(const QStringList& args, const QString& output = QStringLiteral("/dev/null")) {
    Timed timed;
    for (int i = 0; i < Runs + 1; ++i) {
        timed.last = runProcess(args, output);
        if (i > 0) {
            timed.wall.push_back(timed.last.ms);
            timed.cpu.push_back(timed.last.cpuMs);
        }
    }
    return timed;
}

void writeText(const QString& path, const QString& text) {
    saveWholeFile(path, codepage::encode(text));
}

// The command-line converter as scripts run it: whole processes, each against a reference run in
// the same way on the same input.
QString measureConverter(TForm1& form, const QString& folder, const QString& prose,
                         const QString& tallest, double windowW1) {
    const QString convert = QStringLiteral(ZORNA_CONVERT);
    QString report;
    QTextStream out(&report);

    // C1: 100,000 bytes of prose, against cjpeg on the raster the converter compresses.
    const QString text = folder + QStringLiteral("/prose.txt");
    writeText(text, prose);
    const QString jpeg = folder + QStringLiteral("/prose.jpg");
    const Timed whole = timeProcess({convert, QStringLiteral("-q"), text});
    form.Memo1->SetText(prose);
    footer::appendTo(*form.Memo1);
    const MemoSnapshot snapshot(*form.Memo1);
    QImage raster(snapshot.width(), snapshot.linesHeight() + picture::ExtraHeight,
                  QImage::Format_RGB32);
    snapshot.paint(raster, 0);
    const QString ppm = folder + QStringLiteral("/prose.ppm");
    raster.convertToFormat(QImage::Format_RGB888).save(ppm, "PPM");
    const QString reference = folder + QStringLiteral("/cjpeg.jpg");
    const Timed cjpeg = timeProcess({QStringLiteral("cjpeg"), QStringLiteral("-quality"),
                                     QStringLiteral("75"), QStringLiteral("-baseline"),
                                     QStringLiteral("-dct"), QStringLiteral("float"), ppm},
                                    reference);
    QFile a(jpeg), b(reference);
    const bool same =
        a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.readAll() == b.readAll();
    out << "C1 zorna-convert, prose of " << codepage::byteLength(prose) << " B (" << raster.width()
        << " x " << raster.height() << "), whole process: " << range(whole.wall) << " ms, CPU "
        << range(whole.cpu) << " ms; cjpeg on the same raster " << range(cjpeg.wall) << " ms, CPU "
        << range(cjpeg.cpu) << " ms" << (same ? " (same bytes)" : " (other bytes!)") << ": ratio "
        << QString::number(median(whole.wall) / median(cjpeg.wall), 'f', 2) << ", CPU "
        << QString::number(median(whole.cpu) / median(cjpeg.cpu), 'f', 2) << "\n";

    // The same text through pango-view, for the record, when it is installed.
    if (QStandardPaths::findExecutable(QStringLiteral("pango-view")).isEmpty()) {
        out << "   pango-view: not installed\n";
    } else {
        const QString png = folder + QStringLiteral("/pango.png");
        const Timed pango = timeProcess(
            {QStringLiteral("pango-view"), QStringLiteral("-q"), QStringLiteral("--dpi=96"),
             QStringLiteral("--width=%1").arg(raster.width()), QStringLiteral("--wrap=word-char"),
             QStringLiteral("--font=Tahoma 10.5"), QStringLiteral("--output=") + png, text});
        out << "   pango-view on the same text: " << range(pango.wall) << " ms, CPU "
            << range(pango.cpu) << " ms, peak " << QString::number(pango.last.peakMb, 'f', 1)
            << " MB, exit " << pango.last.exitCode << ", " << QFileInfo(png).size()
            << "-byte PNG\n";
    }

    // C2: a batch of 200 posts in one process, against the window's W1 per conversion.
    const QString posts = folder + QStringLiteral("/posts");
    const QString pictures = folder + QStringLiteral("/pictures");
    QDir().mkpath(posts);
    QDir().mkpath(pictures);
    QStringList batch{convert, QStringLiteral("-q"), QStringLiteral("-d"), pictures};
    constexpr int Posts = 200;
    for (int i = 0; i < Posts; ++i) {
        const QString post = posts + QStringLiteral("/post %1.txt").arg(i + 1);
        writeText(post, workloads::chineseProse(2000, 40, 200, 100 + unsigned(i)));
        batch << post;
    }
    const Timed batchTimes = timeProcess(batch);
    const double perFile = median(batchTimes.wall) / Posts;
    out << "C2 batch of " << Posts
        << " posts of 2,000 B in one process: " << range(batchTimes.wall, 0) << " ms, CPU "
        << range(batchTimes.cpu, 0) << " ms, " << QString::number(1000.0 / perFile, 'f', 0)
        << " files/s, " << QString::number(perFile, 'f', 1) << " ms a file against the window's W1 "
        << QString::number(windowW1, 'f', 1) << " ms: ratio "
        << QString::number(perFile / windowW1, 'f', 2) << "\n";

    // C3: peak memory of the tallest picture, and of pages as tall as a JPEG can be, above a
    // one-line conversion in the same program.
    const QString line = folder + QStringLiteral("/line.txt");
    writeText(line, QStringLiteral("一行"));
    const QString tall = folder + QStringLiteral("/tallest.txt");
    writeText(tall, tallest);
    const QString twice = folder + QStringLiteral("/twice.txt");
    writeText(twice, tallest + tallest);
    auto peak = [&](const QStringList& args) {
        std::vector<double> peaks;
        for (int i = 0; i < Runs; ++i)
            peaks.push_back(runProcess(args).peakMb);
        return median(peaks);
    };
    const double idle = peak({convert, QStringLiteral("-q"), line});
    const double tallestPeak = peak({convert, QStringLiteral("-q"), tall});
    const double pagesPeak = peak({convert, QStringLiteral("-q"), QStringLiteral("--page-height"),
                                   QString::number(JpegWriter::MaxDimension), twice});
    out << "C3 peak memory above a one-line conversion (" << QString::number(idle, 'f', 1)
        << " MB): the tallest picture " << QString::number(tallestPeak - idle, 'f', 1)
        << " MB, pages of " << JpegWriter::MaxDimension << " rows "
        << QString::number(pagesPeak - idle, 'f', 1) << " MB (bound 48 MB)\n";
    return report;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && qstrcmp(argv[1], "--measure-child") == 0)
        return measureChild(argv[2], argv + 3);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 4 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), argc,
                            argv);
    if (argc >= 5 && qstrcmp(argv[1], "--first-child") == 0)
        return firstChild(std::atoi(argv[2]), qstrcmp(argv[3], "idle") == 0,
                          QString::fromLocal8Bit(argv[4]), argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--typing-child") == 0)
        return typingChild(argc, argv);
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    Application->SetTitle(TForm1::Caption);
    QTemporaryDir folder;
    Communal::SetProgramFolder(folder.path());
    answerBoxes();
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    QTextStream out(stdout);
    const auto flushes = [&] {
        return QStringLiteral(
                   "Flushes (the whole conversion in ms, %1 runs each, in turns, in %2): "
                   "W1 %3; W2 %4\n")
            .arg(FlushRuns)
            .arg(folder.path(), measureFlushes(form, workload(1, 0).text),
                 measureFlushes(form, workload(2, 0).text));
    };
    if (argc >= 2 && qstrcmp(argv[1], "--flushes") == 0) { // these alone
        out << flushes();
        return 0;
    }
    // W2 with emoji throughout: the conversion beside W2's, keystrokes and pastes in both.
    const QString w2Prose = workload(2, 0).text;
    const QString w2Emoji = workloads::withEmoji(w2Prose, 100000, 20);
    auto emojiFigures = [&] {
        const Row emojiRow =
            measureConversion(form, QStringLiteral("W2e with emoji, 100,000 B"), w2Emoji);
        const auto [key, handler] = measureKeystroke(form, w2Emoji);
        const QString paste = measurePaste(form, w2Prose);
        const QString emojiPaste = measurePaste(form, w2Emoji);
        form.Memo1->SetText(QString());
        return std::make_pair(emojiRow,
                              QStringLiteral("W4e one keystroke in 100,000 B with emoji "
                                             "throughout: key press %1, length handler %2; "
                                             "setting the whole text (a paste): %3 with emoji, "
                                             "%4 without\n")
                                  .arg(key, handler, emojiPaste, paste));
    };
    if (argc >= 2 && qstrcmp(argv[1], "--emoji") == 0) { // these alone
        const Row w2Row = measureConversion(form, QStringLiteral("W2 prose, 100,000 B"), w2Prose);
        const auto [emojiRow, keys] = emojiFigures();
        out << "workload, picture, whole, layout, paint, compress, encoder alone, ratio\n";
        for (const Row& r : {w2Row, emojiRow})
            out << r.name << ", " << r.picture << ", " << r.whole << ", " << r.layout << ", "
                << r.paint << ", " << r.compress << ", " << r.encoder << ", " << r.ratio << "\n";
        const auto [key, handler] = measureKeystroke(form, w2Prose);
        out << "W4 one keystroke in 100,000 B: key press " << key << ", length handler " << handler
            << "\n"
            << keys;
        return 0;
    }

    // First conversions in fresh processes, before this one loads the machine's caches further.
    const int w3Lines = w3LineCount(form);
    std::vector<FirstRow> atOnce, afterIdle;
    for (int number = 1; number <= 3; ++number) {
        atOnce.push_back(measureFirst(number, false, folder.path(), w3Lines));
        afterIdle.push_back(measureFirst(number, true, folder.path(), w3Lines));
    }
    const QString typing = measureTyping();

    const QString& w2 = w2Prose;
    std::vector<Row> rows;
    rows.push_back(
        measureConversion(form, QStringLiteral("W1 post, 2,000 B"), workload(1, 0).text));
    rows.push_back(measureConversion(form, QStringLiteral("W2 prose, 100,000 B"), w2));
    rows.push_back(measureConversion(form, QStringLiteral("W3 tallest, %1 lines").arg(w3Lines),
                                     workload(3, w3Lines).text));
    const auto [key, handler] = measureKeystroke(form, w2);
    const auto [emojiRow, emojiKeys] = emojiFigures();
    form.Memo1->SetText(QString());
    const QString longUse =
        measureLongUse(form, workloads::chineseProse(2000, 40, 200, 3), {100, 1000});
    double appStart = 0, bareStart = 0, labelStart = 0;
    const QString appStartText = measureStartup(QStringLiteral("app"), folder.path(), &appStart);
    const QString bareStartText = measureStartup(QStringLiteral("bare"), folder.path(), &bareStart);
    const QString labelStartText =
        measureStartup(QStringLiteral("label"), folder.path(), &labelStart);

    const QString converter =
        measureConverter(form, folder.path(), w2, workload(3, w3Lines).text, rows[0].wholeMedian);
    const QString flushCost = flushes();

    out << "Code page " << codepage::name() << ", " << Runs << " runs after a warm-up; times in ms "
        << "as median (min-max), memory in MB above the idle program.\n\n";
    out << qSetFieldWidth(27) << Qt::left << "workload" << qSetFieldWidth(13) << "picture"
        << qSetFieldWidth(20) << "whole" << qSetFieldWidth(9) << "layout"
        << "paint"
        << "copy"
        << "compress"
        << "write" << qSetFieldWidth(20) << "encoder alone" << qSetFieldWidth(7) << "ratio"
        << "peak" << qSetFieldWidth(0) << "\n";
    auto printRow = [&](const Row& r) {
        out << qSetFieldWidth(27) << r.name << qSetFieldWidth(13) << r.picture << qSetFieldWidth(20)
            << r.whole << qSetFieldWidth(9) << r.layout << r.paint << r.copy << r.compress
            << r.write << qSetFieldWidth(20) << r.encoder << qSetFieldWidth(7) << r.ratio << r.peak
            << qSetFieldWidth(0) << "\n";
    };
    for (const Row& r : rows) {
        printRow(r);
        if (&r == &rows[1])
            printRow(emojiRow); // beside W2: the same prose with emoji throughout
    }
    out << "\nFirst conversion in a fresh process (median of " << FreshRuns
        << " processes), and first after paste (text of new glyphs set into that warm window),\n"
        << "pressed at once, or after the window's idle time (ready: how long it took); the "
           "encoder alone on the same picture in the same process, and the ratio:\n";
    out << qSetFieldWidth(27) << "workload" << qSetFieldWidth(22) << "conversion"
        << qSetFieldWidth(9) << "whole"
        << "layout"
        << "paint"
        << "compress"
        << "write"
        << "ready"
        << "encoder"
        << "ratio" << qSetFieldWidth(0) << "\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        auto line = [&](const char* what, const Stages& st) {
            out << qSetFieldWidth(27) << rows[i].name << qSetFieldWidth(22) << what
                << qSetFieldWidth(9) << QString::number(st.whole, 'f', 1)
                << QString::number(st.layout, 'f', 1) << QString::number(st.paint, 'f', 1)
                << QString::number(st.compress, 'f', 1) << QString::number(st.write, 'f', 1)
                << QString::number(st.ready, 'f', 0) << QString::number(st.encoder, 'f', 1)
                << QString::number(st.whole / st.encoder, 'f', 2) << qSetFieldWidth(0) << "\n";
        };
        line("first, at once", atOnce[i].first);
        line("first, after idle", afterIdle[i].first);
        if (atOnce[i].hasPaste)
            line("after paste, at once", atOnce[i].paste);
        if (afterIdle[i].hasPaste)
            line("after paste, idle", afterIdle[i].paste);
    }
    out << "\nW4 one keystroke in 100,000 B: key press " << key << ", length handler " << handler
        << "\n";
    out << emojiKeys;
    out << "W4 typing just after pasting 100,000 B (fresh process, " << FreshRuns
        << " runs, a key every 50 ms): " << typing << "\n";
    out << "W5 start-up to the first frame: program " << appStartText << ", bare Qt window "
        << bareStartText << " (ratio " << QString::number(appStart / bareStart, 'f', 2)
        << "), bare window with a label " << labelStartText << " (ratio "
        << QString::number(appStart / labelStart, 'f', 2) << ")\n";
    out << "W6 long use, 2,000 B pasted, converted, cleared: " << longUse << "\n\n";
    out << converter << "\n" << flushCost;
    return 0;
}
