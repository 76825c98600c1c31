#include "app/snapshot.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "app/invariants.hpp"
#include "app/link_reader.hpp"
#include "app/shortest_decimal.hpp"
#include "curves/degree.hpp"

// Version 1: the tag, then every field of the table below in its order, each
// after a ';' as key=value, then ";end". The values:
//
//   NAME     a token from the enumeration's table (curve mode, scheme, basis)
//   SWITCH   on | off
//   NUM      the shortest decimal that reads back to the same float
//   POLYGON  a count, then for a count above 0 ':' and x,y,z points joined by '/'
//   VALUES   a count, then for a count above 0 ':' and numbers joined by ','
//   HANDLES  as VALUES, each x followed by '!' when the handle is highlighted
//
// for example (one line):
//
//   v1;mode=bezier;degree=1;scheme=nr4;stencil=4;basis=mq1;r=1;halve=on;
//   alpha=-0.99999;spacing=1;turn=0,0;points=3:100,100,-37/200,300,12/300,100,5;
//   entered=points;knots=4:0,0,1,1;tail=0;handles=4:25,25,775,775;aux=0;
//   reduced=off;family=off;anim=0,-1;active=-1,-1;end
//
// The tail holds the parameter values past the knot list up to the point
// count: the RBF curve and the RBF subdivision index the values by point, and
// a subdivision in mode None writes values for the new points while the
// list's count stays as it was. Handles carry no y: layoutKnotHandles puts
// every handle of the list at 25 and nothing else writes it. The fixed order
// and the end marker make every text that was cut short incomplete, never a
// shorter valid one.
//
// The reader checks only what it must to write into the record (counts
// against capacities, lists against their counts, names against their
// tables); every range and rule between fields is the record's own, asked of
// recordViolations once the whole text is read.

namespace {

using namespace linktext;

constexpr char versionTag = 'v';
constexpr std::string_view endMarker = "end";
// Stands for the control polygon where a polygon would repeat it.
constexpr std::string_view samePolygon = "points";
constexpr std::string_view familyOff = "off";
constexpr std::string_view familyOn = "on";

// Room for the text of a full record, so that the text grows at most once.
constexpr std::size_t typicalLength = 16384;

constexpr int noIndex = -1;
constexpr float highlightOn = 1.0f;
constexpr float highlightOff = 0.0f;
constexpr int minReduciblePoints = 3;
constexpr int minAuxCount = -1;
constexpr int released = -1;

// The switches' table, as the enumerations have theirs.
struct SwitchRow {
    bool value;
    std::string_view token;
};
constexpr std::array<SwitchRow, 2> switchRows = {{{false, "off"}, {true, "on"}}};

int clampCount(int count) {
    return std::clamp(count, 0, maxPoints);
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

// An index outside [0, count) neither shows nor acts: it travels as none.
int indexInList(int index, int count) {
    return index >= 0 && index < count ? index : noIndex;
}

class Writer {
  public:
    explicit Writer(std::string& out) : out_(out) {}

    void text(std::string_view t) { out_.append(t); }
    void put(char c) { out_.push_back(c); }
    void integer(int v) {
        char buffer[shortestDecimalRoom];
        out_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    }
    void number(float v) {
        char buffer[shortestDecimalRoom];
        out_.append(buffer, formatShortest(v, buffer));
    }
    // A value without a row gets a token that no reader accepts.
    template <typename Row, std::size_t N, typename E>
    void name(const std::array<Row, N>& rows, E value) {
        const Row* row = rowOf(rows, value);
        text(row != nullptr ? row->token : "unknown");
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
    // The polygon, or "points" when it is the control polygon itself.
    void polygonOrSame(const AppState& s, const Point3* points, int count) {
        const int n = clampCount(s.pointCount);
        if (count > 0 && count == n && samePoints(points, s.controlPoints.data(), n)) {
            text(samePolygon);
        } else {
            polygon(points, count);
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

// The family's polygon as read, before its rows are computed.
struct FamilySource {
    ControlPolygon points{};
    int count = 0;
};

// What reading builds: the next record, which starts cleared, and the
// family's polygon.
struct Decoded {
    AppState next;
    FamilySource family;
};

void readPolygonInto(Reader& r, const ListRule& rule, Point3* out, int& count) {
    if (const auto t = r.token()) {
        if (const auto n = readPolygon(r, *t, rule, out)) {
            count = *n;
        }
    }
}

// A polygon that may be written as "points" (the control polygon, read before it).
void readPolygonOrSame(Reader& r, const AppState& s, const ListRule& rule, Point3* out,
                       int& count) {
    if (const auto t = r.token()) {
        if (*t == samePolygon) {
            std::copy_n(s.controlPoints.data(), s.pointCount, out);
            count = s.pointCount;
        } else if (const auto n = readPolygon(r, *t, rule, out)) {
            count = *n;
        }
    }
}

// Values whose count must be expected; the refusal when it is not.
template <typename Mismatch>
void readValuesCounted(Reader& r, const ListRule& rule, int expected, float* out, bool* marks,
                       Mismatch mismatch) {
    if (const auto t = r.token()) {
        if (const auto count = readCount(r, *t, rule)) {
            if (*count != expected) {
                r.refuse(mismatch(*count));
            } else {
                readValueItems(r, expected, rule, out, marks);
            }
        }
    }
}

void readPair(Reader& r, std::string_view what, float& a, float& b) {
    if (const auto v = readNumber(r, what)) {
        a = *v;
    }
    r.expect(',');
    if (const auto v = readNumber(r, what)) {
        b = *v;
    }
}

// One setting of the text: its key, how it is written from the record and
// how it is read into the next one. The table's order is the text's order.
struct Field {
    std::string_view key;
    void (*write)(const AppState& s, Writer& w);
    void (*read)(Reader& r, Decoded& d);
};

constexpr ListRule pointsRule{"polygon", "point", 0, maxPoints};
constexpr ListRule enteredRule{"entered polygon", "point", 0, maxPoints};
constexpr ListRule knotsRule{"knot list", "value", 0, maxPoints};
constexpr ListRule tailRule{"knot tail", "value", 0, maxPoints};
constexpr ListRule handlesRule{"handle list", "handle", 0, maxPoints};
constexpr ListRule auxRule{"comparison polygon", "point", minAuxCount, maxPoints - 1};
constexpr ListRule familyRule{"family's polygon", "point", 0, maxPoints};

const std::array<Field, 20> fields = {{
    {"mode", [](const AppState& s, Writer& w) { w.name(curveModeRows, s.curveMode); },
     [](Reader& r, Decoded& d) { readName(r, curveModeRows, "curve mode", d.next.curveMode); }},
    {"degree", [](const AppState& s, Writer& w) { w.integer(s.polyDegree); },
     [](Reader& r, Decoded& d) {
         // A limit of the link, not of the record: far above any degree that
         // a curve of 128 points can use.
         const auto degree = readInteger(r, "degree");
         if (degree && *degree > snapshotMaxDegree) {
             r.refuse(sentence("The link's degree is ", *degree, "; at most ", snapshotMaxDegree,
                               " is read."));
         } else if (degree) {
             d.next.polyDegree = *degree;
         }
     }},
    {"scheme", [](const AppState& s, Writer& w) { w.name(schemeRows, s.schemeKind); },
     [](Reader& r, Decoded& d) {
         readName(r, schemeRows, "subdivision scheme", d.next.schemeKind);
     }},
    {"stencil", [](const AppState& s, Writer& w) { w.integer(s.rbfStencilSize); },
     [](Reader& r, Decoded& d) {
         if (const auto stencil = readInteger(r, "RBF stencil")) {
             d.next.rbfStencilSize = *stencil;
         }
     }},
    {"basis", [](const AppState& s, Writer& w) { w.name(basisRows, s.basisKind); },
     [](Reader& r, Decoded& d) { readName(r, basisRows, "radial basis", d.next.basisKind); }},
    {"r", [](const AppState& s, Writer& w) { w.number(s.shapeR); },
     [](Reader& r, Decoded& d) {
         if (const auto v = readNumber(r, "shape parameter r")) {
             d.next.shapeR = *v;
         }
     }},
    {"halve", [](const AppState& s, Writer& w) { w.name(switchRows, s.halveShapeOnSubdivision); },
     [](Reader& r, Decoded& d) {
         readName(r, switchRows, "halving switch", d.next.halveShapeOnSubdivision);
     }},
    {"alpha", [](const AppState& s, Writer& w) { w.number(s.reductionAlpha); },
     [](Reader& r, Decoded& d) {
         if (const auto v = readNumber(r, "reduction weight alpha")) {
             d.next.reductionAlpha = *v;
         }
     }},
    {"spacing", [](const AppState& s, Writer& w) { w.number(s.paramSpacing); },
     [](Reader& r, Decoded& d) {
         if (const auto v = readNumber(r, "parameter spacing")) {
             d.next.paramSpacing = *v;
         }
     }},
    {"turn",
     [](const AppState& s, Writer& w) {
         w.number(s.rotationX);
         w.put(',');
         w.number(s.rotationY);
     },
     [](Reader& r, Decoded& d) {
         readPair(r, "turn of the view", d.next.rotationX, d.next.rotationY);
     }},
    {"points",
     [](const AppState& s, Writer& w) {
         w.polygon(s.controlPoints.data(), clampCount(s.pointCount));
     },
     [](Reader& r, Decoded& d) {
         readPolygonInto(r, pointsRule, d.next.controlPoints.data(), d.next.pointCount);
     }},
    {"entered",
     [](const AppState& s, Writer& w) {
         w.polygonOrSame(s, s.enteredPolygon.data(), clampCount(s.enteredPointCount));
     },
     [](Reader& r, Decoded& d) {
         readPolygonOrSame(r, d.next, enteredRule, d.next.enteredPolygon.data(),
                           d.next.enteredPointCount);
     }},
    {"knots",
     [](const AppState& s, Writer& w) { w.values(s.knots.data(), clampCount(s.knotCount)); },
     [](Reader& r, Decoded& d) {
         if (const auto t = r.token()) {
             if (const auto m = readCount(r, *t, knotsRule)) {
                 if (readValueItems(r, *m, knotsRule, d.next.knots.data(), nullptr)) {
                     d.next.knotCount = *m;
                 }
             }
         }
     }},
    {"tail",
     [](const AppState& s, Writer& w) {
         const int m = clampCount(s.knotCount);
         w.values(s.knots.data() + m, std::max(0, clampCount(s.pointCount) - m));
     },
     [](Reader& r, Decoded& d) {
         const int m = d.next.knotCount;
         const int tail = std::max(0, d.next.pointCount - m);
         readValuesCounted(r, tailRule, tail, d.next.knots.data() + m, nullptr, [&](int count) {
             return sentence("The link's knot tail has a count of ", count,
                             ", but its polygon runs ", tail, " past the knot list.");
         });
     }},
    {"handles",
     [](const AppState& s, Writer& w) { w.handles(s.knotHandles.data(), clampCount(s.knotCount)); },
     [](Reader& r, Decoded& d) {
         const int m = d.next.knotCount;
         std::array<float, maxPoints> x{};
         std::array<bool, maxPoints> marked{};
         readValuesCounted(r, handlesRule, m, x.data(), marked.data(), [&](int count) {
             return sentence("The link has ", counted(count, "knot handle"), " for ",
                             counted(m, "knot"), ".");
         });
         for (int i = 0; i < m && r.ok(); ++i) {
             d.next.knotHandles[i] = {x[i], parameterBarMargin,
                                      marked[i] ? highlightOn : highlightOff};
         }
     }},
    {"aux",
     [](const AppState& s, Writer& w) {
         w.polygon(s.auxPolygon.data(), std::max(s.auxPointCount, minAuxCount));
     },
     [](Reader& r, Decoded& d) {
         readPolygonInto(r, auxRule, d.next.auxPolygon.data(), d.next.auxPointCount);
     }},
    {"reduced", [](const AppState& s, Writer& w) { w.name(switchRows, s.comparisonIsReduction); },
     [](Reader& r, Decoded& d) {
         readName(r, switchRows, "comparison switch", d.next.comparisonIsReduction);
     }},
    {"family",
     [](const AppState& s, Writer& w) {
         if (!s.showFamily) {
             w.text(familyOff);
             return;
         }
         w.text(familyOn);
         w.put(':');
         const int rows = std::clamp(s.familyPointCount, 0, maxPoints - 1);
         w.polygonOrSame(s, s.familyPolygon.data(), rows > 0 ? rows + 1 : 0);
     },
     [](Reader& r, Decoded& d) {
         const auto t = r.token();
         if (t && *t == familyOn) {
             d.next.showFamily = true;
             r.expect(':');
             readPolygonOrSame(r, d.next, familyRule, d.family.points.data(), d.family.count);
             if (r.ok() && d.family.count > 0 && d.family.count < minReduciblePoints) {
                 r.refuse(sentence("The link's family comes from ",
                                   counted(d.family.count, "point"),
                                   "; a reduction takes at least ", minReduciblePoints, "."));
             }
         } else if (t && *t != familyOff) {
             r.refuse(
                 sentence("The link's family overlay is ", quoted(*t), ", neither on nor off."));
         }
     }},
    {"anim",
     [](const AppState& s, Writer& w) {
         w.integer(s.animFrame);
         w.put(',');
         w.number(s.animT);
     },
     [](Reader& r, Decoded& d) {
         if (const auto frame = readInteger(r, "animation frame")) {
             d.next.animFrame = *frame;
         }
         r.expect(',');
         if (const auto t = readNumber(r, "animation parameter")) {
             d.next.animT = *t;
         }
     }},
    {"active",
     [](const AppState& s, Writer& w) {
         w.integer(indexInList(s.activePoint, clampCount(s.pointCount)));
         w.put(',');
         w.integer(indexInList(s.activeKnot, clampCount(s.knotCount)));
     },
     [](Reader& r, Decoded& d) {
         // Stricter than the record, which keeps a stale index after a clear:
         // the writer never writes one.
         const int n = d.next.pointCount;
         const int m = d.next.knotCount;
         if (const auto point = readInteger(r, "active point")) {
             if (*point != noIndex && (*point < 0 || *point >= n)) {
                 r.refuse(sentence("The link's active point is ", *point, ", but its polygon has ",
                                   counted(n, "point"), "."));
             }
             d.next.activePoint = *point;
         }
         r.expect(',');
         if (const auto knot = readInteger(r, "active knot")) {
             if (*knot != noIndex && (*knot < 0 || *knot >= m)) {
                 r.refuse(sentence("The link's active knot is ", *knot, ", but its knot list has ",
                                   counted(m, "value"), "."));
             }
             d.next.activeKnot = *knot;
         }
     }},
}};

std::optional<std::size_t> fieldIndex(std::string_view key) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].key == key) {
            return i;
        }
    }
    return std::nullopt;
}

// A key that is not the one expected (index expected, or none after the
// last): read already, due later, or unknown.
std::string misplacedKey(std::string_view key, std::optional<std::size_t> expected) {
    const std::optional<std::size_t> index = fieldIndex(key);
    if (!index) {
        return sentence("The link has an unknown setting ", quoted(key), ".");
    }
    if (!expected || *index < *expected) {
        return sentence("The link gives '", key, "' twice.");
    }
    return sentence("The link has '", key, "' where '", fields[*expected].key, "' belongs.");
}

// ";key=" for field f.
void readKey(Reader& r, std::size_t f) {
    if (!r.expect(';')) {
        return;
    }
    const std::string_view key = r.word();
    // No key begins with the end marker, so a text that stops at it is whole
    // but lacks settings.
    if (key == endMarker) {
        r.refuse(sentence("The link ends before its '", fields[f].key, "' setting."));
        return;
    }
    if (r.atEnd()) {
        r.refuse(std::string(cutShort));
        return;
    }
    if (key == fields[f].key) {
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
    // stack is small. After the first refusal every read is a no-op, and the
    // first refusal is the one reported.
    const auto d = std::make_unique<Decoded>(Decoded{s, {}});
    AppState& next = d->next;
    clearCarried(next);
    Reader r(text);
    if (readVersion(r)) {
        for (std::size_t f = 0; f < fields.size() && r.ok(); ++f) {
            readKey(r, f);
            fields[f].read(r, *d);
        }
    }
    if (!r.ok() || !readEnd(r)) {
        return refused(r.refusal());
    }

    if (d->family.count >= minReduciblePoints) {
        next.familyPolygon = d->family.points;
        next.familyPointCount = d->family.count - 1;
        for (int i = 0; i < familySize; ++i) {
            reduceDegree(d->family.points.data(), d->family.count, familyWeights[i],
                         next.familyCurves[i].data());
        }
    }
    next.animating = false;
    next.dragMode = DragMode::None;
    next.pressedButton = released;
    next.prevActivePoint = next.activePoint;
    next.prevActiveKnot = next.activeKnot;

    const std::vector<std::string> broken = recordViolations(next);
    if (!broken.empty()) {
        std::string why = "The link gives a state the program does not allow: ";
        for (std::size_t i = 0; i < broken.size(); ++i) {
            why += (i > 0 ? "; " : "") + broken[i];
        }
        return refused(why + ".");
    }
    s = next;
    return {true, {}};
}

}  // namespace

std::string encodeSnapshot(const AppState& s) {
    try {
        std::string out;
        out.reserve(typicalLength);
        Writer w(out);
        w.put(versionTag);
        w.integer(snapshotVersion);
        for (const Field& f : fields) {
            w.put(';');
            w.text(f.key);
            w.put('=');
            f.write(s, w);
        }
        w.put(';');
        w.text(endMarker);
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
