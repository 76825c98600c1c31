#include "font/vector_font.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "font/byte_reader.hpp"
#include "font/font_slots.hpp"
#include "font/text_settings.hpp"

namespace {

constexpr std::size_t glfMagicSize = 3;
constexpr std::size_t glfReservedSize = 28;
constexpr std::size_t recordHeaderSize = 4;
constexpr std::size_t bytesPerVertex = 8;
constexpr std::size_t bytesPerFacet = 3;
constexpr std::size_t maxCount = 255;
// The longest prefix of a file the reader can ever consume: header plus 255
// records of the largest size. Anything beyond is never looked at.
constexpr std::size_t maxFileBytes =
    glfHeaderSize + maxCount * (recordHeaderSize + maxCount * (bytesPerVertex + bytesPerFacet + 1));

const char* const messageFormat = "Error reading font file: incorrect file format\n";
const char* const messageDuplicate = "Error reading font file: encountered symbols in font\n";
const char* const messageTruncated = "Error reading font file: unexpected end of file\n";
const char* const messageMalformed = "Error reading font file: malformed symbol\n";

FontSlots<VectorFont> vectorFonts;

enum class ReadResult { Ok, BadMagic, Duplicate, Truncated, Malformed };

void releaseSymbols(VectorFont& font) {
    for (auto& symbol : font.symbols) {
        symbol.reset();
    }
}

void report(const char* message) {
    if (isOptionEnabled(FontOption::Messages)) {
        std::fputs(message, stdout);
    }
}

// Drawing walks the contours and indexes the vertices by the facets, so a
// symbol is kept only when every index lies below V and the contours cut the
// vertex list exactly: rising ends, the last one at V - 1.
bool symbolIsWellFormed(const VectorSymbol& symbol) {
    const int v = symbol.vertexCount;
    for (const auto& facet : symbol.facets) {
        for (std::uint8_t index : facet) {
            if (index >= v) {
                return false;
            }
        }
    }
    int previous = -1;
    for (std::uint8_t end : symbol.contourEnds) {
        if (end >= v || end <= previous) {
            return false;
        }
        previous = end;
    }
    return symbol.contourEnds.empty() || previous == v - 1;
}

ReadResult readSymbol(ByteCursor& cursor, bool bigEndian, VectorFont& font) {
    std::uint8_t code = 0;
    std::uint8_t v = 0;
    std::uint8_t f = 0;
    std::uint8_t k = 0;
    if (!cursor.byte(code) || !cursor.byte(v) || !cursor.byte(f) || !cursor.byte(k)) {
        return ReadResult::Truncated;
    }
    if (font.symbols[code]) {
        return ReadResult::Duplicate;
    }
    auto symbol = std::make_unique<VectorSymbol>();
    symbol->vertexCount = v;
    symbol->facetCount = f;
    symbol->contourCount = k;
    symbol->vertices.resize(v);
    symbol->facets.resize(f);
    symbol->contourEnds.resize(k);
    for (SymbolVertex& vertex : symbol->vertices) {
        if (!readLittleEndianFloat(cursor, bigEndian, vertex.x) ||
            !readLittleEndianFloat(cursor, bigEndian, vertex.y)) {
            return ReadResult::Truncated;
        }
        if (vertex.x < symbol->minX) {
            symbol->minX = vertex.x;
        }
        if (vertex.x > symbol->maxX) {
            symbol->maxX = vertex.x;
        }
        if (vertex.y < symbol->minY) {
            symbol->minY = vertex.y;
        }
        if (vertex.y > symbol->maxY) {
            symbol->maxY = vertex.y;
        }
    }
    for (auto& facet : symbol->facets) {
        if (!cursor.take(facet.data(), facet.size())) {
            return ReadResult::Truncated;
        }
    }
    if (!cursor.take(symbol->contourEnds.data(), symbol->contourEnds.size())) {
        return ReadResult::Truncated;
    }
    if (!symbolIsWellFormed(*symbol)) {
        return ReadResult::Malformed;
    }
    font.symbols[code] = std::move(symbol);
    return ReadResult::Ok;
}

ReadResult parse(const unsigned char* data, std::size_t size, VectorFont& font) {
    ByteCursor cursor(data, size);
    char magic[glfMagicSize];
    if (!cursor.take(magic, sizeof magic) || std::memcmp(magic, "GLF", glfMagicSize) != 0) {
        return ReadResult::BadMagic;
    }
    const bool bigEndian = hostIsBigEndian();
    if (!cursor.take(font.name.data(), glfNameSize)) {
        return ReadResult::Truncated;
    }
    font.name[glfNameSize] = '\0';
    if (!cursor.byte(font.symbolCount)) {
        return ReadResult::Truncated;
    }
    releaseSymbols(font);
    if (!cursor.skip(glfReservedSize)) {
        return ReadResult::Truncated;
    }
    for (int record = 0; record < font.symbolCount; ++record) {
        const ReadResult result = readSymbol(cursor, bigEndian, font);
        if (result != ReadResult::Ok) {
            return result;
        }
    }
    return ReadResult::Ok;
}

int finish(ReadResult result, VectorFont& font) {
    switch (result) {
        case ReadResult::Ok:
            return 0;
        case ReadResult::BadMagic:
            report(messageFormat);
            break;
        case ReadResult::Duplicate:
            report(messageDuplicate);
            break;
        case ReadResult::Truncated:
            report(messageTruncated);
            break;
        case ReadResult::Malformed:
            report(messageMalformed);
            break;
    }
    releaseSymbols(font);
    return -1;
}

}  // namespace

void resetFonts() {
    vectorFonts.clear();
}

void releaseFonts() {
    for (int handle = 0; handle < fontSlotCount; ++handle) {
        unloadFont(handle);
    }
}

int parseFontData(const unsigned char* data, std::size_t size, VectorFont& font) {
    try {
        return finish(parse(data, size, font), font);
    } catch (const std::bad_alloc&) {
        releaseSymbols(font);
        return -1;
    }
}

int readFontFile(const char* path, VectorFont& font) {
    if (path == nullptr) {
        return -1;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    int result = -1;
    try {
        std::vector<unsigned char> bytes;
        unsigned char chunk[4096];
        while (bytes.size() < maxFileBytes) {
            const std::size_t wanted = std::min(sizeof chunk, maxFileBytes - bytes.size());
            const std::size_t got = std::fread(chunk, 1, wanted, file);
            bytes.insert(bytes.end(), chunk, chunk + got);
            if (got < wanted) {
                break;
            }
        }
        std::fclose(file);
        file = nullptr;
        result = parseFontData(bytes.data(), bytes.size(), font);
    } catch (const std::bad_alloc&) {
        if (file != nullptr) {
            std::fclose(file);
        }
        releaseSymbols(font);
        result = -1;
    }
    return result;
}

int loadFont(const char* path) {
    // A full table refuses before the file is read, so it prints no format error.
    const int slot = vectorFonts.lowestEmpty();
    if (slot < 0) {
        return -1;
    }
    std::unique_ptr<VectorFont> font(new (std::nothrow) VectorFont());
    if (!font || readFontFile(path, *font) != 0) {
        return -1;
    }
    vectorFonts.fill(slot, std::move(font));
    return slot;
}

int unloadCurrentFont() {
    return unloadFont(vectorFonts.current());
}

int unloadFont(int handle) {
    return vectorFonts.release(handle) != nullptr ? 0 : -1;
}

int setCurrentFont(int handle) {
    return vectorFonts.select(handle) ? 0 : -1;
}

int getCurrentFont() {
    return vectorFonts.current();
}

const VectorFont* findFont(int handle) {
    return vectorFonts.find(handle);
}

const VectorFont* currentVectorFont() {
    return findFont(vectorFonts.current());
}

const VectorSymbol* findSymbol(const VectorFont* font, char ch) {
    if (font == nullptr) {
        return nullptr;
    }
    return font->symbols[static_cast<unsigned char>(ch)].get();
}

int exchangeCurrentFont(int handle) {
    return vectorFonts.exchangeCurrent(handle);
}
