#pragma once

// Decodes a JPEG with libjpeg for the camsim tests and reports the libjpeg
// warnings, which is how corrupt entropy data shows.

#include <csetjmp>
#include <cstdint>
#include <vector>

#include <jpeglib.h>

namespace camsim::test {

struct Decoded {
    bool ok = false;
    int width = 0;
    int height = 0;
    int components = 0;
    long warnings = 0;
    std::vector<uint8_t> pixels; // components bytes a pixel

    const uint8_t* at(int x, int y) const { return pixels.data() + (size_t(y) * width + x) * components; }
};

namespace detail {
struct Err {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};
inline void fail(j_common_ptr info) { std::longjmp(reinterpret_cast<Err*>(info->err)->jump, 1); }
inline void quiet(j_common_ptr) {}
} // namespace detail

inline Decoded decodeJpeg(const std::vector<uint8_t>& data)
{
    Decoded out;
    jpeg_decompress_struct cinfo {};
    detail::Err err {};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = detail::fail;
    err.base.output_message = detail::quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out.ok = false;
        return out;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.components = cinfo.output_components;
    out.pixels.resize(size_t(out.width) * out.height * out.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.pixels.data() + size_t(cinfo.output_scanline) * out.width * out.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    out.warnings = err.base.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    out.ok = true;
    return out;
}

} // namespace camsim::test
