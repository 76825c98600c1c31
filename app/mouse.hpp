#pragma once

// GLUT mouse callback: left button edits points and knot handles, right button rotates.
void onMouse(int button, int state, int x, int y);

// GLUT motion callback (a button held): drags a point, a handle or the view.
void onDrag(int x, int y);

// GLUT passive-motion callback: tracks the point or handle under the cursor.
void onHover(int x, int y);

// Removes controlPoints[activePoint], re-parameterises and re-solves; activePoint becomes -1.
void deleteActivePoint();
