#include "control/display/JpegDecoder.h"

#include <bit>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>

static_assert(JPEG_LIB_VERSION == 62, "the decoder is built for the version 62 structures");

namespace strovix {
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

// Makes `bitmap` a width x height picture of the given format, reusing its
// buffer when it already has that shape.
bool prepareBitmap(QImage& bitmap, int width, int height, int components)
{
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPixels)
        return false;
    const QImage::Format format = components == 1 ? QImage::Format_Indexed8 : QImage::Format_RGB32;
    if (bitmap.width() != width || bitmap.height() != height || bitmap.format() != format)
        bitmap = QImage(width, height, format);
    if (bitmap.isNull())
        return false;
    if (components == 1)
        bitmap.setColorTable(greyPalette());
    return true;
}

// Blue, green, red triples to the 32-bit pixels 0xFFRRGGBB of Format_RGB32,
// four pixels (three little-endian words) at a time.
void widenBgrRow(const uint8_t* src, uint32_t* dst, int width)
{
    static_assert(std::endian::native == std::endian::little, "pixel widening assumes little-endian words");
    int x = 0;
    for (; x + 4 <= width; x += 4, src += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + 4, 4);
        std::memcpy(&c, src + 8, 4);
        dst[x] = 0xFF000000u | a;
        dst[x + 1] = 0xFF000000u | (a >> 24) | (b << 8);
        dst[x + 2] = 0xFF000000u | (b >> 16) | (c << 16);
        dst[x + 3] = 0xFF000000u | (c >> 8);
    }
    for (; x < width; ++x, src += 3)
        dst[x] = 0xFF000000u | uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
}

} // namespace

bool decodeJpeg(const uint8_t* data, size_t size, QImage& bitmap)
{
    DecodeState st;
    std::memset(&st.cinfo, 0, sizeof st.cinfo); // destroy is safe even if create fails
    st.cinfo.err = jpeg_std_error(&st.err.pub);
    st.err.pub.error_exit = fatalToCaller;
    st.err.pub.output_message = noMessage;

    if (setjmp(st.err.jump)) {
        // A fatal library error. No C++ object was alive between setjmp and
        // the jump that needs unwinding.
        const int stage = st.stage;
        if (stage == kStart) {
            bitmap = QImage();
        } else if (stage == kRows && !bitmap.isNull()) {
            const int done = st.rowsDone;
            for (int y = done; y < bitmap.height(); ++y)
                std::memset(bitmap.scanLine(y), 0, size_t(bitmap.bytesPerLine()));
        }
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    jpeg_create_decompress(&st.cinfo);
    st.stage = kHeader;
    jpeg_mem_src(&st.cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&st.cinfo, TRUE);

    st.stage = kStart;
    if (st.cinfo.jpeg_color_space != JCS_GRAYSCALE)
        st.cinfo.out_color_space = JCS_EXT_BGR;
    if (!jpeg_start_decompress(&st.cinfo)) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    const int width = static_cast<int>(st.cinfo.output_width);
    const int height = static_cast<int>(st.cinfo.output_height);
    const int components = st.cinfo.output_components;
    if ((components != 1 && components != 3) || st.cinfo.output_width > 65535
        || !prepareBitmap(bitmap, width, height, components)) {
        bitmap = QImage();
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }

    st.stage = kRows;
    uchar* const base = bitmap.bits();
    const qsizetype stride = bitmap.bytesPerLine();
    // Colour rows arrive as blue, green, red triples in a row of the
    // library's own pool and are widened into the bitmap.
    JSAMPARRAY colourRow = components == 3
        ? (*st.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&st.cinfo), JPOOL_IMAGE,
                                        JDIMENSION(width) * 3, 1)
        : nullptr;
    while (st.cinfo.output_scanline < st.cinfo.output_height) {
        uchar* const out = base + stride * st.cinfo.output_scanline;
        JSAMPROW row = colourRow ? colourRow[0] : out;
        if (jpeg_read_scanlines(&st.cinfo, &row, 1) != 1)
            break; // suspension cannot happen with a memory source; be safe
        if (colourRow)
            widenBgrRow(row, reinterpret_cast<uint32_t*>(out), width);
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

} // namespace strovix
