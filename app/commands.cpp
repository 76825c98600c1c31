#include "app/commands.hpp"

#include <cstdlib>

#include "app/state.hpp"

namespace {

constexpr unsigned char escapeKey = 27;
constexpr int quitStatus = 1;
constexpr int escapeStatus = -1;

}  // namespace

void onMenu(int code) {
    if (code == static_cast<int>(MenuCode::Quit)) {
        std::exit(quitStatus);
    }
}

void onKey(unsigned char key, int /*x*/, int /*y*/) {
    if (key == escapeKey) {
        std::exit(escapeStatus);
    }
}

void onIdle() {}
