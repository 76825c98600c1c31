#include "app/mouse.hpp"

#include "app/state.hpp"

// Mouse editing arrives with the interactive editor; until then the mouse does nothing.
void onMouse(int /*button*/, int /*state*/, int /*x*/, int /*y*/) {}
void onDrag(int /*x*/, int /*y*/) {}
void onHover(int /*x*/, int /*y*/) {}
void deleteActivePoint() {}
