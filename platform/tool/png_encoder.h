// PNG encoding through the system's image library (libpng on POSIX systems, the Windows Imaging
// Component on Windows).
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Encodes width x height pixels of 8-bit RGB, rows top first with no padding, as a PNG file's
// bytes in png. False (png empty) when the picture is empty or the encoder fails.
bool encodePng(uint32_t width, uint32_t height, const uint8_t* rgb, std::vector<uint8_t>& png);

}  // namespace platform
