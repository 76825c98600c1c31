#pragma once

// The window's colours: one entry per thing the program draws, looked up by
// every drawing helper. The program's own palette is the default and the
// only one the desktop uses; the page may switch to the high-contrast one,
// in which every entry stands at 3:1 or more against the background and
// keeps its meaning (the reds stay red, only darker).

#include <array>

struct Rgb {
    float r;
    float g;
    float b;
};

constexpr int familyRowCount = 6;

struct Palette {
    Rgb background;     // the cleared window
    Rgb markerCore;     // solid cube of a plain marker
    Rgb markerWire;     // wire of a plain marker; the polygon inherits it
    Rgb highlightCore;  // solid cube of a highlighted marker; the polygon inherits it
    Rgb highlightWire;  // wire of a highlighted marker
    Rgb sceneLead;      // current before the scene's markers, which replace it at once
    Rgb bezierCurve;    // current when the mode's curve is drawn: the Bezier curve's colour
    Rgb curve;          // the Lagrange, B-spline and RBF curves
    Rgb comparison;     // the comparison polygon and its Bezier curve
    std::array<Rgb, familyRowCount> family;  // each reduced polygon of the family, graded
    Rgb familySpread;                        // the segments between the family's extreme rows
    Rgb levelBefore;                         // a transition frame's polygon before the step
    Rgb rbfLevelAfter;                       // an RBF subdivision frame's refined polygon
    Rgb fourPointAfter;    // a four-point frame's refined polygon, and after a knot insertion
    Rgb insertionMarkers;  // current before a knot insertion's markers, which replace it
    Rgb statusText;        // the status line of the UNR4 frame
};

enum class PaletteKind : int { Program = 0, HighContrast = 1 };

// The palette every drawing helper uses now.
const Palette& activePalette();

// Makes kind the palette of every later frame; the program itself never
// calls it, so the desktop always draws with its own.
void usePalette(PaletteKind kind);

// Sets c as GL's current colour (glColor3f), for the primitives that follow.
void setCurrentColour(const Rgb& c);
