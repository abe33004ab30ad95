// Benchmark of the conversion through the real window, offscreen, in a folder of its own.
// Prints one table: per workload the picture, the whole conversion (median and range of 5 runs
// after a warm-up), its stages, peak memory above the idle program, and libjpeg alone on the
// same raster. Run: build/bench/zorna-bench

#include "lib/application/application.h"
#include "lib/picture/codepage.h"
#include "lib/application/dialogs.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/profile.h"
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
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

constexpr int Runs = 5;
QString lastMessage;

double ms(qint64 ns) { return double(ns) / 1e6; }

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
};

Row measureConversion(TForm1& form, const QString& name, const QString& text) {
    Row row;
    row.name = name;
    auto convertOnce = [&](ConversionProfile* profile) {
        form.Memo1->SetText(text);
        QCoreApplication::processEvents();
        conversionProfile = profile;
        QElapsedTimer t;
        t.start();
        Application->Guard([&] { form.BitBtn1Click(); });
        const qint64 elapsed = t.nsecsElapsed();
        conversionProfile = nullptr;
        if (!lastMessage.startsWith(QLatin1String("Picture has been saved")))
            std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(lastMessage));
        return elapsed;
    };
    convertOnce(nullptr); // warm-up: fonts and glyph caches

    std::vector<double> whole, layout, paint, compress, write, peak;
    for (int i = 0; i < Runs; ++i) {
        ConversionProfile profile;
        malloc_trim(0); // what earlier runs freed is given back, so the peak counts this run
        resetPeak();
        const qint64 idle = statusKb("VmRSS:");
        whole.push_back(ms(convertOnce(&profile)));
        peak.push_back(double(statusKb("VmHWM:") - idle) / 1024.0);
        layout.push_back(ms(profile.layout));
        paint.push_back(ms(profile.paint));
        compress.push_back(ms(profile.compress));
        write.push_back(ms(profile.write));
    }

    // The reference: libjpeg alone on the same raster, from memory, with the same settings.
    const MemoSnapshot snapshot(*form.Memo1);
    const int height = snapshot.linesHeight() + TForm1::ExtraHeight;
    QImage raster(snapshot.width(), height, QImage::Format_RGB32);
    snapshot.paint(raster, 0);
    raster = raster.convertToFormat(QImage::Format_RGB888);
    std::vector<double> encoder;
    for (int i = 0; i < Runs + 1; ++i) {
        QElapsedTimer t;
        t.start();
        JpegWriter writer(raster.width(), raster.height(), JpegWriter::Input::Rgb888);
        writer.writeRows(raster.constBits(), raster.height(), raster.bytesPerLine());
        const QByteArray stream = writer.finish();
        if (i > 0) // the first is the warm-up
            encoder.push_back(ms(t.nsecsElapsed()));
    }

    row.picture = QStringLiteral("%1 x %2").arg(raster.width()).arg(raster.height());
    row.whole = range(whole);
    row.layout = QString::number(median(layout), 'f', 1);
    row.paint = QString::number(median(paint), 'f', 1);
    row.copy = QStringLiteral("0"); // the encoder reads the painted rows in place
    row.compress = QString::number(median(compress), 'f', 1);
    row.write = QString::number(median(write), 'f', 1);
    row.encoder = range(encoder);
    row.ratio = QString::number(median(whole) / median(encoder), 'f', 2);
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
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QElapsedTimer t;
        t.start();
        QApplication::sendEvent(form.Memo1, &press);
        QApplication::sendEvent(form.Memo1, &release);
        const double k = ms(t.nsecsElapsed());
        t.restart();
        form.Memo1Change();
        const double h = ms(t.nsecsElapsed());
        if (i > 0) {
            key.push_back(k);
            handler.push_back(h);
        }
    }
    return {range(key, 3), range(handler, 3)};
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

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    Application->SetTitle(TForm1::Caption);
    QTemporaryDir folder;
    Communal::SetProgramFolder(folder.path());
    SetMessageBoxHook([](QMessageBox& box) {
        lastMessage = box.text();
        return true;
    });
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();

    const QString w2 = workloads::chineseProse(100000, 40, 200, 2);
    // W3: short lines, as many as fit under the picture limit with the footer.
    form.Memo1->SetText(QString());
    form.Memo1->AddLine(QStringLiteral("x"));
    const int pitch = MemoSnapshot(*form.Memo1).linesHeight();
    form.Memo1->SetText(workloads::shortLines(1));
    form.BitBtn1Click();
    const int footer = MemoSnapshot(*form.Memo1).linesHeight() - pitch;
    const int w3Lines = (JpegWriter::MaxDimension - TForm1::ExtraHeight - footer) / pitch;

    std::vector<Row> rows;
    rows.push_back(measureConversion(form, QStringLiteral("W1 post, 2,000 B"),
                                     workloads::chineseProse(2000, 40, 200, 1)));
    rows.push_back(measureConversion(form, QStringLiteral("W2 prose, 100,000 B"), w2));
    rows.push_back(measureConversion(form, QStringLiteral("W3 tallest, %1 lines").arg(w3Lines),
                                     workloads::shortLines(w3Lines)));
    const auto [key, handler] = measureKeystroke(form, w2);
    form.Memo1->SetText(QString());
    const QString longUse =
        measureLongUse(form, workloads::chineseProse(2000, 40, 200, 3), {100, 1000});
    double appStart = 0, bareStart = 0, labelStart = 0;
    const QString appStartText = measureStartup(QStringLiteral("app"), folder.path(), &appStart);
    const QString bareStartText = measureStartup(QStringLiteral("bare"), folder.path(), &bareStart);
    const QString labelStartText =
        measureStartup(QStringLiteral("label"), folder.path(), &labelStart);

    QTextStream out(stdout);
    out << "Code page " << codepage::name() << ", " << Runs << " runs after a warm-up; times in ms "
        << "as median (min-max), memory in MB above the idle program.\n\n";
    out << qSetFieldWidth(22) << Qt::left << "workload" << qSetFieldWidth(13) << "picture"
        << qSetFieldWidth(20) << "whole" << qSetFieldWidth(8) << "layout" << "paint" << "copy"
        << "compress" << "write" << qSetFieldWidth(20) << "encoder alone" << qSetFieldWidth(7)
        << "ratio" << "peak" << qSetFieldWidth(0) << "\n";
    for (const Row& r : rows)
        out << qSetFieldWidth(22) << r.name << qSetFieldWidth(13) << r.picture
            << qSetFieldWidth(20) << r.whole << qSetFieldWidth(8) << r.layout << r.paint << r.copy
            << r.compress << r.write << qSetFieldWidth(20) << r.encoder << qSetFieldWidth(7)
            << r.ratio << r.peak << qSetFieldWidth(0) << "\n";
    out << "\nW4 one keystroke in 100,000 B: key press " << key << ", length handler " << handler
        << "\n";
    out << "W5 start-up to the first frame: program " << appStartText << ", bare Qt window "
        << bareStartText << " (ratio " << QString::number(appStart / bareStart, 'f', 2)
        << "), bare window with a label " << labelStartText << " (ratio "
        << QString::number(appStart / labelStart, 'f', 2) << ")\n";
    out << "W6 long use, 2,000 B pasted, converted, cleared: " << longUse << "\n";
    return 0;
}
