// Feeds arbitrary bytes to the BMF decoder as if they were a bitmap font file,
// then checks what it accepted: an RGBA image and a mask of exactly the
// declared size, the mask white with alpha 0 exactly under black pixels. A
// failed decode must leave nothing behind. Uploading to GL is not fuzzed: it
// only hands the checked buffers on.

#include <cstddef>
#include <cstdint>

#include "font/bitmap_font.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedBitmapFont font;
    if (decodeBitmapFont(data, size, maxBitmapImageSide, font) != 0) {
        if (!font.image.empty() || !font.mask.empty() || font.width != 0 || font.height != 0) {
            __builtin_trap();
        }
        return 0;
    }
    if (font.width <= 0 || font.height <= 0 || font.width > maxBitmapImageSide ||
        font.height > maxBitmapImageSide) {
        __builtin_trap();
    }
    const std::size_t bytes =
        static_cast<std::size_t>(font.width) * static_cast<std::size_t>(font.height) * 4;
    if (font.image.size() != bytes || font.mask.size() != bytes) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < bytes; i += 4) {
        const bool black = font.image[i] == 0 && font.image[i + 1] == 0 && font.image[i + 2] == 0;
        const unsigned char m = black ? 255 : 0;
        if (font.mask[i] != m || font.mask[i + 1] != m || font.mask[i + 2] != m ||
            font.mask[i + 3] != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
