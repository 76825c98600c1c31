#include "font/bitmap_font.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "font/byte_reader.hpp"
#include "font/font_slots.hpp"
#include "font/text_settings.hpp"

namespace {

constexpr char bmfMagic[] = "BMF";
constexpr std::size_t bmfMagicSize = 3;
constexpr std::size_t bmfNameSize = 96;
// The SGI image starts after magic, name and 256 records of four floats; its
// own offsets count from here.
constexpr std::size_t bmfImageOffset = bmfMagicSize + bmfNameSize + bitmapGlyphCount * 16;
constexpr std::size_t sgiHeaderSize = 512;
constexpr std::size_t sgiStorageAt = 2;
constexpr std::size_t sgiWidthAt = 6;
constexpr std::size_t sgiHeightAt = 8;
constexpr std::size_t sgiChannelsAt = 10;
constexpr std::uint8_t sgiRunLength = 1;
constexpr int rgbaChannels = 4;
constexpr std::uint8_t rleCountBits = 0x7F;
constexpr std::uint8_t rleLiteralBit = 0x80;
constexpr unsigned char opaque = 255;

// The longest prefix of a file the reader can use: tables for four channels of
// 16384 rows, and run-length rows of the worst size (one repeat run per pixel
// plus the terminator) for every one of them. Verbatim images need less.
constexpr std::size_t sideCap = maxBitmapImageSide;
constexpr std::size_t maxBmfFileBytes = bmfImageOffset + sgiHeaderSize +
                                        2 * rgbaChannels * sideCap * 4 +
                                        rgbaChannels * sideCap * (2 * sideCap + 1);

FontSlots<BitmapFont> bitmapFonts;

[[noreturn]] void outOfMemory() {
    std::fputs("Out of memory!\n", stderr);
    std::exit(1);
}

// The image's own numbers are big-endian whatever the host.
std::uint32_t bigEndianAt(const unsigned char* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool readBigEndian32(const ByteCursor& image, std::size_t offset, std::uint32_t& out) {
    ByteCursor field(nullptr, 0);
    unsigned char bytes[4];
    if (!image.slice(offset, sizeof bytes, field) || !field.take(bytes, sizeof bytes)) {
        return false;
    }
    out = bigEndianAt(bytes, sizeof bytes);
    return true;
}

// count * factor, or false when it does not fit in size_t.
bool multiply(std::size_t count, std::size_t factor, std::size_t& out) {
    if (factor != 0 && count > std::numeric_limits<std::size_t>::max() / factor) {
        return false;
    }
    out = count * factor;
    return true;
}

// a + b, or false when it does not fit in size_t.
bool add(std::size_t a, std::size_t b, std::size_t& out) {
    if (a > std::numeric_limits<std::size_t>::max() - b) {
        return false;
    }
    out = a + b;
    return true;
}

// Decodes one run-length row into exactly row.size() bytes at most: a count
// byte's low 7 bits give the run length (0 ends the row); with the top bit set
// that many literal bytes follow, otherwise one byte repeated that many times.
bool decodeRunLengthRow(ByteCursor packed, unsigned char* row, std::size_t width) {
    std::size_t filled = 0;
    for (;;) {
        std::uint8_t head = 0;
        if (!packed.byte(head)) {
            return false;
        }
        const std::size_t count = head & rleCountBits;
        if (count == 0) {
            return true;
        }
        if (count > width - filled) {
            return false;
        }
        if ((head & rleLiteralBit) != 0) {
            if (!packed.take(row + filled, count)) {
                return false;
            }
        } else {
            std::uint8_t value = 0;
            if (!packed.byte(value)) {
                return false;
            }
            std::memset(row + filled, value, count);
        }
        filled += count;
    }
}

struct ImageShape {
    bool runLength = false;
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t channels = 0;  // as the file declares
    // Run-length images: the table of row starts is followed by the table of
    // row lengths, each one 32-bit entry per row of every declared channel.
    std::size_t lengthTableAt = 0;
};

// Reads channel of row y (counted from the bottom) into width bytes.
bool readChannelRow(const ByteCursor& image, const ImageShape& shape, std::size_t y,
                    std::size_t channel, unsigned char* row) {
    // Rows are stored channel plane after channel plane, bottom row first.
    const std::size_t rowIndex = channel * shape.height + y;
    if (!shape.runLength) {
        ByteCursor verbatim(nullptr, 0);
        return image.slice(sgiHeaderSize + rowIndex * shape.width, shape.width, verbatim) &&
               verbatim.take(row, shape.width);
    }
    // rowIndex lies below 4 * 16384, so these entry offsets cannot overflow.
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    ByteCursor packed(nullptr, 0);
    return readBigEndian32(image, sgiHeaderSize + 4 * rowIndex, start) &&
           readBigEndian32(image, shape.lengthTableAt + 4 * rowIndex, length) &&
           image.slice(start, length, packed) && decodeRunLengthRow(packed, row, shape.width);
}

// Spreads the channels of one row into RGBA: grey, grey + alpha, RGB, or RGBA
// (channels past the fourth are ignored); a missing alpha is opaque.
void composeRow(const std::vector<unsigned char>& planes, const ImageShape& shape,
                unsigned char* rgba) {
    const std::size_t w = shape.width;
    for (std::size_t x = 0; x < w; ++x) {
        unsigned char* texel = rgba + rgbaChannels * x;
        if (shape.channels < 3) {
            texel[0] = texel[1] = texel[2] = planes[x];
            texel[3] = shape.channels == 2 ? planes[w + x] : opaque;
        } else {
            texel[0] = planes[x];
            texel[1] = planes[w + x];
            texel[2] = planes[2 * w + x];
            texel[3] = shape.channels >= 4 ? planes[3 * w + x] : opaque;
        }
    }
}

bool readShape(const ByteCursor& image, int sideLimit, ImageShape& shape) {
    ByteCursor header(nullptr, 0);
    unsigned char bytes[sgiHeaderSize];
    if (!image.slice(0, sgiHeaderSize, header) || !header.take(bytes, sizeof bytes)) {
        return false;
    }
    shape.runLength = bytes[sgiStorageAt] == sgiRunLength;
    shape.width = bigEndianAt(bytes + sgiWidthAt, 2);
    shape.height = bigEndianAt(bytes + sgiHeightAt, 2);
    shape.channels = bigEndianAt(bytes + sgiChannelsAt, 2);
    const std::size_t limit =
        static_cast<std::size_t>(std::max(0, std::min(sideLimit, maxBitmapImageSide)));
    // Entries are read for at most four channels; their offsets must fit size_t.
    std::size_t tableBytes = 0;
    std::size_t tableEnd = 0;
    return shape.width > 0 && shape.height > 0 && shape.channels > 0 && shape.width <= limit &&
           shape.height <= limit && multiply(shape.height * shape.channels, 4, tableBytes) &&
           add(sgiHeaderSize, tableBytes, shape.lengthTableAt) &&
           add(shape.lengthTableAt, 4 * rgbaChannels * shape.height, tableEnd);
}

bool decodeImage(const ByteCursor& image, int sideLimit, DecodedBitmapFont& out) {
    ImageShape shape;
    std::size_t texels = 0;
    std::size_t bytes = 0;
    if (!readShape(image, sideLimit, shape) || !multiply(shape.width, shape.height, texels) ||
        !multiply(texels, rgbaChannels, bytes)) {
        return false;
    }
    const std::size_t used = std::min<std::size_t>(shape.channels, rgbaChannels);
    // The file must hold every verbatim plane, or every row-table entry, that
    // will be read before any memory is spent on the image.
    ByteCursor present(nullptr, 0);
    if (shape.runLength) {
        const std::size_t entryBytes = 4 * used * shape.height;
        if (!image.slice(sgiHeaderSize, entryBytes, present) ||
            !image.slice(shape.lengthTableAt, entryBytes, present)) {
            return false;
        }
    } else {
        std::size_t planeBytes = 0;
        if (!multiply(texels, used, planeBytes) ||
            !image.slice(sgiHeaderSize, planeBytes, present)) {
            return false;
        }
    }
    try {
        out.image.assign(bytes, 0);
        std::vector<unsigned char> planes(used * shape.width);
        for (std::size_t y = 0; y < shape.height; ++y) {
            // A run-length row may end early; the rest of it stays 0.
            std::fill(planes.begin(), planes.end(), 0);
            for (std::size_t channel = 0; channel < used; ++channel) {
                if (!readChannelRow(image, shape, y, channel,
                                    planes.data() + channel * shape.width)) {
                    return false;
                }
            }
            composeRow(planes, shape, out.image.data() + y * shape.width * rgbaChannels);
        }
        out.mask.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
    // The mask is white exactly where the glyph image is black, so the mask
    // pass keeps the background there and clears it under the ink.
    for (std::size_t i = 0; i < bytes; i += rgbaChannels) {
        const bool black = out.image[i] == 0 && out.image[i + 1] == 0 && out.image[i + 2] == 0;
        const unsigned char value = black ? opaque : 0;
        out.mask[i] = out.mask[i + 1] = out.mask[i + 2] = value;
    }
    out.width = static_cast<int>(shape.width);
    out.height = static_cast<int>(shape.height);
    return true;
}

int decode(const unsigned char* data, std::size_t size, int sideLimit, DecodedBitmapFont& out) {
    ByteCursor cursor(data, size);
    char magic[bmfMagicSize];
    if (!cursor.take(magic, sizeof magic) || std::memcmp(magic, bmfMagic, bmfMagicSize) != 0) {
        return -1;
    }
    const bool bigEndian = hostIsBigEndian();
    if (!cursor.skip(bmfNameSize)) {
        return -1;
    }
    for (BitmapGlyph& glyph : out.glyphs) {
        if (!readLittleEndianFloat(cursor, bigEndian, glyph.x) ||
            !readLittleEndianFloat(cursor, bigEndian, glyph.y) ||
            !readLittleEndianFloat(cursor, bigEndian, glyph.width) ||
            !readLittleEndianFloat(cursor, bigEndian, glyph.height)) {
            return -1;
        }
    }
    return decodeImage(cursor, sideLimit, out) ? 0 : -1;
}

// Reads at most maxBmfFileBytes of the file; false when it cannot be read,
// does not start with the magic, or is too large to hold in memory. The magic
// is checked first, so a large file of another kind is refused unread.
bool readFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char magic[bmfMagicSize] = {};
    if (std::fread(magic, 1, sizeof magic, file) != sizeof magic ||
        std::memcmp(magic, bmfMagic, sizeof magic) != 0) {
        std::fclose(file);
        return false;
    }
    std::rewind(file);
    bool ok = true;
    try {
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long end = std::ftell(file);
            if (end > 0) {
                bytes.reserve(std::min(static_cast<std::size_t>(end), maxBmfFileBytes));
            }
            std::rewind(file);
        }
        unsigned char chunk[1 << 16];
        while (bytes.size() < maxBmfFileBytes) {
            const std::size_t wanted = std::min(sizeof chunk, maxBmfFileBytes - bytes.size());
            const std::size_t got = std::fread(chunk, 1, wanted, file);
            bytes.insert(bytes.end(), chunk, chunk + got);
            if (got < wanted) {
                ok = std::ferror(file) == 0;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // The file's size, not an image the reader accepted, asked for this
        // memory: the load fails rather than the program.
        ok = false;
    }
    std::fclose(file);
    return ok;
}

void uploadTexture(GLuint name, const DecodedBitmapFont& decoded,
                   const std::vector<unsigned char>& rgba) {
    glBindTexture(GL_TEXTURE_2D, name);
    // Three internal components: the mask's alpha of 0 is not kept, its colour
    // alone does the work under GL_DST_COLOR blending.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, decoded.width, decoded.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void compileGlyph(GLuint list, const BitmapGlyph& g) {
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(g.x, g.y);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(g.x + g.width, g.y);
    glVertex2f(g.width, 0.0f);
    glTexCoord2f(g.x + g.width, g.y + g.height);
    glVertex2f(g.width, g.height);
    glTexCoord2f(g.x, g.y + g.height);
    glVertex2f(0.0f, g.height);
    glEnd();
    glTranslatef(bitmapSpacing + g.width, 0.0f, 0.0f);
    glEndList();
}

}  // namespace

int decodeBitmapFont(const unsigned char* data, std::size_t size, int maxSide,
                     DecodedBitmapFont& out) {
    if (data == nullptr && size != 0) {
        return -1;
    }
    const int result = decode(data, size, maxSide, out);
    if (result != 0) {
        out = DecodedBitmapFont{};
    }
    return result;
}

int loadBitmapFont(const char* path) {
    if (path == nullptr) {
        return -1;
    }
    DecodedBitmapFont decoded;
    {
        std::vector<unsigned char> bytes;
        if (!readFile(path, bytes)) {
            return -1;
        }
        GLint textureLimit = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureLimit);
        if (decodeBitmapFont(bytes.data(), bytes.size(), textureLimit, decoded) != 0) {
            return -1;
        }
    }
    const int slot = bitmapFonts.lowestEmpty();
    if (slot < 0) {
        return -1;
    }
    // Taken before any GL object exists, so that a refusal leaves none behind.
    std::unique_ptr<BitmapFont> font(new (std::nothrow) BitmapFont());
    if (!font) {
        return -1;
    }
    const GLuint lists = glGenLists(bitmapGlyphCount);
    if (lists == 0) {
        return -1;
    }
    GLuint textures[2] = {0, 0};
    glGenTextures(2, textures);
    font->imageTexture = textures[0];
    font->maskTexture = textures[1];
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    uploadTexture(font->imageTexture, decoded, decoded.image);
    uploadTexture(font->maskTexture, decoded, decoded.mask);
    decoded.image = {};
    decoded.mask = {};
    font->listBase = lists;
    for (int code = 0; code < bitmapGlyphCount; ++code) {
        const BitmapGlyph& glyph = decoded.glyphs[code];
        font->glyphWidths[code] = glyph.width;
        compileGlyph(lists + static_cast<GLuint>(code), glyph);
        if (glyph.height > font->maxGlyphHeight) {
            font->maxGlyphHeight = glyph.height;
        }
    }
    bitmapFonts.fill(slot, std::move(font));
    return slot;
}

int unloadBitmapFont(int handle) {
    const std::unique_ptr<BitmapFont> font = bitmapFonts.release(handle);
    if (!font) {
        return -1;
    }
    const GLuint textures[2] = {font->imageTexture, font->maskTexture};
    glDeleteTextures(2, textures);
    glDeleteLists(font->listBase, bitmapGlyphCount);
    return 0;
}

int unloadCurrentBitmapFont() {
    return unloadBitmapFont(bitmapFonts.current());
}

int setCurrentBitmapFont(int handle) {
    return bitmapFonts.select(handle) ? 0 : -1;
}

int getCurrentBitmapFont() {
    return bitmapFonts.current();
}

const BitmapFont* findBitmapFont(int handle) {
    return bitmapFonts.find(handle);
}

void resetBitmapFonts() {
    bitmapFonts.clear();
    setBitmapCentering(0);
}

void releaseBitmapFonts() {
    for (int handle = 0; handle < bitmapFontSlotCount; ++handle) {
        unloadBitmapFont(handle);
    }
}
