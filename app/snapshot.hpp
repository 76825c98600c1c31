#pragma once

// The record's inputs and snapshots as a line of text, and back: what makes
// the picture (polygons, knots and handles, settings, the view's turn, the
// comparison polygon, the family overlay, a paused construction), never the
// derived data, the trace or the window. The text uses only characters that
// an address fragment carries as they are.

#include <cstddef>
#include <string>
#include <string_view>

#include "app/state.hpp"

// Texts longer than this are refused unread.
constexpr std::size_t snapshotMaxLength = 65536;

// What decoding did: applied, or refused with one sentence saying why.
struct SnapshotDecoding {
    bool applied = false;
    std::string refusal;  // empty when applied
};

// The text of the record's inputs and snapshots.
std::string encodeSnapshot(const AppState& s);

// Reads a text made by encodeSnapshot into s: inputs and snapshots (the family
// rows recomputed from the polygon they reduce); the animation is left paused,
// and the derived data (RBF coefficients) is the caller's to refresh. The
// whole text is checked before anything is written: a refused text leaves s
// exactly as it was.
SnapshotDecoding decodeSnapshot(std::string_view text, AppState& s);
