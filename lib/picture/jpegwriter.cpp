#include "lib/picture/jpegwriter.h"

#include "lib/picture/exception.h"
#include "lib/picture/profile.h"

#include <array>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <mutex>
#include <thread>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void ignoreMessage(j_common_ptr, int) {}

// Collects the compressed stream in a growing buffer.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    QByteArray* out;
};

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->out->resize(64 * 1024);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data());
    dest->pub.free_in_buffer = size_t(dest->out->size());
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const qsizetype used = dest->out->size();
    dest->out->resize(used * 2);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data() + used);
    dest->pub.free_in_buffer = size_t(dest->out->size() - used);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - qsizetype(dest->pub.free_in_buffer));
}

} // namespace

struct JpegWriter::State {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    MemoryDestination dest{};
    QByteArray stream;
    bool created = false;

    ~State() {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }

    [[noreturn]] void fail() {
        const int code = err.pub.msg_code;
        throw Exception(QStringLiteral("JPEG error #%1").arg(code));
    }
};

JpegWriter::JpegWriter(int width, int height, Input input) : d(std::make_unique<State>()) {
    State& s = *d;
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = errorExit;
    s.err.pub.emit_message = ignoreMessage;
    // libjpeg errors come back here by longjmp; only C frames lie in between.
    if (setjmp(s.err.jump))
        s.fail();
    jpeg_create_compress(&s.cinfo);
    s.created = true;

    s.dest.out = &s.stream;
    s.dest.pub.init_destination = initDestination;
    s.dest.pub.empty_output_buffer = emptyOutputBuffer;
    s.dest.pub.term_destination = termDestination;
    s.cinfo.dest = &s.dest.pub;

    s.cinfo.image_width = JDIMENSION(qMax(width, 0));
    s.cinfo.image_height = JDIMENSION(qMax(height, 0));
    if (input == Input::Rgb32) {
        // RGB32 is 0xffRRGGBB in native order; libjpeg-turbo reads it in place.
        s.cinfo.input_components = 4;
        s.cinfo.in_color_space =
            QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    } else {
        s.cinfo.input_components = 3;
        s.cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, Quality, TRUE);
    s.cinfo.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&s.cinfo, TRUE);
}

JpegWriter::~JpegWriter() = default;

void JpegWriter::writeRows(const uchar* firstRow, int rows, qsizetype bytesPerLine) {
    State& s = *d;
    if (setjmp(s.err.jump))
        s.fail();
    JSAMPROW pointers[64];
    int done = 0;
    while (done < rows) {
        const int n = qMin(rows - done, 64);
        for (int i = 0; i < n; ++i)
            pointers[i] = const_cast<JSAMPROW>(firstRow + (done + i) * bytesPerLine);
        done += int(jpeg_write_scanlines(&s.cinfo, pointers, JDIMENSION(n)));
    }
}

QByteArray JpegWriter::finish() {
    State& s = *d;
    if (setjmp(s.err.jump))
        s.fail();
    jpeg_finish_compress(&s.cinfo);
    return std::move(s.stream);
}

QByteArray compressInBands(int width, int height, int bandRows,
                           const std::function<void(QImage& band, int y0)>& paint) {
    JpegWriter writer(width, height, JpegWriter::Input::Rgb32);
    const int rows = qMax(1, qMin(bandRows, height));
    std::array<QImage, 2> bands = {QImage(width, rows, QImage::Format_RGB32),
                                   QImage(width, rows, QImage::Format_RGB32)};
    if (bands[0].isNull() || bands[1].isNull())
        throw Exception(QStringLiteral("Out of system resources"));

    // Painting needs this thread (the text's layout lives here); compressing does not, so the
    // encoder takes each painted band on a second thread while the next one is painted.
    std::mutex mutex;
    std::condition_variable changed;
    std::array<int, 2> filled = {-1, -1}; // the picture row each buffer holds, -1 when free
    bool stop = false;
    std::exception_ptr failure;

    std::thread encoder([&] {
        int k = 0;
        for (int y0 = 0; y0 < height; y0 += rows, k ^= 1) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return filled[size_t(k)] == y0 || stop; });
                if (stop)
                    return;
            }
            try {
                ProfileStage stage(&ConversionProfile::compress);
                writer.writeRows(bands[size_t(k)].constBits(), qMin(rows, height - y0),
                                 bands[size_t(k)].bytesPerLine());
            } catch (...) {
                std::lock_guard lock(mutex);
                failure = std::current_exception();
                stop = true;
                changed.notify_all();
                return;
            }
            std::lock_guard lock(mutex);
            filled[size_t(k)] = -1;
            changed.notify_all();
        }
    });

    std::exception_ptr paintFailure;
    int k = 0;
    for (int y0 = 0; y0 < height; y0 += rows, k ^= 1) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return filled[size_t(k)] == -1 || stop; });
            if (stop)
                break;
        }
        try {
            ProfileStage stage(&ConversionProfile::paint);
            paint(bands[size_t(k)], y0);
        } catch (...) {
            paintFailure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        if (paintFailure)
            stop = true;
        else
            filled[size_t(k)] = y0;
        changed.notify_all();
        if (paintFailure)
            break;
    }
    encoder.join();
    if (paintFailure)
        std::rethrow_exception(paintFailure);
    if (failure)
        std::rethrow_exception(failure);
    ProfileStage stage(&ConversionProfile::compress);
    return writer.finish();
}
