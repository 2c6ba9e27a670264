#include "core/Version.h"
#include "ui/mainwindow/GuiMain.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("WinVESK %s\n", vesk::versionString());
        return 0;
    }
    // A batch flag greater than 0 after the project asks for a run without a window.
    if (argc > 2 && std::atof(argv[2]) > 0) {
        std::fprintf(stderr, "WinVESK %s: batch runs are not available yet.\n", vesk::versionString());
        return 1;
    }
    return vesk::ui::runGui(argc, argv);
}
