#include "app/window.hpp"
#include "render/display.hpp"

int main(int argc, char** argv) {
    keepFrameMemory();
    runApplication(argc, argv);
}
