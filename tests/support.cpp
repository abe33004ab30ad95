#include "support.h"

#include "lib/application/application.h"
#include "lib/picture/codepage.h"
#include "lib/picture/footer.h"
#include "shell/Communal.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <clocale>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <jpeglib.h>
#include <sched.h>
#include <sys/mount.h>

namespace testing {

void startLikeTheProgram() {
    std::setlocale(LC_ALL, "");
    codepage::reload();
    std::signal(SIGXFSZ, SIG_IGN);
    Application->Initialize();
    Application->SetTitle(TForm1::Caption);
}

void keepMountsPrivate() {
    if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}

std::unique_ptr<TForm1> openMainWindow(const QString& programFolder) {
    Communal::SetProgramFolder(programFolder);
    auto form = std::make_unique<TForm1>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

std::vector<SeenBox> whileClosingModals(const std::function<void()>& action,
                                        const std::function<void(QWidget*)>& respond) {
    std::vector<SeenBox> seen;
    QPointer<QWidget> last;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last)
            return;
        last = modal;
        SeenBox box;
        box.objectName = modal->objectName();
        box.title = modal->windowTitle();
        if (auto* mb = qobject_cast<QMessageBox*>(modal)) {
            box.text = mb->text();
            box.icon = mb->icon();
            box.buttons = int(mb->standardButtons());
        }
        seen.push_back(box);
        if (respond)
            respond(modal);
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->accept();
        else
            modal->close();
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}

StandInOpener::StandInOpener() : path_(qgetenv("PATH")) {
    QFile opener(bin_.filePath(QStringLiteral("xdg-open")));
    if (!bin_.isValid() || !opener.open(QIODevice::WriteOnly))
        return;
    opener.write("#!/bin/sh\nprintf '%s|%d\\0' \"$1\" \"$#\" >> \"$(dirname \"$0\")/record\"\n");
    opener.close();
    valid_ = opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin_.path()) + ":" + path_);
}

StandInOpener::~StandInOpener() {
    qputenv("PATH", path_);
}

QList<QByteArray> StandInOpener::calls() const {
    QList<QByteArray> calls = readFile(bin_.filePath(QStringLiteral("record"))).split('\0');
    if (!calls.isEmpty())
        calls.removeLast(); // after the last call's terminator
    return calls;
}

namespace {
struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
} // namespace

namespace {
QImage decode(const QString& path, int* warnings) {
    const QByteArray data = readFile(path);
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onJpegError;
    err.pub.emit_message = [](j_common_ptr c, int level) { c->err->num_warnings += level < 0; };
    QImage image;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    *warnings = int(err.pub.num_warnings);
    jpeg_destroy_decompress(&cinfo);
    return image;
}
} // namespace

QImage decodeJpeg(const QString& path) {
    int warnings = 0;
    return decode(path, &warnings);
}

bool jpegIsWhole(const QString& path) {
    int warnings = 0;
    return !decode(path, &warnings).isNull() && warnings == 0 &&
           readFile(path).endsWith("\xFF\xD9");
}

bool writePpm(const QImage& image, const QString& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(rgb.width()).arg(rgb.height()).toLatin1());
    for (int y = 0; y < rgb.height(); ++y)
        file.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    return file.error() == QFile::NoError;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

bool hasInk(const QImage& image, int from, int to, int threshold) {
    for (int y = qMax(from, 0); y < qMin(to, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold)
                return true;
    return false;
}

int inkBands(const QImage& image, int to) {
    int bands = 0;
    bool inside = false;
    for (int y = 0; y < to; ++y) {
        const bool ink = hasInk(image, y, y + 1);
        bands += ink && !inside;
        inside = ink;
    }
    return bands;
}

QString footer() {
    return QString(87, QLatin1Char('-')) + QStringLiteral("\r\n") +
           QStringLiteral("The images generated by zorna long weibo standalone version! ") +
           ::footer::shopAddress() + QStringLiteral("\r\nEmail:") + ::footer::emailAddress();
}

QString withFooter(const QString& text) {
    const QString crlf = QStringLiteral("\r\n");
    if (text.isEmpty() || text.endsWith(crlf))
        return text + footer() + crlf;
    return text + crlf + footer();
}

QString withoutLoneSurrogates(const QString& text) {
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

} // namespace testing
