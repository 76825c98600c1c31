#include "app/snapshot.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "app/invariants.hpp"
#include "curves/degree.hpp"

// Version 1, settings in this order, each after a ';':
//
//   v1  mode=NAME  degree=INT  scheme=NAME  stencil=4|6  basis=NAME  r=NUM
//   halve=on|off  alpha=NUM  spacing=NUM  turn=NUM,NUM  points=POLYGON
//   entered=POLYGON|points  knots=VALUES  tail=VALUES  handles=HANDLES
//   aux=POLYGON  reduced=on|off  family=off|on:POLYGON|on:points  anim=INT,NUM
//   active=INT,INT
//   end
//
//   POLYGON  a count, then for a count above 0 ':' and x,y,z points joined by '/'
//   VALUES   a count, then for a count above 0 ':' and numbers joined by ','
//   HANDLES  as VALUES, each x followed by '!' when the handle is highlighted
//
// The tail holds the parameter values past the knot list up to the point
// count: the RBF curve and the RBF subdivision index the values by point, and
// a subdivision in mode None writes values for the new points while the
// list's count stays as it was. Handles carry no y: layoutKnotHandles puts
// every handle of the list at 25 and nothing else writes it. The fixed order
// and the end marker make every text that was cut short incomplete, never a
// shorter valid one.

namespace {

constexpr char versionTag = 'v';
constexpr std::string_view endMarker = "end";
// Stands for the control polygon where a polygon would repeat it.
constexpr std::string_view samePolygon = "points";
constexpr std::string_view familyOff = "off";
constexpr std::string_view familyOn = "on";

// Nine significant digits bring every float back (FLT_DECIMAL_DIG).
constexpr int maxSignificantDigits = 9;
// Whole numbers below 2^24 are floats exactly; clicks and depths give them.
constexpr float wholeLimit = 16777216.0f;
// Nine digits with sign, point and exponent take 15 characters; a longer
// number is refused before conversion.
constexpr std::size_t maxNumberLength = 24;
// Integers of up to nine digits fit an int whatever their value.
constexpr std::size_t maxIntegerDigits = 9;
// Pieces of a refused text quoted in the refusal are cut to this length.
constexpr std::size_t maxQuoted = 20;
constexpr std::size_t scratchSize = 32;
// Room for the text of a full record, so that the text grows at most once.
constexpr std::size_t typicalLength = 16384;

constexpr int rbf4StencilSize = 4;
constexpr int rbf6StencilSize = 6;
constexpr int lastAnimationFrame = 65;
constexpr float noAnimation = -1.0f;
constexpr int noIndex = -1;
constexpr float highlightOn = 1.0f;
constexpr float highlightOff = 0.0f;
constexpr char highlightMark = '!';
constexpr int minReduciblePoints = 3;
constexpr int minAuxCount = -1;
constexpr int released = -1;

constexpr std::string_view cutShort = "The link was cut short.";
// What an address fragment carries unescaped besides letters and digits.
constexpr std::string_view fragmentPunctuation = "-._~!$'()*+,;=:@/?";
constexpr std::string_view delimiters = ";=:,/!";

template <typename E>
struct Name {
    std::string_view text;
    E value;
};

constexpr Name<CurveMode> curveModeNames[] = {
    {"none", CurveMode::None}, {"lagrange", CurveMode::Lagrange}, {"bezier", CurveMode::Bezier},
    {"rbf", CurveMode::Rbf},   {"bspline", CurveMode::Bspline},
};
constexpr Name<SubdivisionScheme> schemeNames[] = {
    {"rbf4", SubdivisionScheme::Rbf4}, {"rbf6", SubdivisionScheme::Rbf6},
    {"nr4", SubdivisionScheme::Nr4},   {"dd", SubdivisionScheme::DeslauriersDubuc},
    {"unr4", SubdivisionScheme::Unr4},
};
constexpr Name<BasisKind> basisNames[] = {
    {"mq1", BasisKind::Mq1}, {"mq3", BasisKind::Mq3}, {"gs", BasisKind::Gaussian}};
constexpr Name<bool> switchNames[] = {{"off", false}, {"on", true}};

// A value outside the enumeration gets a name that no reader accepts.
template <typename E, std::size_t N>
std::string_view nameOf(const Name<E> (&names)[N], E value) {
    for (const Name<E>& n : names) {
        if (n.value == value) {
            return n.text;
        }
    }
    return "unknown";
}

template <typename E, std::size_t N>
std::optional<E> valueOf(const Name<E> (&names)[N], std::string_view text) {
    for (const Name<E>& n : names) {
        if (n.text == text) {
            return n.value;
        }
    }
    return std::nullopt;
}

// The settings in the order they are written.
enum class Field : int {
    Mode,
    Degree,
    Scheme,
    Stencil,
    Basis,
    Shape,
    Halve,
    Alpha,
    Spacing,
    Turn,
    Points,
    Entered,
    Knots,
    Tail,
    Handles,
    Aux,
    Reduced,
    Family,
    Anim,
    Active,
};
constexpr std::array<std::string_view, 20> fieldKeys = {
    "mode",    "degree",  "scheme",  "stencil", "basis",   "r",      "halve",
    "alpha",   "spacing", "turn",    "points",  "entered", "knots",  "tail",
    "handles", "aux",     "reduced", "family",  "anim",    "active",
};

static_assert(fieldKeys.size() == static_cast<std::size_t>(Field::Active) + 1,
              "one key per setting");

std::string_view keyOf(Field f) {
    return fieldKeys[static_cast<std::size_t>(f)];
}

int clampCount(int count) {
    return std::clamp(count, 0, maxPoints);
}

bool sameBits(float a, float b) {
    std::uint32_t ua = 0;
    std::uint32_t ub = 0;
    std::memcpy(&ua, &a, sizeof ua);
    std::memcpy(&ub, &b, sizeof ub);
    return ua == ub;
}

bool samePoints(const Point3* a, const Point3* b, int count) {
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < dimension; ++c) {
            if (!sameBits(a[i][c], b[i][c])) {
                return false;
            }
        }
    }
    return true;
}

// Positive powers of ten, made by multiplication at compile time: exact up to
// 10^22 and within a few units in the last place beyond, which the candidate
// digits below tolerate, since every text is read back before it is kept.
constexpr int maxPowerOfTen = 64;
constexpr std::array<double, maxPowerOfTen + 1> powersOfTen = [] {
    std::array<double, maxPowerOfTen + 1> p{};
    p[0] = 1.0;
    for (int k = 1; k <= maxPowerOfTen; ++k) {
        p[static_cast<std::size_t>(k)] = p[static_cast<std::size_t>(k - 1)] * 10.0;
    }
    return p;
}();

// a * 10^k for |k| <= 64; a negative k divides, which rounds once.
double timesPowerOfTen(double a, int k) {
    return k >= 0 ? a * powersOfTen[static_cast<std::size_t>(k)]
                  : a / powersOfTen[static_cast<std::size_t>(-k)];
}

// Writes the decimal digits * 10^(x - precision + 1) as "%.*g" writes it for
// that precision: fixed notation for exponents x from -4 to below the
// precision, else one digit, the rest after the point, and an exponent of at
// least two digits; no trailing zeros. Returns the length.
std::size_t writeDecimal(bool negative, std::uint32_t digits, int precision, int x, char* out) {
    int count = precision;
    while (count > 1 && digits % 10 == 0) {
        digits /= 10;
        --count;
    }
    char d[maxSignificantDigits];
    for (int i = count - 1; i >= 0; --i) {
        d[i] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    char* p = out;
    if (negative) {
        *p++ = '-';
    }
    const auto copy = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            *p++ = d[i];
        }
    };
    if (x >= -4 && x < precision) {
        if (x < 0) {
            *p++ = '0';
            *p++ = '.';
            for (int i = 0; i < -x - 1; ++i) {
                *p++ = '0';
            }
            copy(0, count);
        } else {
            copy(0, std::min(count, x + 1));
            for (int i = count; i < x + 1; ++i) {
                *p++ = '0';
            }
            if (count > x + 1) {
                *p++ = '.';
                copy(x + 1, count);
            }
        }
    } else {
        copy(0, 1);
        if (count > 1) {
            *p++ = '.';
            copy(1, count);
        }
        *p++ = 'e';
        *p++ = x < 0 ? '-' : '+';
        const int e = std::abs(x);
        if (e < 10) {
            *p++ = '0';
        }
        p = std::to_chars(p, out + scratchSize, e).ptr;
    }
    return static_cast<std::size_t>(p - out);
}

// The first precision whose nearest decimal reads back to v, found with
// double arithmetic: one printf-style conversion costs as much as all nine
// candidates, and encoding a full record converts some 1,500 numbers. The
// candidate text is then read back by strtof, so a rounding slip in the
// doubles can make it longer or send it to the slow path, never inexact.
// Nothing for v zero, infinite or NaN.
std::optional<std::size_t> formatFromCandidates(float v, char* buffer) {
    const float a = std::fabs(v);
    if (!std::isfinite(a) || a == 0.0f) {
        return std::nullopt;
    }
    const double ad = a;
    int x = static_cast<int>(std::floor(std::log10(ad)));
    const double leading = timesPowerOfTen(ad, -x);
    if (leading >= 10.0) {
        ++x;
    } else if (leading < 1.0) {
        --x;
    }
    for (int precision = 1; precision <= maxSignificantDigits; ++precision) {
        int px = x;
        double digits = std::nearbyint(timesPowerOfTen(ad, precision - 1 - px));
        // Rounding up 9.99... carries into one more digit.
        if (digits >= powersOfTen[static_cast<std::size_t>(precision)]) {
            ++px;
            digits = std::nearbyint(timesPowerOfTen(ad, precision - 1 - px));
        }
        if (static_cast<float>(timesPowerOfTen(digits, px - precision + 1)) != a) {
            continue;
        }
        const std::size_t length = writeDecimal(std::signbit(v), static_cast<std::uint32_t>(digits),
                                                precision, px, buffer);
        buffer[length] = '\0';
        if (sameBits(std::strtof(buffer, nullptr), v)) {
            return length;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// Writes to buffer (scratchSize bytes) the shortest decimal that strtof reads
// back to v bit for bit, -0 included, and returns its length.
std::size_t formatShortest(float v, char* buffer) {
    if (std::fabs(v) < wholeLimit && v == std::trunc(v)) {
        char* p = buffer;
        if (std::signbit(v)) {
            *p++ = '-';
        }
        const long whole = static_cast<long>(std::fabs(v));
        return static_cast<std::size_t>(std::to_chars(p, buffer + scratchSize, whole).ptr - buffer);
    }
    if (const std::optional<std::size_t> length = formatFromCandidates(v, buffer)) {
        return *length;
    }
    // The definition itself, for what the candidates could not settle (and
    // for infinities and NaN, which no reader accepts).
    int length = 0;
    for (int precision = 1; precision <= maxSignificantDigits; ++precision) {
        length = std::snprintf(buffer, scratchSize, "%.*g", precision, static_cast<double>(v));
        if (sameBits(std::strtof(buffer, nullptr), v)) {
            break;
        }
    }
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

std::string decimal(float v) {
    char buffer[scratchSize];
    return std::string(buffer, formatShortest(v, buffer));
}

class Writer {
  public:
    explicit Writer(std::string& out) : out_(out) {}

    void text(std::string_view t) { out_.append(t); }
    void put(char c) { out_.push_back(c); }
    void key(Field f) {
        put(';');
        text(keyOf(f));
        put('=');
    }
    void integer(int v) {
        char buffer[scratchSize];
        out_.append(buffer, std::to_chars(buffer, buffer + scratchSize, v).ptr);
    }
    void number(float v) {
        char buffer[scratchSize];
        out_.append(buffer, formatShortest(v, buffer));
    }
    void point(const Point3& p) {
        number(p.x);
        put(',');
        number(p.y);
        put(',');
        number(p.z);
    }
    // count as given (at most the capacity), and its points when above 0.
    void polygon(const Point3* points, int count) {
        count = std::min(count, maxPoints);
        integer(count);
        for (int i = 0; i < count; ++i) {
            put(i == 0 ? ':' : '/');
            point(points[i]);
        }
    }
    void values(const float* v, int count) {
        integer(count);
        for (int i = 0; i < count; ++i) {
            put(i == 0 ? ':' : ',');
            number(v[i]);
        }
    }
    void handles(const KnotHandle* h, int count) {
        integer(count);
        for (int i = 0; i < count; ++i) {
            put(i == 0 ? ':' : ',');
            number(h[i].x);
            if (h[i].highlighted != highlightOff) {
                put(highlightMark);
            }
        }
    }

  private:
    std::string& out_;
};

// An index outside [0, count) neither shows nor acts: it travels as none.
int indexInList(int index, int count) {
    return index >= 0 && index < count ? index : noIndex;
}

void writeRecord(const AppState& s, Writer& w) {
    w.put(versionTag);
    w.integer(snapshotVersion);
    w.key(Field::Mode);
    w.text(nameOf(curveModeNames, s.curveMode));
    w.key(Field::Degree);
    w.integer(s.polyDegree);
    w.key(Field::Scheme);
    w.text(nameOf(schemeNames, s.schemeKind));
    w.key(Field::Stencil);
    w.integer(s.rbfStencilSize);
    w.key(Field::Basis);
    w.text(nameOf(basisNames, s.basisKind));
    w.key(Field::Shape);
    w.number(s.shapeR);
    w.key(Field::Halve);
    w.text(nameOf(switchNames, s.halveShapeOnSubdivision));
    w.key(Field::Alpha);
    w.number(s.reductionAlpha);
    w.key(Field::Spacing);
    w.number(s.paramSpacing);
    w.key(Field::Turn);
    w.number(s.rotationX);
    w.put(',');
    w.number(s.rotationY);

    const int n = clampCount(s.pointCount);
    w.key(Field::Points);
    w.polygon(s.controlPoints.data(), n);
    const int entered = clampCount(s.enteredPointCount);
    w.key(Field::Entered);
    if (entered > 0 && entered == n &&
        samePoints(s.enteredPolygon.data(), s.controlPoints.data(), n)) {
        w.text(samePolygon);
    } else {
        w.polygon(s.enteredPolygon.data(), entered);
    }

    const int m = clampCount(s.knotCount);
    w.key(Field::Knots);
    w.values(s.knots.data(), m);
    w.key(Field::Tail);
    w.values(s.knots.data() + m, std::max(0, n - m));
    w.key(Field::Handles);
    w.handles(s.knotHandles.data(), m);

    w.key(Field::Aux);
    w.polygon(s.auxPolygon.data(), std::max(s.auxPointCount, minAuxCount));
    w.key(Field::Reduced);
    w.text(nameOf(switchNames, s.comparisonIsReduction));
    w.key(Field::Family);
    if (!s.showFamily) {
        w.text(familyOff);
    } else {
        w.text(familyOn);
        w.put(':');
        const int rows = std::clamp(s.familyPointCount, 0, maxPoints - 1);
        const int source = rows > 0 ? rows + 1 : 0;
        if (source > 0 && source == n &&
            samePoints(s.familyPolygon.data(), s.controlPoints.data(), n)) {
            w.text(samePolygon);
        } else {
            w.polygon(s.familyPolygon.data(), source);
        }
    }

    w.key(Field::Anim);
    w.integer(s.animFrame);
    w.put(',');
    w.number(s.animT);
    w.key(Field::Active);
    w.integer(indexInList(s.activePoint, n));
    w.put(',');
    w.integer(indexInList(s.activeKnot, m));
    w.put(';');
    w.text(endMarker);
}

// --- Reading ---

void appendPiece(std::string& out, std::string_view piece) {
    out.append(piece);
}

void appendPiece(std::string& out, const char* piece) {
    out.append(piece);
}

void appendPiece(std::string& out, int piece) {
    out.append(std::to_string(piece));
}

void appendPiece(std::string& out, std::size_t piece) {
    out.append(std::to_string(piece));
}

template <typename... Pieces>
std::string sentence(const Pieces&... pieces) {
    std::string out;
    (appendPiece(out, pieces), ...);
    return out;
}

// A piece of the text between quotes, cut to a length a sentence can carry.
std::string quoted(std::string_view piece) {
    if (piece.size() > maxQuoted) {
        return sentence("'", piece.substr(0, maxQuoted), "...'");
    }
    return sentence("'", piece, "'");
}

std::string counted(int count, std::string_view noun) {
    return sentence(count, " ", noun, count == 1 ? "" : "s");
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool carriedByFragment(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           fragmentPunctuation.find(c) != std::string_view::npos;
}

bool isDelimiter(char c) {
    return delimiters.find(c) != std::string_view::npos;
}

// The position counts characters from 1, as a person reading the link would.
std::string strayCharacter(char c, std::size_t index) {
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
std::optional<int> wholeNumber(std::string_view piece) {
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
bool numberShaped(std::string_view piece) {
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

std::optional<int> readInteger(Reader& r, std::string_view what) {
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

std::optional<float> readNumber(Reader& r, std::string_view what) {
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

template <typename E, std::size_t N>
std::optional<E> readName(Reader& r, const Name<E> (&names)[N], std::string_view what) {
    const std::optional<std::string_view> t = r.token();
    if (!t) {
        return std::nullopt;
    }
    const std::optional<E> v = valueOf(names, *t);
    if (!v) {
        r.refuse(sentence("The link's ", what, " ", quoted(*t), " is unknown."));
    }
    return v;
}

std::optional<std::size_t> fieldIndex(std::string_view key) {
    for (std::size_t i = 0; i < fieldKeys.size(); ++i) {
        if (fieldKeys[i] == key) {
            return i;
        }
    }
    return std::nullopt;
}

// A key that is not the one expected: read already, due later, or unknown.
std::string misplacedKey(std::string_view key, std::optional<Field> expected) {
    const std::optional<std::size_t> index = fieldIndex(key);
    if (!index) {
        return sentence("The link has an unknown setting ", quoted(key), ".");
    }
    if (!expected || *index < static_cast<std::size_t>(*expected)) {
        return sentence("The link gives '", key, "' twice.");
    }
    return sentence("The link has '", key, "' where '", keyOf(*expected), "' belongs.");
}

// ";key=" for the setting f.
void readKey(Reader& r, Field f) {
    if (!r.expect(';')) {
        return;
    }
    const std::string_view key = r.word();
    // No key begins with the end marker, so a text that stops at it is whole
    // but lacks settings.
    if (key == endMarker) {
        r.refuse(sentence("The link ends before its '", keyOf(f), "' setting."));
        return;
    }
    if (r.atEnd()) {
        r.refuse(std::string(cutShort));
        return;
    }
    if (key == keyOf(f)) {
        r.expect('=');
        return;
    }
    r.refuse(misplacedKey(key, f));
}

// ";end" and nothing after it.
bool readEnd(Reader& r) {
    if (!r.expect(';')) {
        return false;
    }
    const std::string_view key = r.word();
    if (key == endMarker) {
        if (!r.atEnd()) {
            r.refuse("The link goes on after its end.");
        }
        return r.ok();
    }
    if (r.atEnd() && endMarker.substr(0, key.size()) == key) {
        r.refuse(std::string(cutShort));
    } else {
        r.refuse(misplacedKey(key, std::nullopt));
    }
    return false;
}

// How a list is named in refusals and what counts it may have.
struct ListRule {
    std::string_view label;  // "polygon", "knot list", ...
    std::string_view noun;   // what it holds: "point", "value"
    int minCount;
    int maxCount;
};

std::optional<int> readCount(Reader& r, std::string_view t, const ListRule& rule) {
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
bool itemsMatch(Reader& r, int items, int count, const ListRule& rule) {
    if (r.ok() && r.atEnd()) {
        r.refuse(std::string(cutShort));
    }
    if (r.ok() && items != std::max(count, 0)) {
        r.refuse(sentence("The link's ", rule.label, " has ", counted(items, rule.noun),
                          " where its count says ", count, "."));
    }
    return r.ok();
}

std::optional<Point3> readPoint(Reader& r, std::string_view label) {
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
bool readPointItems(Reader& r, int count, const ListRule& rule, Point3* out) {
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
std::optional<int> readPolygon(Reader& r, std::string_view t, const ListRule& rule, Point3* out) {
    const std::optional<int> n = readCount(r, t, rule);
    if (!n || !readPointItems(r, *n, rule, out)) {
        return std::nullopt;
    }
    return n;
}

// Numbers after a count already read, each optionally marked with '!' where
// marks is given (handles); marks elsewhere are stray.
bool readValueItems(Reader& r, int count, const ListRule& rule, float* out, bool* marks) {
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

// The family's polygon as read, before its rows are computed.
struct FamilySource {
    ControlPolygon points{};
    int count = 0;
};

// Reads everything after the version into next, which starts cleared. After
// the first refusal every read is a no-op: the remaining settings are passed
// over, and the first refusal is the one reported.
bool readSettings(Reader& r, AppState& next, FamilySource& family) {
    readKey(r, Field::Mode);
    if (const auto mode = readName(r, curveModeNames, "curve mode")) {
        next.curveMode = *mode;
    }

    readKey(r, Field::Degree);
    if (const auto degree = readInteger(r, "degree")) {
        if (*degree < 0) {
            r.refuse(sentence("The link's degree is ", *degree, "; a degree cannot be negative."));
        } else if (*degree > snapshotMaxDegree) {
            r.refuse(sentence("The link's degree is ", *degree, "; at most ", snapshotMaxDegree,
                              " is read."));
        }
        next.polyDegree = *degree;
    }

    readKey(r, Field::Scheme);
    if (const auto scheme = readName(r, schemeNames, "subdivision scheme")) {
        next.schemeKind = *scheme;
    }

    readKey(r, Field::Stencil);
    if (const auto stencil = readInteger(r, "RBF stencil")) {
        const SubdivisionScheme scheme = next.schemeKind;
        if (*stencil != rbf4StencilSize && *stencil != rbf6StencilSize) {
            r.refuse(sentence("The link's RBF stencil has ", counted(*stencil, "point"),
                              "; it takes 4 or 6."));
        } else if (scheme == SubdivisionScheme::Rbf4 && *stencil != rbf4StencilSize) {
            r.refuse(sentence("The link's RBF stencil has ", counted(*stencil, "point"),
                              ", but the scheme rbf4 takes 4."));
        } else if (scheme == SubdivisionScheme::Rbf6 && *stencil != rbf6StencilSize) {
            r.refuse(sentence("The link's RBF stencil has ", counted(*stencil, "point"),
                              ", but the scheme rbf6 takes 6."));
        }
        next.rbfStencilSize = *stencil;
    }

    readKey(r, Field::Basis);
    if (const auto basis = readName(r, basisNames, "radial basis")) {
        next.basisKind = *basis;
    }

    readKey(r, Field::Shape);
    if (const auto shape = readNumber(r, "shape parameter r")) {
        next.shapeR = *shape;
    }

    readKey(r, Field::Halve);
    if (const auto halve = readName(r, switchNames, "halving switch")) {
        next.halveShapeOnSubdivision = *halve;
    }

    readKey(r, Field::Alpha);
    if (const auto alpha = readNumber(r, "reduction weight alpha")) {
        if (!(*alpha > -1.0f)) {
            r.refuse(sentence("The link's reduction weight alpha is ", decimal(*alpha),
                              "; it must lie above -1."));
        }
        next.reductionAlpha = *alpha;
    }

    readKey(r, Field::Spacing);
    if (const auto spacing = readNumber(r, "parameter spacing")) {
        next.paramSpacing = *spacing;
    }

    readKey(r, Field::Turn);
    if (const auto x = readNumber(r, "turn of the view")) {
        next.rotationX = *x;
    }
    r.expect(',');
    if (const auto y = readNumber(r, "turn of the view")) {
        next.rotationY = *y;
    }

    constexpr ListRule pointsRule{"polygon", "point", 0, maxPoints};
    readKey(r, Field::Points);
    if (const auto t = r.token()) {
        if (const auto n = readPolygon(r, *t, pointsRule, next.controlPoints.data())) {
            next.pointCount = *n;
        }
    }
    const int n = next.pointCount;

    constexpr ListRule enteredRule{"entered polygon", "point", 0, maxPoints};
    readKey(r, Field::Entered);
    if (const auto t = r.token()) {
        if (*t == samePolygon) {
            next.enteredPointCount = n;
            next.enteredPolygon = next.controlPoints;
        } else if (const auto entered =
                       readPolygon(r, *t, enteredRule, next.enteredPolygon.data())) {
            next.enteredPointCount = *entered;
        }
    }

    constexpr ListRule knotsRule{"knot list", "value", 0, maxPoints};
    readKey(r, Field::Knots);
    if (const auto t = r.token()) {
        if (const auto m = readCount(r, *t, knotsRule)) {
            if (readValueItems(r, *m, knotsRule, next.knots.data(), nullptr)) {
                next.knotCount = *m;
            }
        }
    }
    const int m = next.knotCount;

    const int tailCount = std::max(0, n - m);
    constexpr ListRule tailRule{"knot tail", "value", 0, maxPoints};
    readKey(r, Field::Tail);
    if (const auto t = r.token()) {
        if (const auto count = readCount(r, *t, tailRule)) {
            if (*count != tailCount) {
                r.refuse(sentence("The link's knot tail has a count of ", *count,
                                  ", but its polygon runs ", tailCount, " past the knot list."));
            } else {
                readValueItems(r, tailCount, tailRule, next.knots.data() + m, nullptr);
            }
        }
    }

    constexpr ListRule handlesRule{"handle list", "handle", 0, maxPoints};
    readKey(r, Field::Handles);
    if (const auto t = r.token()) {
        if (const auto count = readCount(r, *t, handlesRule)) {
            if (*count != m) {
                r.refuse(sentence("The link has ", counted(*count, "knot handle"), " for ",
                                  counted(m, "knot"), "."));
            } else {
                std::array<float, maxPoints> x{};
                std::array<bool, maxPoints> marked{};
                if (readValueItems(r, m, handlesRule, x.data(), marked.data())) {
                    for (int i = 0; i < m; ++i) {
                        next.knotHandles[i] = {x[i], parameterBarMargin,
                                               marked[i] ? highlightOn : highlightOff};
                    }
                }
            }
        }
    }

    constexpr ListRule auxRule{"comparison polygon", "point", minAuxCount, maxPoints - 1};
    readKey(r, Field::Aux);
    if (const auto t = r.token()) {
        if (const auto aux = readPolygon(r, *t, auxRule, next.auxPolygon.data())) {
            next.auxPointCount = *aux;
        }
    }
    readKey(r, Field::Reduced);
    if (const auto reduced = readName(r, switchNames, "comparison switch")) {
        next.comparisonIsReduction = *reduced;
    }

    constexpr ListRule familyRule{"family's polygon", "point", 0, maxPoints};
    readKey(r, Field::Family);
    if (const auto t = r.token()) {
        if (*t == familyOn) {
            next.showFamily = true;
            r.expect(':');
            if (const auto source = r.token()) {
                if (*source == samePolygon) {
                    family.points = next.controlPoints;
                    family.count = n;
                } else if (const auto count =
                               readPolygon(r, *source, familyRule, family.points.data())) {
                    family.count = *count;
                }
            }
            if (r.ok() && family.count > 0 && family.count < minReduciblePoints) {
                r.refuse(sentence("The link's family comes from ", counted(family.count, "point"),
                                  "; a reduction takes at least ", minReduciblePoints, "."));
            }
        } else if (*t != familyOff) {
            r.refuse(
                sentence("The link's family overlay is ", quoted(*t), ", neither on nor off."));
        }
    }

    readKey(r, Field::Anim);
    if (const auto frame = readInteger(r, "animation frame")) {
        if (*frame < 0 || *frame > lastAnimationFrame) {
            r.refuse(sentence("The link's animation frame is ", *frame, "; it lies within 0 .. ",
                              lastAnimationFrame, "."));
        }
        next.animFrame = *frame;
    }
    r.expect(',');
    if (const auto t = readNumber(r, "animation parameter")) {
        if (*t != noAnimation && !(*t >= 0.0f && *t <= 1.0f)) {
            r.refuse(sentence("The link's animation parameter is ", decimal(*t),
                              "; it is -1 or lies within 0 .. 1."));
        }
        next.animT = *t;
    }

    readKey(r, Field::Active);
    if (const auto point = readInteger(r, "active point")) {
        if (*point != noIndex && (*point < 0 || *point >= n)) {
            r.refuse(sentence("The link's active point is ", *point, ", but its polygon has ",
                              counted(n, "point"), "."));
        }
        next.activePoint = *point;
    }
    r.expect(',');
    if (const auto knot = readInteger(r, "active knot")) {
        if (*knot != noIndex && (*knot < 0 || *knot >= m)) {
            r.refuse(sentence("The link's active knot is ", *knot, ", but its knot list has ",
                              counted(m, "value"), "."));
        }
        next.activeKnot = *knot;
    }

    return r.ok() && readEnd(r);
}

bool readVersion(Reader& r) {
    const std::string_view tag(&versionTag, 1);
    if (!r.accept(versionTag)) {
        r.refuse(
            sentence("The link does not start with a version such as ", tag, snapshotVersion, "."));
        return false;
    }
    const std::optional<std::string_view> t = r.token();
    if (!t) {
        return false;
    }
    const std::optional<int> version = wholeNumber(*t);
    if (!version) {
        r.refuse(
            sentence("The link does not start with a version such as ", tag, snapshotVersion, "."));
    } else if (*version != snapshotVersion) {
        r.refuse(sentence("The link has version ", *version, "; this page reads version ",
                          snapshotVersion, "."));
    }
    return r.ok();
}

// Everything the text carries starts from nothing, so that one text gives one
// record whatever the record held before; entries past the counts stay zero.
void clearCarried(AppState& s) {
    s.controlPoints = {};
    s.enteredPolygon = {};
    s.knots = {};
    s.knotHandles = {};
    s.auxPolygon = {};
    s.familyCurves = {};
    s.familyPolygon = {};
    s.familyPointCount = 0;
    s.showFamily = false;
}

SnapshotDecoding refused(std::string why) {
    return {false, std::move(why)};
}

SnapshotDecoding decode(std::string_view text, AppState& s) {
    if (text.size() > snapshotMaxLength) {
        return refused(sentence("The link is ", text.size(), " characters long; at most ",
                                snapshotMaxLength, " are read."));
    }
    if (text.empty()) {
        return refused("The link is empty.");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!carriedByFragment(text[i])) {
            return refused(strayCharacter(text[i], i));
        }
    }

    // The record is some tens of kilobytes: on the heap, since the page's
    // stack is small.
    const auto next = std::make_unique<AppState>(s);
    clearCarried(*next);
    const auto family = std::make_unique<FamilySource>();
    Reader r(text);
    if (!readVersion(r) || !readSettings(r, *next, *family)) {
        return refused(r.refusal());
    }

    if (family->count >= minReduciblePoints) {
        next->familyPolygon = family->points;
        next->familyPointCount = family->count - 1;
        for (int i = 0; i < familySize; ++i) {
            reduceDegree(family->points.data(), family->count, familyWeights[i],
                         next->familyCurves[i].data());
        }
    }
    next->animating = false;
    next->dragMode = DragMode::None;
    next->pressedButton = released;
    next->prevActivePoint = next->activePoint;
    next->prevActiveKnot = next->activeKnot;

    std::string broken = recordViolations(*next);
    if (!broken.empty()) {
        // The checker ends every sentence with "; ".
        broken.resize(broken.size() - 2);
        return refused(
            sentence("The link gives a state the program does not allow: ", broken, "."));
    }
    s = *next;
    return {true, {}};
}

}  // namespace

std::string encodeSnapshot(const AppState& s) {
    try {
        std::string out;
        out.reserve(typicalLength);
        Writer w(out);
        writeRecord(s, w);
        return out;
    } catch (...) {
        return {};
    }
}

SnapshotDecoding decodeSnapshot(std::string_view text, AppState& s) {
    try {
        return decode(text, s);
    } catch (...) {
        return refused("The link could not be read for want of memory.");
    }
}
