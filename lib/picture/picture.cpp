#include "lib/picture/picture.h"

#include "lib/picture/exception.h"
#include "lib/picture/files.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/profile.h"

#include <optional>

namespace picture {

QByteArray compress(TMemo& memo) {
    std::optional<MemoSnapshot> laidOut;
    {
        ProfileStage stage(&ConversionProfile::layout);
        laidOut.emplace(memo);
    }
    const MemoSnapshot& snapshot = *laidOut;
    const qint64 height = qint64(snapshot.linesHeight()) + ExtraHeight;
    // Known before any raster is made: refuse what the encoder would refuse.
    if (height > JpegWriter::MaxDimension || snapshot.width() > JpegWriter::MaxDimension)
        throw Exception(QStringLiteral("JPEG error #%1").arg(JpegWriter::ImageTooBig));
    return compressInBands(snapshot.width(), int(height), BandRows,
                           [&snapshot](QImage& band, int y0) { snapshot.paint(band, y0); });
}

void write(TMemo& memo, const QString& path) {
    const QByteArray jpeg = compress(memo);
    ProfileStage stage(&ConversionProfile::write);
    saveWholeFile(path, jpeg);
}

} // namespace picture
