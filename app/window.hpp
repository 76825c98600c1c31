#pragma once

// Program start-up: opens the window, registers the callbacks, builds the
// menu and enters GLUT's loop, which never returns.
[[noreturn]] void runApplication(int argc, char** argv);

// GLUT reshape callback: grey clear colour, one unit per pixel with the origin
// at the lower-left corner, 3-pixel lines; stores the new size in the state.
void onReshape(int width, int height);
