#pragma once

// Seeded random streams of window events for the editor's callbacks: presses,
// releases, drags and hovers of the three buttons, every key code but Esc,
// menu codes valid and invalid (never "quit"), reshapes, idle steps and
// explicit redraws. A stream is a pure function of its seed and of the state
// it reads to aim at points and handles, so replaying a seed from a fresh
// state replays the same events.

#include <cstdint>
#include <string>

namespace tvtest {

enum class EventKind { Mouse, Drag, Hover, Key, Menu, Reshape, Idle, Display };

struct Event {
    EventKind kind = EventKind::Display;
    int a = 0;  // button, key, menu code or width
    int b = 0;  // button state or height
    int x = 0;  // GLUT coordinates: x from the left, y from the top
    int y = 0;
};

// Human-readable form for failure messages, e.g. "mouse 0 down at (12, 588)".
std::string describe(const Event& e);

// Runs the event through the program's own callback with the current GL context.
void apply(const Event& e);

// Splitmix64: the same numbers on every platform and standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in lo .. hi, both included.
    int between(int lo, int hi);
    // True with probability percent / 100.
    bool chance(int percent) { return between(0, 99) < percent; }

  private:
    std::uint64_t state_;
};

class EventStream {
  public:
    // Half of the streams never clear the polygon, so that they spend long
    // stretches at the full 128 points.
    explicit EventStream(std::uint64_t seed) : random_(seed) { clears_ = random_.chance(50); }
    // The next event, aimed with the state as it is now.
    Event next();

  private:
    Event mouseGesture();
    Event keyEvent();
    Event menuEvent();
    Event reshapeEvent();
    void position(int& x, int& y);

    Random random_;
    // A gesture or a key burst in progress: its remaining events.
    int pendingDrags_ = 0;
    int pendingButton_ = 0;
    int burstKey_ = 0;
    int burstLeft_ = 0;
    int releaseX_ = 0;
    int releaseY_ = 0;
    bool releasePending_ = false;
    bool clears_ = true;
};

// Empty when the editor's record satisfies its invariants after `last`;
// otherwise what is wrong.
std::string checkInvariants(const Event& last, int expectedWidth, int expectedHeight);

}  // namespace tvtest
