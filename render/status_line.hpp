#pragma once

// Writes the point count, the tension and the scheme name in the vector font
// near the top-left of the window; expects an identity modelview matrix.
void drawStatusLine();
