#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_window.hpp"
#include "font/bitmap_font.hpp"
#include "font/font_module.hpp"

namespace {

constexpr int side = 256;
constexpr int channels = 4;

void putBig32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }
}

// A 256 x 256 RGBA font image as a 16 x 16 grid of glyph cells, each a block
// of ink with black margins, stored run-length encoded: runs of ink and of
// black alternate along every row, as in a real glyph sheet.
std::vector<unsigned char> glyphSheet() {
    std::vector<unsigned char> out(3 + 96, 0);
    std::memcpy(out.data(), "BMF", 3);
    for (int code = 0; code < bitmapGlyphCount; ++code) {
        const float cell = 1.0f / 16.0f;
        const float record[4] = {static_cast<float>(code % 16) * cell,
                                 static_cast<float>(code / 16) * cell, cell, cell};
        for (float value : record) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            for (int shift = 0; shift < 32; shift += 8) {
                out.push_back(static_cast<unsigned char>(bits >> shift));
            }
        }
    }
    const std::size_t image = out.size();
    const std::size_t rows = side * channels;
    out.resize(image + 512 + 8 * rows, 0);
    out[image + 0] = 0x01;
    out[image + 1] = 0xDA;
    out[image + 2] = 1;
    out[image + 3] = 1;
    out[image + 5] = 3;
    out[image + 6] = side >> 8;
    out[image + 8] = side >> 8;
    out[image + 11] = channels;
    for (std::size_t r = 0; r < rows; ++r) {
        const int y = static_cast<int>(r % side);
        const bool inkRow = y % 16 >= 3 && y % 16 < 13;
        const std::size_t start = out.size();
        for (int cell = 0; cell < 16; ++cell) {
            if (inkRow) {
                out.insert(out.end(),
                           {3, 0, 10, static_cast<unsigned char>(40 + 13 * r % 200), 3, 0});
            } else {
                out.insert(out.end(), {16, 0});
            }
        }
        out.push_back(0);
        putBig32(out, image + 512 + 4 * r, static_cast<std::uint32_t>(start - image));
        putBig32(out, image + 512 + 4 * (rows + r), static_cast<std::uint32_t>(out.size() - start));
    }
    return out;
}

// Reading the sheet into RGBA and building the mask, without GL.
void BM_DecodeBitmapFont(benchmark::State& state) {
    const std::vector<unsigned char> file = glyphSheet();
    for (auto _ : state) {
        DecodedBitmapFont font;
        if (decodeBitmapFont(file.data(), file.size(), maxBitmapImageSide, font) != 0) {
            state.SkipWithError("the glyph sheet did not decode");
            break;
        }
        benchmark::DoNotOptimize(font.mask.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * side * side * 4);
}
BENCHMARK(BM_DecodeBitmapFont)->Unit(benchmark::kMicrosecond);

// The whole load: file, decode, two texture uploads and 256 display lists.
void BM_LoadBitmapFont(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no DISPLAY for the GL context");
        return;
    }
    char path[] = "/tmp/tessaveld_bench_XXXXXX";
    const int fd = mkstemp(path);
    const std::vector<unsigned char> file = glyphSheet();
    if (fd < 0 || write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) {
        state.SkipWithError("cannot write the temporary font file");
        return;
    }
    close(fd);
    initFonts();
    for (auto _ : state) {
        const int handle = loadBitmapFont(path);
        if (handle < 0) {
            state.SkipWithError("the glyph sheet did not load");
            break;
        }
        unloadBitmapFont(handle);
    }
    glFinish();
    shutdownFonts();
    std::remove(path);
}
BENCHMARK(BM_LoadBitmapFont)->Unit(benchmark::kMicrosecond);

}  // namespace
