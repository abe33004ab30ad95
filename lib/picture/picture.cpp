#include "lib/picture/picture.h"

#include "lib/picture/exception.h"
#include "lib/picture/files.h"
#include "lib/picture/jpegwriter.h"
#include "lib/picture/memo.h"
#include "lib/picture/profile.h"

#include <optional>

namespace picture {
namespace {

// Known before any raster is made: refuse what the encoder would refuse.
void checkSize(qint64 width, qint64 height) {
    if (height > JpegWriter::MaxDimension || width > JpegWriter::MaxDimension)
        throw Exception(QStringLiteral("JPEG error #%1").arg(JpegWriter::ImageTooBig));
}

int linesHeight(const MemoSnapshot& snapshot, const Page& page) {
    if (page.firstLine >= page.endLine)
        return 0;
    return snapshot.lineBottom(page.endLine - 1) - snapshot.lineTop(page.firstLine);
}

} // namespace

QByteArray compress(TMemo& memo) {
    std::optional<MemoSnapshot> laidOut;
    {
        ProfileStage stage(&ConversionProfile::layout);
        laidOut.emplace(memo);
    }
    const MemoSnapshot& snapshot = *laidOut;
    const qint64 height = qint64(snapshot.linesHeight()) + ExtraHeight;
    checkSize(snapshot.width(), height);
    return compressInBands(snapshot.width(), int(height), BandRows,
                           [&snapshot](QImage& band, int y0) { snapshot.paint(band, y0); });
}

void write(TMemo& memo, const QString& path) {
    const QByteArray jpeg = compress(memo);
    ProfileStage stage(&ConversionProfile::write);
    saveWholeFile(path, jpeg);
}

bool writeNew(TMemo& memo, const QString& path) {
    const QByteArray jpeg = compress(memo);
    ProfileStage stage(&ConversionProfile::write);
    return saveNewFile(path, jpeg);
}

std::vector<Page> cutIntoPages(const MemoSnapshot& snapshot, int pageHeight) {
    const int room = pageHeight - ExtraHeight;
    std::vector<Page> pages;
    const int count = snapshot.lineCount();
    for (int first = 0; first < count;) {
        const int top = snapshot.lineTop(first);
        if (snapshot.lineBottom(first) - top > room)
            throw Exception(QStringLiteral("Line %1 is taller than a page of %2 pixels")
                                .arg(first + 1)
                                .arg(pageHeight));
        int end = first + 1;
        while (end < count && snapshot.lineBottom(end) - top <= room)
            ++end;
        pages.push_back({first, end});
        first = end;
    }
    if (pages.empty())
        pages.push_back({0, 0});
    return pages;
}

QByteArray compress(const MemoSnapshot& snapshot, const Page& page) {
    const qint64 height = qint64(linesHeight(snapshot, page)) + ExtraHeight;
    checkSize(snapshot.width(), height);
    const int top = page.firstLine < page.endLine ? snapshot.lineTop(page.firstLine) : 0;
    return compressInBands(snapshot.width(), int(height), BandRows,
                           [&snapshot, &page, top](QImage& band, int y0) {
                               snapshot.paintLines(band, top + y0, page.firstLine, page.endLine);
                           });
}

} // namespace picture
