#include "tools/camsim/JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace camsim {

namespace {

// Everything the error path needs lives here, in memory reached through a
// pointer, so it is current after a longjmp.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

void onFatalError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr) {}

} // namespace

std::optional<std::vector<uint8_t>> encodeJpeg(const RawPicture& picture, int quality)
{
    if (picture.width <= 0 || picture.height <= 0 || !picture.pixels)
        return std::nullopt;
    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onFatalError;
    err.base.output_message = onMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(err.buffer);
        return std::nullopt;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &err.buffer, &err.size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = picture.grey ? 1 : 3;
    cinfo.in_color_space = picture.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = FALSE;
    cinfo.restart_in_rows = 1;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(picture.width) * (picture.grey ? 1 : 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.pixels + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(err.buffer, err.buffer + err.size);
    jpeg_destroy_compress(&cinfo);
    std::free(err.buffer);
    return out;
}

std::optional<JpegRows> splitJpegRows(const std::vector<uint8_t>& jpeg)
{
    const size_t n = jpeg.size();
    if (n < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return std::nullopt;
    // Walk the marker segments up to the start of scan.
    size_t pos = 2;
    for (;;) {
        if (pos + 4 > n || jpeg[pos] != 0xFF)
            return std::nullopt;
        const uint8_t marker = jpeg[pos + 1];
        const size_t length = (size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        if (length < 2 || pos + 2 + length > n)
            return std::nullopt;
        pos += 2 + length;
        if (marker == 0xDA)
            break;
    }
    JpegRows out;
    out.header.assign(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos));
    size_t rowStart = pos;
    for (size_t i = pos; i + 1 < n; ++i) {
        if (jpeg[i] != 0xFF)
            continue;
        const uint8_t next = jpeg[i + 1];
        if (next == 0x00)
            continue; // stuffed byte inside the entropy data
        if ((next >= 0xD0 && next <= 0xD7) || next == 0xD9) {
            out.rows.emplace_back(jpeg.begin() + static_cast<std::ptrdiff_t>(rowStart),
                                  jpeg.begin() + static_cast<std::ptrdiff_t>(i));
            if (next == 0xD9)
                return out;
            rowStart = i + 2;
            ++i;
        }
    }
    return std::nullopt;
}

} // namespace camsim
