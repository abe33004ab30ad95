// How files reach their final names: through a temporary, flushed, renamed, the folder flushed,
// all before the confirmation; a process killed at any moment leaves no half file under a final
// name, and the next start removes its temporaries and nothing else.
//
// This program defines write, fdatasync, fsync, renameat and renameat2 itself, so the library's
// calls come here first: they are traced, and a child process can be made to stop at one of them
// (half of a write done) until the test kills it.

#include "lib/application/application.h"
#include "lib/look/controls.h"
#include "lib/picture/codepage.h"
#include "lib/picture/exception.h"
#include "lib/picture/files.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing;

namespace trace {

std::atomic<bool> active{false}; // read first, without the lock, by every traced call
std::mutex mutex;
QByteArray folder;   // the folder whose files are traced, canonical, without a final separator
QStringList events;  // "call|name" or "rename|from|to"; the folder itself is "."
QByteArray stopCall; // the child stops at the stopCount-th call of this kind
int stopCount = 0;

QByteArray pathOf(int fd) {
    char link[64];
    char target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target);
    return n > 0 ? QByteArray(target, n) : QByteArray();
}

QByteArray pathAt(int dir, const char* name) {
    if (name[0] == '/' || dir == AT_FDCWD)
        return QByteArray(name);
    return pathOf(dir) + '/' + name;
}

// The name within the traced folder, or null when the path is elsewhere.
QByteArray nameIn(const QByteArray& path) {
    if (path == folder)
        return ".";
    if (!path.startsWith(folder + '/') || path.indexOf('/', folder.size() + 1) >= 0)
        return {};
    return path.mid(folder.size() + 1);
}

// Records the call; true when the child is to stop here.
bool note(const char* call, const QByteArray& path, const QByteArray& to = {}) {
    std::lock_guard lock(mutex);
    if (folder.isEmpty())
        return false;
    const QByteArray name = nameIn(path);
    if (name.isNull())
        return false;
    QString event = QString::fromLocal8Bit(call) + '|' + QFile::decodeName(name);
    if (!to.isNull())
        event += '|' + QFile::decodeName(nameIn(to));
    events << event;
    return call == stopCall && --stopCount == 0;
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

[[noreturn]] void stopHere() {
    static const char line[] = "stopped\n";
    real<ssize_t (*)(int, const void*, size_t)>("write")(STDOUT_FILENO, line, sizeof line - 1);
    for (;;)
        ::pause();
}

void start(const QString& path) {
    std::lock_guard lock(mutex);
    folder = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    events.clear();
    active = true;
}

QStringList stop() {
    std::lock_guard lock(mutex);
    active = false;
    folder.clear();
    return events;
}

} // namespace trace

extern "C" {

ssize_t write(int fd, const void* data, size_t size) {
    static const auto next = trace::real<ssize_t (*)(int, const void*, size_t)>("write");
    if (trace::active && trace::note("write", trace::pathOf(fd))) {
        next(fd, data, size / 2);
        trace::stopHere();
    }
    return next(fd, data, size);
}

int fdatasync(int fd) {
    static const auto next = trace::real<int (*)(int)>("fdatasync");
    if (trace::active && trace::note("fdatasync", trace::pathOf(fd)))
        trace::stopHere();
    return next(fd);
}

int fsync(int fd) {
    static const auto next = trace::real<int (*)(int)>("fsync");
    if (trace::active && trace::note("fsync", trace::pathOf(fd)))
        trace::stopHere();
    return next(fd);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
    static const auto next =
        trace::real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    if (trace::active &&
        trace::note("rename", trace::pathAt(fromDir, from), trace::pathAt(toDir, to)))
        trace::stopHere();
    return next(fromDir, from, toDir, to, flags);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    return renameat2(fromDir, from, toDir, to, 0);
}

} // extern "C"

namespace {

// About 99,000 bytes of Chinese in lines, ending without a line break.
QString largeText() {
    const QString line =
        QStringLiteral("长文本的一行，写到一半被打断也不能留下半个文件。Line 12345\r\n");
    QString text;
    while (codepage::byteLength(text) + codepage::byteLength(line) < 99000)
        text += line;
    return text.chopped(2);
}

// The child: opens the window on the program folder, converts the large text, stops where
// ZORNA_STOP_AT ("call n") says.
int convertChild(int argc, char** argv) {
    QApplication app(argc, argv);
    startLikeTheProgram();
    const auto form = openMainWindow(QString::fromLocal8Bit(argv[2]));
    if (!form)
        return 2;
    form->Memo1->SetText(largeText());
    QString confirmation;
    SetMessageBoxHook([&](QMessageBox& box) {
        confirmation = box.text();
        return true;
    });
    const QList<QByteArray> stop = qgetenv("ZORNA_STOP_AT").split(' ');
    if (stop.size() == 2) {
        trace::stopCall = stop[0];
        trace::stopCount = stop[1].toInt();
        trace::start(QString::fromLocal8Bit(argv[2]) + QStringLiteral("Pic"));
    }
    std::puts("converting");
    std::fflush(stdout);
    Application->Guard([&] { form->BitBtn1Click(); });
    std::printf("done: %s\n", qPrintable(confirmation));
    std::fflush(stdout);
    return 0;
}

// Files that look a little like temporaries and are none, and one of this program's pattern
// that is a folder: a start leaves them all.
const QStringList Foreign = {"notes.part", ".zorna-abc.part", ".zorna-ABCDEF.part.bak",
                             "zorna-ABCDEF.part", ".zorna-ABCDEF.tmp"};

} // namespace

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

class FilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    int run_ = 0;

    QString newFolder() { return root_.filePath(QStringLiteral("run %1/").arg(++run_)); }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
    }

    // What each way of saving does with what is already at the name; nothing else is left.
    void saving_data() {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("there");  // "", "file", "folder" or "dangling link"
        QTest::addColumn<QString>("result"); // "written", "kept" or the error's pattern
        const QString isDir = QStringLiteral("^Cannot create file \"@PATH@\"\\. Is a directory$");
        QTest::newRow("replace: nothing there") << true << ""
                                                << "written";
        QTest::newRow("replace: a file") << true << "file"
                                         << "written";
        QTest::newRow("replace: a folder") << true << "folder" << isDir;
        QTest::newRow("replace: a link to a file") << true << "link"
                                                   << "through the link";
        QTest::newRow("replace: a pipe") << true << "pipe"
                                         << "into the pipe";
        QTest::newRow("new: nothing there") << false << ""
                                            << "written";
        QTest::newRow("new: a file") << false << "file"
                                     << "kept";
        QTest::newRow("new: a folder") << false << "folder"
                                       << "kept";
        QTest::newRow("new: a dangling link") << false << "dangling link"
                                              << "kept";
    }

    void saving() {
        QFETCH(bool, replace);
        QFETCH(QString, there);
        QFETCH(QString, result);
        const QString folder = newFolder();
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("2026-12-11 131844.jpg");
        if (there == "file") {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        } else if (there == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (there == "dangling link") {
            QVERIFY(QFile::link(folder + "nowhere", path));
        } else if (there == "link") {
            QFile old(folder + "target");
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            QVERIFY(QFile::link(folder + "target", path));
        }
        Descriptor reader;
        if (there == "pipe") {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            reader.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader.fd >= 0);
        }
        const QStringList before = filesIn(folder);
        const QByteArray data(30000, 'd'); // fits in a pipe's buffer
        QString error;
        bool written = false;
        try {
            written = replace ? (saveWholeFile(path, data), true) : saveNewFile(path, data);
        } catch (const Exception& e) {
            error = e.message();
        }
        if (result == "written") {
            QVERIFY2(written && error.isEmpty(), qPrintable(error));
            QCOMPARE(readFile(path), data);
            struct stat st {};
            QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
            const mode_t mask = ::umask(0);
            ::umask(mask);
            QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
            QCOMPARE(filesIn(folder), QStringList{QFileInfo(path).fileName()});
        } else if (result == "through the link") {
            QVERIFY2(written && error.isEmpty(), qPrintable(error));
            QVERIFY(QFileInfo(path).isSymLink());
            QCOMPARE(readFile(folder + "target"), data);
            QCOMPARE(filesIn(folder), before);
        } else if (result == "into the pipe") {
            QVERIFY2(written && error.isEmpty(), qPrintable(error));
            QByteArray got(data.size() + 1, 0);
            QCOMPARE(::read(reader.fd, got.data(), size_t(got.size())), ssize_t(data.size()));
            QVERIFY(got.startsWith(data));
            struct stat st {};
            QVERIFY(::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
            QCOMPARE(filesIn(folder), before);
        } else {
            QVERIFY(!written);
            if (result == "kept")
                QVERIFY2(error.isEmpty(), qPrintable(error));
            else
                QVERIFY2(QRegularExpression(
                             QString(result).replace("@PATH@", QRegularExpression::escape(path)))
                             .match(error)
                             .hasMatch(),
                         qPrintable(error));
            QCOMPARE(filesIn(folder), before);
            if (there == "file")
                QCOMPARE(readFile(path), QByteArray("old"));
        }
    }

    // The order on the way to the confirmation: the whole data into a temporary, the temporary
    // flushed, renamed to its final name, the folder flushed; only then the confirmation.
    void flushedBeforeConfirmed_data() {
        QTest::addColumn<bool>("window");
        QTest::newRow("a conversion in the window") << true;
        QTest::newRow("a file replaced") << false;
    }

    void flushedBeforeConfirmed() {
        QFETCH(bool, window);
        const QString folder = newFolder();
        const QString pic = folder + QStringLiteral("Pic/");
        QStringList finals;
        QStringList events;
        if (window) {
            const auto form = openMainWindow(folder);
            QVERIFY(form);
            form->Memo1->SetText(QStringLiteral("刷新到磁盘 flushed to disk"));
            trace::start(pic);
            const auto boxes =
                whileClosingModals([&] { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); },
                                   [&](QWidget* box) {
                                       events = trace::stop();
                                       events << QStringLiteral("confirmation");
                                       qobject_cast<QDialog*>(box)->accept();
                                   });
            QCOMPARE(boxes.size(), size_t(1));
            QVERIFY2(boxes[0].text.startsWith("Picture has been saved"), qPrintable(boxes[0].text));
            const QString stamp = boxes[0].text.right(21).left(17);
            finals = QStringList{stamp + ".jpg", stamp + ".txt"};
        } else {
            QVERIFY(QDir().mkpath(pic));
            finals = QStringList{"out.jpg"};
            saveWholeFile(pic + finals[0], "first");
            trace::start(pic);
            saveWholeFile(pic + finals[0], QByteArray(50000, 'x'));
            events = trace::stop();
            events << QStringLiteral("confirmation");
        }
        const QString log = events.join(QStringLiteral("\n"));
        const qsizetype confirmed = events.indexOf(QStringLiteral("confirmation"));
        for (const QString& event : events)
            if (event.startsWith(QStringLiteral("write|")))
                QVERIFY2(isTemporaryName(event.section('|', 1, 1)), qPrintable(log));
        for (const QString& name : finals) {
            qsizetype renamed = -1;
            for (qsizetype i = 0; i < events.size(); ++i)
                if (events[i].startsWith(QStringLiteral("rename|")) &&
                    events[i].section('|', 2, 2) == name)
                    renamed = i;
            QVERIFY2(renamed >= 0 && renamed < confirmed, qPrintable(name + "\n" + log));
            const QString temporary = events[renamed].section('|', 1, 1);
            const qsizetype written = events.lastIndexOf("write|" + temporary);
            const qsizetype flushed = events.lastIndexOf("fdatasync|" + temporary);
            QVERIFY2(written >= 0 && written < flushed && flushed < renamed,
                     qPrintable(name + "\n" + log));
            const qsizetype folderFlushed = events.indexOf(QStringLiteral("fsync|."), renamed);
            QVERIFY2(folderFlushed > renamed && folderFlushed < confirmed,
                     qPrintable(name + "\n" + log));
        }
        QCOMPARE(filesIn(pic), finals);
    }

    // A child converting a large text is killed at each step of writing either file, and at
    // moments in between; a final name holds a whole file or nothing.
    void killedAnywhere_data() {
        QTest::addColumn<QByteArray>("stopAt"); // "call n", or empty: killed after a while
        QTest::addColumn<int>("delay");         // ms after the child starts converting
        QTest::addColumn<int>("finals");        // files under a final name afterwards; -1: any
        QTest::addColumn<int>("temporaries");   // -1: any
        QTest::newRow("picture half written") << QByteArray("write 1") << 0 << 0 << 1;
        QTest::newRow("picture written, not flushed") << QByteArray("fdatasync 1") << 0 << 0 << 1;
        QTest::newRow("picture flushed, not renamed") << QByteArray("rename 1") << 0 << 0 << 1;
        QTest::newRow("picture renamed, folder not flushed")
            << QByteArray("fsync 1") << 0 << 1 << 0;
        QTest::newRow("text copy half written") << QByteArray("write 2") << 0 << 1 << 1;
        QTest::newRow("text copy written, not flushed") << QByteArray("fdatasync 2") << 0 << 1 << 1;
        QTest::newRow("text copy flushed, not renamed") << QByteArray("rename 2") << 0 << 1 << 1;
        QTest::newRow("text copy renamed, folder not flushed")
            << QByteArray("fsync 2") << 0 << 2 << 0;
        for (int delay : {0, 50, 100, 150, 200, 250})
            QTest::addRow("after %d ms", delay) << QByteArray() << delay << -1 << -1;
    }

    void killedAnywhere() {
        QFETCH(QByteArray, stopAt);
        QFETCH(int, delay);
        QFETCH(int, finals);
        QFETCH(int, temporaries);
        const QString folder = newFolder();
        const QString pic = folder + QStringLiteral("Pic/");
        QVERIFY(QDir().mkpath(pic));
        for (const QString& name : Foreign) {
            QFile file(pic + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not ours") == 8);
        }
        QVERIFY(QDir().mkdir(pic + ".zorna-Folder.part"));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZORNA_STOP_AT"), QString::fromLatin1(stopAt));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--convert-in"), folder});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("converting\n") && child.waitForReadyRead(30000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.contains("converting\n"), said.constData());
        if (stopAt.isEmpty()) {
            child.waitForFinished(delay);
        } else {
            while (!said.contains("stopped\n") && child.waitForReadyRead(30000))
                said += child.readAllStandardOutput();
            QVERIFY2(said.contains("stopped\n"), said.constData());
        }
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            QVERIFY(child.waitForFinished());
        }

        const QByteArray copy = codepage::encode(withFooter(largeText()));
        static const QRegularExpression finalName(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d{6}\\.(jpg|txt)$"));
        int finalsSeen = 0;
        int temporariesSeen = 0;
        QStringList kept;
        for (const QString& name : filesIn(pic)) {
            if (isTemporaryName(name) && QFileInfo(pic + name).isFile()) {
                ++temporariesSeen;
                continue;
            }
            kept << name;
            if (const auto m = finalName.match(name); m.hasMatch()) {
                ++finalsSeen;
                if (m.captured(1) == "jpg")
                    QVERIFY2(jpegIsWhole(pic + name), qPrintable(name));
                else
                    QVERIFY2(readFile(pic + name) == copy, qPrintable(name));
            } else {
                QVERIFY2(Foreign.contains(name) || name == ".zorna-Folder.part", qPrintable(name));
            }
        }
        if (finals >= 0)
            QCOMPARE(finalsSeen, finals);
        if (temporaries >= 0)
            QCOMPARE(temporariesSeen, temporaries);

        // The next start removes the temporaries and nothing else.
        QVERIFY(openMainWindow(folder));
        QCOMPARE(filesIn(pic), kept);
    }

    // A temporary whose writer is still at work (it holds the lock) is not a stray.
    void writerAtWorkKept() {
        const QString folder = newFolder();
        const QString pic = folder + QStringLiteral("Pic/");
        QVERIFY(QDir().mkpath(pic));
        const QString busy = pic + QStringLiteral(".zorna-Busy01.part");
        const QString stray = pic + QStringLiteral(".zorna-Stray1.part");
        for (const QString& name : {busy, stray}) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const int held = ::open(QFile::encodeName(busy).constData(), O_WRONLY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        const bool opened = bool(openMainWindow(folder));
        ::close(held);
        QVERIFY(opened);
        QCOMPARE(filesIn(pic), QStringList{QFileInfo(busy).fileName()});
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--convert-in") == 0)
        return convertChild(argc, argv);
    QApplication app(argc, argv);
    FilesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_files.moc"
