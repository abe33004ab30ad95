#include "support.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace testing {

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

namespace {
struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
} // namespace

QImage decodeJpeg(const QString& path) {
    const QByteArray data = readFile(path);
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onJpegError;
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
    jpeg_destroy_decompress(&cinfo);
    return image;
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

} // namespace testing
