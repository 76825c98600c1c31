#pragma once

// Parameter values and knot vectors, and their handles on the parameter bar.

// Rebuilds knots and knotCount for the current curve mode, then lays out the
// handles; does nothing in curve mode None.
void assignParameters();

// Places handles 0..knotCount-1 on the bar (x from 25 to windowWidth - 25, y = 25)
// by mapping the knot range linearly; highlight flags are kept.
void layoutKnotHandles();

// Recomputes the knots from the handles' x positions so that they run from
// exactly 0 to exactly 1; the handles do not move.
void knotsFromHandles();
