// Draws the program's icon at the sizes the program, the desktop entry and the Windows icon use,
// and writes them as PNG files and one .ico file (PNG-compressed entries) into the given folder.
//   zorna-draw-icons <folder>

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// Designed on a 32-unit grid; strokes sit on whole units so 16 px stays sharp.
QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // The page, with its corner folded.
    QPainterPath page;
    page.moveTo(2, 2);
    page.lineTo(16, 2);
    page.lineTo(22, 8);
    page.lineTo(22, 26);
    page.lineTo(2, 26);
    page.closeSubpath();
    p.fillPath(page, QColor(255, 255, 255));
    p.setPen(QPen(QColor(62, 106, 170), size <= 16 ? 2 : 1.5));
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(16, 2);
    fold.lineTo(16, 8);
    fold.lineTo(22, 8);
    p.drawPath(fold);

    // The T.
    p.fillRect(QRectF(6, 6, 10, 4), QColor(62, 106, 170));
    p.fillRect(QRectF(9, 6, 4, 14), QColor(62, 106, 170));

    // The picture it becomes.
    const QRectF frame(14, 14, 17, 17);
    QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
    sky.setColorAt(0, QColor(120, 180, 245));
    sky.setColorAt(1, QColor(200, 228, 255));
    p.setPen(QPen(QColor(30, 70, 130), 1.5));
    p.setBrush(sky);
    p.drawRoundedRect(frame.adjusted(0.75, 0.75, -0.75, -0.75), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(25.5, 19.5), 2.5, 2.5);
    QPainterPath hills;
    hills.moveTo(15.5, 29.5);
    hills.lineTo(20.5, 22);
    hills.lineTo(24, 26);
    hills.lineTo(26, 24);
    hills.lineTo(29.5, 29.5);
    hills.closeSubpath();
    p.fillPath(hills, QColor(60, 150, 80));
    p.end();
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An .ico file whose entries are PNG streams, as Windows Vista and later read them.
QByteArray ico(const QList<QImage>& images) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(images.size());
    QList<QByteArray> data;
    for (const QImage& image : images)
        data << png(image);
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        s << quint8(size >= 256 ? 0 : size) << quint8(size >= 256 ? 0 : size) << quint8(0)
          << quint8(0) << quint16(1) << quint16(32) << quint32(data[i].size()) << offset;
        offset += quint32(data[i].size());
    }
    for (const QByteArray& d : data)
        s.writeRawData(d.constData(), int(d.size()));
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zorna-draw-icons <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QList<QImage> forIco;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image = drawIcon(size);
        if (!image.save(folder + QStringLiteral("/zorna-text-to-image-%1.png").arg(size)))
            return 1;
        if (size != 64 && size != 128)
            forIco << image;
    }
    QFile file(folder + QStringLiteral("/zorna-text-to-image.ico"));
    if (!file.open(QIODevice::WriteOnly) || file.write(ico(forIco)) < 0)
        return 1;
    return 0;
}
