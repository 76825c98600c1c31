#include "app/window.hpp"

int main(int argc, char** argv) {
    runApplication(argc, argv);
}
