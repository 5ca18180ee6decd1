#include "platform/tool/png_encoder.h"

#include <png.h>

namespace platform {

namespace {

void append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) { }

}  // namespace

bool encodePng(uint32_t width, uint32_t height, const uint8_t* rgb, std::vector<uint8_t>& out)
{
    out.clear();
    if (width == 0 || height == 0 || rgb == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    // libpng reports its failures by a long jump back here.
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, append, noFlush);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (uint32_t y = 0; y < height; ++y)
            png_write_row(png, rgb + size_t(y) * width * 3);
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    if (!ok)
        out.clear();
    return ok;
}

}  // namespace platform
