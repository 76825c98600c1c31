#pragma once

#include <cstdio>

// Where the desktop program and the web page differ. The rest of the program
// calls these and nothing else of its host; the desktop build links
// app/platform_desktop.cpp, the web build web/native/platform_web.cpp.

struct MenuItem {
    const char* label;
    int code;
};

// Offers the command menu: on the desktop a GLUT menu on the middle button,
// on the page a row of buttons. Choosing an entry calls onChoice(code).
void platformOfferMenu(void (*onChoice)(int), const MenuItem* items, int count);

// Ends the program with this exit status: the process on the desktop; on
// the page the program stops and the page says so.
[[noreturn]] void platformQuit(int status);

// Tracing wrote to the trace file: the page shows the file as it grows.
void platformTraceWritten(std::FILE* traceFile);

// Hands control to the event loop for good.
[[noreturn]] void platformRunEventLoop();
