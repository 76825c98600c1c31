#pragma once

// GLUT mouse callback: left button edits points and knot handles, right button rotates.
void onMouse(int button, int state, int x, int y);

// GLUT motion callback (a button held): drags a point, a handle or the view.
void onDrag(int x, int y);

// GLUT passive-motion callback: tracks the point or handle under the cursor.
void onHover(int x, int y);

// The point a left press at (x, y) (window pixels, y up) takes: the lowest
// index whose hit square holds it, or -1. A knot handle there comes first.
int findPoint(int x, int y);

// The knot handle a left press at (x, y) (window pixels, y up) takes, or -1;
// never the first or the last, whether or not the bar shows the handles.
int findHandle(int x, int y);

// Removes controlPoints[activePoint] and returns true (activePoint becomes -1);
// false, changing nothing, when no point is active. The caller refreshes.
bool deleteActivePoint();

// Restarts the depths of new points as srand(seed) restarts rand(); the
// program never calls it, so its depths are those of an unseeded rand().
void seedPointDepths(unsigned int seed);
