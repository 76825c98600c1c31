#pragma once

// Writes GLF files for the font tests, byte by byte and independently of the
// reader, so that the reader is checked against the file format itself.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace fonttest {

struct GlyphSpec {
    unsigned char code = 0;
    std::vector<std::array<float, 2>> vertices;
    std::vector<std::array<std::uint8_t, 3>> facets;
    std::vector<std::uint8_t> contourEnds;
};

inline void putFloat(std::vector<unsigned char>& out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>((bits >> shift) & 0xFFu));
    }
}

// A whole file: magic, 96 name bytes, the record count (declared may differ
// from the records given), 28 reserved bytes, then the records.
inline std::vector<unsigned char> glfBytes(const std::vector<GlyphSpec>& glyphs,
                                           const std::string& name = "test font",
                                           int declaredCount = -1, unsigned char reservedFill = 0) {
    std::vector<unsigned char> out = {'G', 'L', 'F'};
    std::string padded = name;
    padded.resize(96, '\0');
    out.insert(out.end(), padded.begin(), padded.end());
    out.push_back(static_cast<unsigned char>(declaredCount < 0 ? glyphs.size() : declaredCount));
    out.insert(out.end(), 28, reservedFill);
    for (const GlyphSpec& g : glyphs) {
        out.push_back(g.code);
        out.push_back(static_cast<unsigned char>(g.vertices.size()));
        out.push_back(static_cast<unsigned char>(g.facets.size()));
        out.push_back(static_cast<unsigned char>(g.contourEnds.size()));
        for (const auto& v : g.vertices) {
            putFloat(out, v[0]);
            putFloat(out, v[1]);
        }
        for (const auto& f : g.facets) {
            out.insert(out.end(), f.begin(), f.end());
        }
        out.insert(out.end(), g.contourEnds.begin(), g.contourEnds.end());
    }
    return out;
}

// A one-triangle glyph whose bounds are exactly the given box: corners
// (minX, minY), (maxX, minY), (maxX, maxY), one contour.
inline GlyphSpec boxGlyph(unsigned char code, float minX, float maxX, float minY, float maxY) {
    GlyphSpec g;
    g.code = code;
    g.vertices = {{minX, minY}, {maxX, minY}, {maxX, maxY}};
    g.facets = {{0, 1, 2}};
    g.contourEnds = {2};
    return g;
}

inline std::vector<std::string>& writtenFiles() {
    static std::vector<std::string> files;
    return files;
}

// Files are named after the process, so that test runs of several build trees
// on one machine never read each other's files.
inline std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path =
        ::testing::TempDir() + "tessaveld_font_" + std::to_string(::getpid()) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (!bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        }
        std::fclose(f);
    }
    writtenFiles().push_back(path);
    return path;
}

// Deletes every file writeTempFile made; fixtures call it when they tear down.
inline void removeTempFiles() {
    for (const std::string& path : writtenFiles()) {
        std::remove(path.c_str());
    }
    writtenFiles().clear();
}

}  // namespace fonttest
