#pragma once

#include <QByteArray>
#include <QImage>
#include <functional>
#include <memory>

// Baseline JPEG encoder over libjpeg: quality 75, float DCT, 3 components, the whole stream kept
// in memory. Rows go in from the top, in any number of calls, so a tall picture can be made in
// bands. Library errors become Exception("JPEG error #<number>").
class JpegWriter {
public:
    enum class Input { Rgb888, Rgb32 }; // Rgb32: QImage::Format_RGB32 rows, read without a copy

    JpegWriter(int width, int height, Input input);
    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    void writeRows(const uchar* firstRow, int rows, qsizetype bytesPerLine);
    QByteArray finish();

    static constexpr int Quality = 75;
    static constexpr int MaxDimension = 65500;
    static constexpr int ImageTooBig = 41; // libjpeg's message number for a picture over the limit

private:
    struct State;
    std::unique_ptr<State> d;
};

// Paints a picture of width x height band by band into an RGB32 buffer and compresses it;
// paint(band, y0) fills band with the picture's rows y0 .. y0 + band.height() - 1.
QByteArray compressInBands(int width, int height, int bandRows,
                           const std::function<void(QImage& band, int y0)>& paint);
