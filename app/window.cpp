#include "app/window.hpp"

#include <GL/glut.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/platform.hpp"
#include "app/state.hpp"
#include "font/font_module.hpp"
#include "font/vector_font.hpp"
#include "render/display.hpp"
#include "render/palette.hpp"

namespace {

constexpr const char* windowTitle = "Tessaveld by Morvane 2002/12/27";

// The build passes where an installed copy keeps its data: the data directory
// relative to the directory of the program, and the absolute one it was
// configured with. The defaults are those of a /usr/local install.
#ifndef TESSAVELD_RELATIVE_DATA_DIR
#define TESSAVELD_RELATIVE_DATA_DIR "../share/tessaveld"
#endif
#ifndef TESSAVELD_INSTALL_DATA_DIR
#define TESSAVELD_INSTALL_DATA_DIR "/usr/local/share/tessaveld"
#endif
constexpr const char* fontFile = "fonts/garamond1.glf";
constexpr std::size_t exePathCapacity = 4096;

// The directory holding the running program, with a trailing slash; empty
// when the kernel will not say.
std::string programDirectory() {
    std::array<char, exePathCapacity> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    // readlink does not terminate the name, and a full buffer may have cut it.
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    const std::string exe(path.data(), static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

// The working directory comes first, so a run from the source tree uses its
// own font; then an installed copy finds its data beside its prefix wherever
// it was installed or unpacked, and last where it was meant to be installed.
void loadStatusFont() {
    if (loadFont(fontFile) >= 0) {
        return;
    }
    const std::string directory = programDirectory();
    if (!directory.empty()) {
        const std::string besideProgram = directory + TESSAVELD_RELATIVE_DATA_DIR + "/" + fontFile;
        if (loadFont(besideProgram.c_str()) >= 0) {
            return;
        }
    }
    const std::string installed = std::string(TESSAVELD_INSTALL_DATA_DIR) + "/" + fontFile;
    loadFont(installed.c_str());
}

constexpr MenuItem menuEntries[] = {
    {"clear", static_cast<int>(MenuCode::Clear)},
    {"reload", static_cast<int>(MenuCode::Reload)},
    {"RBF", static_cast<int>(MenuCode::Rbf)},
    {"bezier", static_cast<int>(MenuCode::Bezier)},
    {"lagrange", static_cast<int>(MenuCode::Lagrange)},
    {"B-spline", static_cast<int>(MenuCode::Bspline)},
    {"subdivision", static_cast<int>(MenuCode::Subdivision)},
    {"delete point", static_cast<int>(MenuCode::DeletePoint)},
    {"quit", static_cast<int>(MenuCode::Quit)},
};

}  // namespace

void onReshape(int width, int height) {
    const Rgb& background = activePalette().background;
    glClearColor(background.r, background.g, background.b, 1.0f);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLineWidth(3.0f);
    appState.windowWidth = width;
    appState.windowHeight = height;
}

void runApplication(int argc, char** argv) {
    glutInit(&argc, argv);
    // No depth buffer: later drawing simply overwrites earlier drawing.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(appState.windowWidth, appState.windowHeight);
    glutCreateWindow(windowTitle);

    // The status line's font; without it the program simply runs without text.
    initFonts();
    loadStatusFont();

    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutMouseFunc(onMouse);
    glutMotionFunc(onDrag);
    glutKeyboardFunc(onKey);
    glutPassiveMotionFunc(onHover);
    // The nine-entry command menu, on the middle button.
    platformOfferMenu(onMenu, menuEntries, static_cast<int>(std::size(menuEntries)));
    platformRunEventLoop();
}
