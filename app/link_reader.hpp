#pragma once

// The cursor over a link's text: words between delimiters, numbers and
// counts read with the checks a text from outside needs, and the first
// refusal kept as the one sentence a person is shown.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "curves/geometry.hpp"
#include "curves/named.hpp"

namespace linktext {

constexpr std::string_view cutShort = "The link was cut short.";
// What an address fragment carries unescaped besides letters and digits.
constexpr std::string_view fragmentPunctuation = "-._~!$'()*+,;=:@/?";
constexpr std::string_view delimiters = ";=:,/!";
// Nine digits with sign, point and exponent take 15 characters; a longer
// number is refused before conversion.
constexpr std::size_t maxNumberLength = 24;
// Integers of up to nine digits fit an int whatever their value.
constexpr std::size_t maxIntegerDigits = 9;
// Pieces of a refused text quoted in the refusal are cut to this length.
constexpr std::size_t maxQuoted = 20;
// Marks a highlighted handle after its value.
constexpr char highlightMark = '!';

inline void appendPiece(std::string& out, std::string_view piece) {
    out.append(piece);
}

inline void appendPiece(std::string& out, const char* piece) {
    out.append(piece);
}

inline void appendPiece(std::string& out, int piece) {
    out.append(std::to_string(piece));
}

inline void appendPiece(std::string& out, std::size_t piece) {
    out.append(std::to_string(piece));
}

template <typename... Pieces>
inline std::string sentence(const Pieces&... pieces) {
    std::string out;
    (appendPiece(out, pieces), ...);
    return out;
}

// A piece of the text between quotes, cut to a length a sentence can carry.
inline std::string quoted(std::string_view piece) {
    if (piece.size() > maxQuoted) {
        return sentence("'", piece.substr(0, maxQuoted), "...'");
    }
    return sentence("'", piece, "'");
}

inline std::string counted(int count, std::string_view noun) {
    return sentence(count, " ", noun, count == 1 ? "" : "s");
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

inline bool carriedByFragment(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           fragmentPunctuation.find(c) != std::string_view::npos;
}

inline bool isDelimiter(char c) {
    return delimiters.find(c) != std::string_view::npos;
}

// The position counts characters from 1, as a person reading the link would.
inline std::string strayCharacter(char c, std::size_t index) {
    const auto code = static_cast<unsigned char>(c);
    if (code > ' ' && code < 0x7f) {
        return sentence("The link has a stray '", std::string_view(&c, 1), "' at position ",
                        index + 1, ".");
    }
    return sentence("The link has a stray character (code ", static_cast<int>(code),
                    ") at position ", index + 1, ".");
}

// The digits of a whole number, with an optional leading minus: nothing when
// the piece is not one or has more digits than an int surely holds.
inline std::optional<int> wholeNumber(std::string_view piece) {
    const bool negative = !piece.empty() && piece.front() == '-';
    const std::string_view digits = negative ? piece.substr(1) : piece;
    if (digits.empty() || digits.size() > maxIntegerDigits ||
        !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// -?D+(.D+)?(e[+-]?D+)? and nothing else: strtof would also take leading
// spaces, a plus sign, "inf", "nan" and hexadecimal floats.
inline bool numberShaped(std::string_view piece) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < piece.size() && isDigit(piece[i])) {
            ++i;
        }
        return i > start;
    };
    if (i < piece.size() && piece[i] == '-') {
        ++i;
    }
    if (!digits()) {
        return false;
    }
    if (i < piece.size() && piece[i] == '.') {
        ++i;
        if (!digits()) {
            return false;
        }
    }
    if (i < piece.size() && piece[i] == 'e') {
        ++i;
        if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
            ++i;
        }
        if (!digits()) {
            return false;
        }
    }
    return i == piece.size();
}

// A cursor over the text that keeps the first refusal: a later one would
// only describe the consequences of the first.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool ok() const { return refusal_.empty(); }
    const std::string& refusal() const { return refusal_; }
    void refuse(std::string why) {
        if (ok()) {
            refusal_ = std::move(why);
        }
    }
    bool atEnd() const { return pos_ >= text_.size(); }

    // The characters up to the next delimiter or the end of the text.
    std::string_view word() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isDelimiter(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // A word that a delimiter must follow: running into the end means the
    // text was cut short, whatever the word is.
    std::optional<std::string_view> token() {
        if (!ok()) {
            return std::nullopt;
        }
        const std::string_view w = word();
        if (atEnd()) {
            refuse(std::string(cutShort));
            return std::nullopt;
        }
        return w;
    }

    // Takes c when it comes next.
    bool accept(char c) {
        if (ok() && pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // c must come next.
    bool expect(char c) {
        if (!ok()) {
            return false;
        }
        if (atEnd()) {
            refuse(std::string(cutShort));
            return false;
        }
        if (text_[pos_] != c) {
            refuse(strayCharacter(text_[pos_], pos_));
            return false;
        }
        ++pos_;
        return true;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::string refusal_;
};

inline std::optional<int> readInteger(Reader& r, std::string_view what) {
    const std::optional<std::string_view> t = r.token();
    if (!t) {
        return std::nullopt;
    }
    const std::optional<int> v = wholeNumber(*t);
    if (!v) {
        const bool digits = numberShaped(*t) && t->find_first_of(".e") == std::string_view::npos;
        r.refuse(digits ? sentence("The link's ", what, " has ", quoted(*t), ", too large to read.")
                        : sentence("The link's ", what, " has ", quoted(*t),
                                   " where a whole number belongs."));
    }
    return v;
}

inline std::optional<float> readNumber(Reader& r, std::string_view what) {
    const std::optional<std::string_view> t = r.token();
    if (!t) {
        return std::nullopt;
    }
    if (!numberShaped(*t)) {
        r.refuse(sentence("The link's ", what, " has ", quoted(*t), " where a number belongs."));
        return std::nullopt;
    }
    if (t->size() > maxNumberLength) {
        r.refuse(sentence("The link's ", what, " has a number of more than ", maxNumberLength,
                          " characters."));
        return std::nullopt;
    }
    char buffer[maxNumberLength + 1];
    std::memcpy(buffer, t->data(), t->size());
    buffer[t->size()] = '\0';
    char* end = nullptr;
    const float v = std::strtof(buffer, &end);
    if (end != buffer + t->size() || !std::isfinite(v)) {
        r.refuse(
            sentence("The link's ", what, " has ", quoted(*t), ", beyond the range of a float."));
        return std::nullopt;
    }
    return v;
}

template <typename Row, std::size_t N, typename E>
inline void readName(Reader& r, const std::array<Row, N>& rows, std::string_view what, E& into) {
    const std::optional<std::string_view> t = r.token();
    if (!t) {
        return;
    }
    const Row* row = rowWithToken(rows, *t);
    if (row == nullptr) {
        r.refuse(sentence("The link's ", what, " ", quoted(*t), " is unknown."));
        return;
    }
    into = row->value;
}

// How a list is named in refusals and what counts it may have.
struct ListRule {
    std::string_view label;  // "polygon", "knot list", ...
    std::string_view noun;   // what it holds: "point", "value"
    int minCount;
    int maxCount;
};

inline std::optional<int> readCount(Reader& r, std::string_view t, const ListRule& rule) {
    const std::optional<int> n = wholeNumber(t);
    if (!n) {
        r.refuse(
            sentence("The link's ", rule.label, " has ", quoted(t), " where its count belongs."));
        return std::nullopt;
    }
    if (*n > rule.maxCount) {
        r.refuse(sentence("The link holds ", counted(*n, rule.noun), " in its ", rule.label,
                          "; at most ", rule.maxCount, " fit."));
        return std::nullopt;
    }
    if (*n < rule.minCount) {
        r.refuse(sentence("The link gives its ", rule.label, " a count of ", *n, ", below ",
                          rule.minCount, "."));
        return std::nullopt;
    }
    return n;
}

// A list ends where a ';' follows it: at the end of the text, it was cut short.
inline bool itemsMatch(Reader& r, int items, int count, const ListRule& rule) {
    if (r.ok() && r.atEnd()) {
        r.refuse(std::string(cutShort));
    }
    if (r.ok() && items != std::max(count, 0)) {
        r.refuse(sentence("The link's ", rule.label, " has ", counted(items, rule.noun),
                          " where its count says ", count, "."));
    }
    return r.ok();
}

inline std::optional<Point3> readPoint(Reader& r, std::string_view label) {
    Point3 p;
    int coordinates = 0;
    do {
        const std::optional<float> v = readNumber(r, label);
        if (!v) {
            return std::nullopt;
        }
        if (coordinates < dimension) {
            p[coordinates] = *v;
        }
        ++coordinates;
    } while (r.accept(','));
    if (coordinates != dimension) {
        r.refuse(sentence("A point in the link's ", label, " has ",
                          counted(coordinates, "coordinate"), " instead of ", dimension, "."));
        return std::nullopt;
    }
    return p;
}

// The points after a count already read; only the first count are kept, the
// rest are read to report how many there are.
inline bool readPointItems(Reader& r, int count, const ListRule& rule, Point3* out) {
    int items = 0;
    if (r.accept(':')) {
        do {
            const std::optional<Point3> p = readPoint(r, rule.label);
            if (!p) {
                return false;
            }
            if (items < count) {
                out[items] = *p;
            }
            ++items;
        } while (r.accept('/'));
    }
    return itemsMatch(r, items, count, rule);
}

// A polygon whose count is the token t; returns the count.
inline std::optional<int> readPolygon(Reader& r, std::string_view t, const ListRule& rule,
                                      Point3* out) {
    const std::optional<int> n = readCount(r, t, rule);
    if (!n || !readPointItems(r, *n, rule, out)) {
        return std::nullopt;
    }
    return n;
}

// Numbers after a count already read, each optionally marked with '!' where
// marks is given (handles); marks elsewhere are stray.
inline bool readValueItems(Reader& r, int count, const ListRule& rule, float* out, bool* marks) {
    int items = 0;
    if (r.accept(':')) {
        do {
            const std::optional<float> v = readNumber(r, rule.label);
            if (!v) {
                return false;
            }
            const bool marked = marks != nullptr && r.accept(highlightMark);
            if (items < count) {
                out[items] = *v;
                if (marks != nullptr) {
                    marks[items] = marked;
                }
            }
            ++items;
        } while (r.accept(','));
    }
    return itemsMatch(r, items, count, rule);
}

}  // namespace linktext
