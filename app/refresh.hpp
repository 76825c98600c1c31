#pragma once

// The one path from an edited input to the data derived from it. Every event
// that changes what is shown ends in refreshAfter, naming what it edited; the
// refresh brings the derived data up to date and asks GLUT for a redraw.
//
// Derived: the knot list and its handles when the curve mode, point count or
// degree change (the list is also an input: handle drags, reload and the
// subdivision steps write it, and those values stay until the next such
// change), the knots of a moved handle, and the RBF coefficients. The
// comparison polygon and the family overlay are not derived: they are
// snapshots of the polygon taken by the key that shows them.

// What an event edited.
enum class Edit : int {
    View,            // only what is shown: view, highlight, overlays, animation
    Points,          // control point positions; count, knots and settings kept
    Layout,          // curve mode, point count or degree: the knot list starts afresh
    Nodes,           // knot values written in place (reload); count and handles kept
    HandleHeld,      // a knot handle moved and is still held
    HandleReleased,  // a knot handle was let go
    Basis,           // basis kind or shape parameter of the RBF
};

// Brings the derived data up to date after the edit, without drawing:
// Layout rebuilds the mode's knot list (kept in mode None or for an impossible
// point count) and lays out its handles; the handle edits take the knots from
// the handles' positions; every edit but View and HandleHeld re-solves the RBF
// coefficients (a handle drag is only previewed, the solve waits for the
// release). The solve keeps its system's inverse while the centres, degree,
// basis and shape stay the same, so a point drag only multiplies.
void deriveFromInputs(Edit edit);

// deriveFromInputs, then a redraw request to GLUT.
void refreshAfter(Edit edit);
