#pragma once

// Start-up and shut-down of the whole text module: the font tables, the
// settings and the console.

// Prepares the whole text module: empty tables, no current fonts, the default
// options, settings and a cleared 40 x 20 console. Releases whatever an earlier
// call left behind.
void initFonts();
// Releases the console buffer and every loaded font; the tables are empty afterwards.
void shutdownFonts();
