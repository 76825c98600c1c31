#pragma once

// GLUT menu callback: runs the command with the given menu code.
void onMenu(int code);

// GLUT keyboard callback: runs the command of the key (taken modulo 256); the
// cursor position is ignored.
void onKey(unsigned char key, int x, int y);

// Idle callback: one animation step (65 frames from 0 to 1, then off).
void onIdle();
