#include "render/status_line.hpp"

// The status line arrives with the vector font; until then it draws nothing.
void drawStatusLine() {}
