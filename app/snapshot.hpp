#pragma once

// The record's inputs and snapshots as a line of text, and back: what makes
// the picture (polygons, knots and handles, settings, the view's turn, the
// comparison polygon, the family overlay, a paused construction), never the
// derived data, the trace or the window. The text uses only characters that
// an address fragment carries as they are.
//
// The format is described beside the table of its fields, in snapshot.cpp.

#include <cstddef>
#include <string>
#include <string_view>

#include "app/state.hpp"

// Texts longer than this are refused unread.
constexpr std::size_t snapshotMaxLength = 65536;
// The version encodeSnapshot writes and the only one decodeSnapshot reads.
constexpr int snapshotVersion = 1;
// The largest degree a text may give: far above any that a curve of 128
// points can use, and more presses of w than anyone makes.
constexpr int snapshotMaxDegree = 100000;

// What decoding did: applied, or refused with one sentence saying why.
struct SnapshotDecoding {
    bool applied = false;
    std::string refusal;  // empty when applied
};

// The text of the record's inputs and snapshots. An active point or knot
// outside its list is written as none (-1): neither shows nor acts. Returns
// an empty text only when memory runs out.
std::string encodeSnapshot(const AppState& s);

// Reads a text made by encodeSnapshot into s: inputs and snapshots (the family
// rows recomputed from the polygon they reduce); the animation is left paused,
// and the derived data (RBF coefficients) is the caller's to refresh. Nothing
// is held or dragged afterwards, the previous hover equals the current one,
// and entries past each list's count are zero; the window size, the trace and
// the rotation anchor stay as they were. The whole text is checked before
// anything is written: a refused text leaves s exactly as it was.
SnapshotDecoding decodeSnapshot(std::string_view text, AppState& s);
