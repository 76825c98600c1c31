#include "subdivision/trace.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "subdivision/schemes.hpp"
#include "support/file_text.hpp"

namespace {

// The unit square at depth 0.25, parameters 0, 1, 2, 3.
const Point3 square[4] = {{0, 0, 0.25f}, {1, 0, 0.25f}, {1, 1, 0.25f}, {0, 1, 0.25f}};
const float squareParameters[4] = {0, 1, 2, 3};

struct Traced {
    std::string file;
    std::string console;
};

// An rbf step of the square with mq1, r = 1, d = 1, traced into scratch files
// standing for the trace file and the console (either may be left out).
Traced traceSquare(int stencil, bool toFile = true, bool toConsole = true) {
    std::FILE* file = std::tmpfile();
    std::FILE* console = std::tmpfile();
    EXPECT_NE(file, nullptr);
    EXPECT_NE(console, nullptr);
    if (file == nullptr || console == nullptr) {
        return {};
    }
    const TraceSink sink{toFile ? file : nullptr, toConsole ? console : nullptr};
    const std::optional<RefinedPolygon> refined =
        refineRbf(square, squareParameters, 4, 1.0f, {stencil, 1, BasisKind::Mq1, 1.0f}, sink);
    EXPECT_TRUE(refined.has_value());
    Traced out{tvtest::fileText(file), tvtest::fileText(console)};
    std::fclose(file);
    std::fclose(console);
    return out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Six "%7.3f " fields: each eight wide, the point four from its start.
bool isMatrixRow(const std::string& line) {
    const size_t field = 8;
    if (line.size() != 6 * field) {
        return false;
    }
    for (size_t f = 0; f < 6; ++f) {
        const std::string text = line.substr(f * field, field);
        if (text[3] != '.' || text[7] != ' ' ||
            text.find_first_not_of(" -.0123456789") != std::string::npos) {
            return false;
        }
    }
    return true;
}

std::vector<double> numbersOf(const std::string& line) {
    std::vector<double> values;
    std::istringstream in(line);
    for (double v; in >> v;) {
        values.push_back(v);
    }
    return values;
}

// Mask weights of mq1, r = 1, d = 1 at unit spacing: -0.092129, 0.592129, ...;
// the square's inserted points lie 2 * 0.092129 outside the edge midpoints.
const char* const filePointLines[4] = {
    "  0 :-0.0921  0.5921  0.5921 -0.0921 ( 0.5000, -0.1843)  0.5000 -0.1843  0.2500 ",
    "  1 :-0.0921  0.5921  0.5921 -0.0921 ( 1.1843,  0.5000)  1.1843  0.5000  0.2500 ",
    "  2 :-0.0921  0.5921  0.5921 -0.0921 ( 0.5000,  1.1843)  0.5000  1.1843  0.2500 ",
    "  3 :-0.0921  0.5921  0.5921 -0.0921 (-0.1843,  0.5000) -0.1843  0.5000  0.2500 ",
};
const char* const consolePointLines[4] = {
    "  0 :-0.0921  0.5921  0.5921 -0.0921  0.5000 -0.1843  0.5000 -0.1843  0.2500 ",
    "  1 :-0.0921  0.5921  0.5921 -0.0921  1.1843  0.5000  1.1843  0.5000  0.2500 ",
    "  2 :-0.0921  0.5921  0.5921 -0.0921  0.5000  1.1843  0.5000  1.1843  0.2500 ",
    "  3 :-0.0921  0.5921  0.5921 -0.0921 -0.1843  0.5000 -0.1843  0.5000  0.2500 ",
};

TEST(Trace, Rbf4StepOverTheSquare) {
    const Traced traced = traceSquare(4);
    const std::vector<std::string> lines = linesOf(traced.file);
    const int size = 6;  // 4 stencil points, 2 monomials
    const int perPoint = 2 * size + 2;
    ASSERT_EQ(lines.size(), static_cast<size_t>(4 * perPoint));

    for (int i = 0; i < 4; ++i) {
        const size_t base = static_cast<size_t>(i * perPoint);
        for (size_t r = 0; r < 2 * size; ++r) {
            EXPECT_TRUE(isMatrixRow(lines[base + r]))
                << "point " << i << " row " << r << ": " << lines[base + r];
        }
        EXPECT_EQ(lines[base + 2 * size], filePointLines[i]);
        EXPECT_EQ(lines[base + 2 * size + 1], "");

        // The second block is the inverse of the first, to print precision.
        for (int r = 0; r < size; ++r) {
            for (int c = 0; c < size; ++c) {
                double sum = 0;
                for (int k = 0; k < size; ++k) {
                    sum += numbersOf(lines[base + static_cast<size_t>(r)])[static_cast<size_t>(k)] *
                           numbersOf(
                               lines[base + static_cast<size_t>(size + k)])[static_cast<size_t>(c)];
                }
                EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 0.02) << "point " << i;
            }
        }
    }
    // Stencil -1, 0, 1, 2 for the first point: moments, then sqrt(x^2 + 1) of the distances.
    const char* const firstSystem[6] = {
        "  0.000   0.000   1.000   1.000   1.000   1.000 ",
        "  0.000   0.000  -1.000   0.000   1.000   2.000 ",
        "  1.000  -1.000   1.000   1.414   2.236   3.162 ",
        "  1.000   0.000   1.414   1.000   1.414   2.236 ",
        "  1.000   1.000   2.236   1.414   1.000   1.414 ",
        "  1.000   2.000   3.162   2.236   1.414   1.000 ",
    };
    for (size_t r = 0; r < 6; ++r) {
        EXPECT_EQ(lines[r], firstSystem[r]);
    }
    // The point after the last one continues the parameters: stencil 2, 3, 4, 5.
    EXPECT_EQ(lines[3 * perPoint + 1], "  0.000   0.000   2.000   3.000   4.000   5.000 ");

    // Standard output: the same, but the mask form of the point without parentheses.
    std::string expected;
    for (size_t k = 0; k < lines.size(); ++k) {
        const bool pointLine = k % perPoint == static_cast<size_t>(2 * size);
        expected += pointLine ? consolePointLines[k / perPoint] : lines[k];
        expected += "\n";
    }
    EXPECT_EQ(traced.console, expected);
}

TEST(Trace, Rbf6WritesEightByEightBlocks) {
    const std::vector<std::string> lines = linesOf(traceSquare(6).file);
    ASSERT_EQ(lines.size(), static_cast<size_t>(4 * (8 + 8 + 2)));
    EXPECT_EQ(numbersOf(lines[0]).size(), 8u);
    const std::string& line = lines[16];
    ASSERT_EQ(line.substr(0, 5), "  0 :");
    // Six weights 0.029929, -0.137477, 0.607547, ... before the parenthesised pair.
    EXPECT_EQ(line.substr(5, line.find('(') - 5),
              " 0.0299 -0.1375  0.6075  0.6075 -0.1375  0.0299 ");
}

TEST(Trace, EachStreamHearsItsOwnForm) {
    struct Case {
        const char* name;
        bool toFile;
        bool toConsole;
    };
    const Case cases[] = {
        {"console only", false, true},
        {"file only", true, false},
        {"nobody", false, false},
    };
    for (const Case& c : cases) {
        const Traced traced = traceSquare(4, c.toFile, c.toConsole);
        const std::string& fileText = traced.file;
        const std::string& consoleText = traced.console;
        EXPECT_EQ(linesOf(fileText).size(), c.toFile ? 4u * 14u : 0u) << c.name;
        EXPECT_EQ(linesOf(consoleText).size(), c.toConsole ? 4u * 14u : 0u) << c.name;
        EXPECT_EQ(fileText.find(filePointLines[1]) != std::string::npos, c.toFile) << c.name;
        EXPECT_EQ(consoleText.find(consolePointLines[1]) != std::string::npos, c.toConsole)
            << c.name;
    }
}

}  // namespace
