#include "media/jpeg/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>

static_assert(JPEG_LIB_VERSION == 62, "the decoder is built for the version 62 structures");

namespace media {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void fatalToCaller(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void noMessage(j_common_ptr) {}

enum Stage { kHeader, kStart, kRows };

// Everything the recovery path reads after a fatal error lives here, in
// memory, so that nothing it needs sits in a register clobbered by longjmp.
struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    volatile int stage = kHeader;
    volatile int rowsDone = 0;
};

const QList<QRgb>& greyPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> p(256);
        for (int i = 0; i < 256; ++i)
            p[i] = qRgb(i, i, i);
        return p;
    }();
    return palette;
}

// Makes `bitmap` a width x height picture of the given format. Its buffer is
// kept when it already has that shape and nothing else shares it (writing
// into a shared one would first copy pixels about to be overwritten); else a
// new one is made. `newBuffer` tells which.
bool prepareBitmap(QImage& bitmap, int width, int height, int components, bool& newBuffer)
{
    newBuffer = false;
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPixels)
        return false;
    const QImage::Format format = components == 1 ? QImage::Format_Indexed8 : QImage::Format_RGB32;
    if (bitmap.width() != width || bitmap.height() != height || bitmap.format() != format || !bitmap.isDetached()) {
        bitmap = QImage(width, height, format);
        newBuffer = true;
        if (bitmap.isNull())
            return false;
        if (components == 1)
            bitmap.setColorTable(greyPalette());
    }
    return true;
}

// Rows from `first` down to the bottom become black.
void blackenFrom(QImage& bitmap, int first)
{
    for (int y = std::max(first, 0); y < bitmap.height(); ++y) {
        uchar* row = bitmap.scanLine(y);
        if (bitmap.format() == QImage::Format_RGB32)
            std::fill_n(reinterpret_cast<uint32_t*>(row), bitmap.width(), 0xFF000000u);
        else
            std::memset(row, 0, size_t(bitmap.bytesPerLine()));
    }
}

// Rows handed to the library per call: it fills as many as its buffered
// output allows, which saves calls without changing the result.
constexpr int kRowsPerCall = 16;

} // namespace

int scaleEighthsFor(QSize pictureSize, QSize shownSize)
{
    if (pictureSize.isEmpty() || shownSize.isEmpty())
        return 8;
    const int64_t pw = pictureSize.width();
    const int64_t ph = pictureSize.height();
    if (int64_t(shownSize.width()) * 2 > pw || int64_t(shownSize.height()) * 2 > ph)
        return 8;
    // At half size or less, four eighths always cover the shown size. Only
    // one, two and four eighths are used: libjpeg-turbo has fast inverse
    // transforms for those, while three eighths runs plain C transforms (3x3
    // for brightness, 6x6 for colour) and costs more than four eighths.
    for (int m = 1; m < 4; m *= 2) {
        if ((pw * m + 7) / 8 >= shownSize.width() && (ph * m + 7) / 8 >= shownSize.height())
            return m;
    }
    return 4;
}

// The decode itself. Kept apart from decodeJpeg so that where the outcome
// goes is settled before setjmp is called, not in a local the jump may
// clobber.
static bool decodeInto(const uint8_t* data, size_t size, QImage& bitmap, QSize shownSize, DecodeOutcome& out)
{
    DecodeState st;
    std::memset(&st.cinfo, 0, sizeof st.cinfo); // destroy is safe even if create fails
    st.cinfo.err = jpeg_std_error(&st.err.pub);
    st.err.pub.error_exit = fatalToCaller;
    st.err.pub.output_message = noMessage;

    if (setjmp(st.err.jump)) {
        // A fatal library error. No C++ object was alive between setjmp and
        // the jump that needs unwinding; only the volatile fields of `st`
        // are read here.
        const int stage = st.stage;
        if (stage == kStart)
            bitmap = QImage();
        else if (stage == kRows && !bitmap.isNull())
            blackenFrom(bitmap, st.rowsDone);
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    jpeg_create_decompress(&st.cinfo);
    st.stage = kHeader;
    jpeg_mem_src(&st.cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&st.cinfo, TRUE);

    st.stage = kStart;
    const QSize picture(int(std::min<JDIMENSION>(st.cinfo.image_width, 65535)),
                        int(std::min<JDIMENSION>(st.cinfo.image_height, 65535)));
    out.pictureSize = picture;
    // Refused before the library sets up buffers for it.
    if (int64_t(picture.width()) * picture.height() > kMaxPixels) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }
    out.scaleEighths = scaleEighthsFor(picture, shownSize);
    if (out.scaleEighths != 8) {
        st.cinfo.scale_num = unsigned(out.scaleEighths);
        st.cinfo.scale_denom = 8;
    }
    // Colour rows come out padded to 32 bits, bytes blue, green, red and
    // 0xFF: exactly the pixels of Format_RGB32, so they land in the bitmap as
    // they are.
    if (st.cinfo.jpeg_color_space != JCS_GRAYSCALE)
        st.cinfo.out_color_space = JCS_EXT_BGRX;
    if (!jpeg_start_decompress(&st.cinfo)) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    const int width = static_cast<int>(st.cinfo.output_width);
    const int height = static_cast<int>(st.cinfo.output_height);
    const int components = st.cinfo.output_components;
    if ((components != 1 && components != 4) || st.cinfo.output_width > 65535
        || !prepareBitmap(bitmap, width, height, components, out.newBuffer)) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    st.stage = kRows;
    uchar* const base = bitmap.bits();
    const qsizetype stride = bitmap.bytesPerLine();
    JSAMPROW rows[kRowsPerCall];
    while (st.cinfo.output_scanline < st.cinfo.output_height) {
        const JDIMENSION first = st.cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, st.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = base + stride * qsizetype(first + i);
        if (jpeg_read_scanlines(&st.cinfo, rows, count) == 0)
            break; // suspension cannot happen with a memory source; be safe
        st.rowsDone = static_cast<int>(st.cinfo.output_scanline);
    }
    if (st.cinfo.output_scanline < st.cinfo.output_height || !jpeg_finish_decompress(&st.cinfo)) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }
    jpeg_destroy_decompress(&st.cinfo);
    return true;
}

bool decodeJpeg(const uint8_t* data, size_t size, QImage& bitmap, QSize shownSize, DecodeOutcome* outcome)
{
    DecodeOutcome scratch;
    DecodeOutcome& out = outcome ? *outcome : scratch;
    out = DecodeOutcome{};
    return decodeInto(data, size, bitmap, shownSize, out);
}

} // namespace media
