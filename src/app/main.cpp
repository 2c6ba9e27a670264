#include "core/Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("WinVESK %s\n", vesk::versionString());
        return 0;
    }
    std::fprintf(stderr, "WinVESK %s: the main window and batch runs are not available yet.\n",
                 vesk::versionString());
    return 1;
}
