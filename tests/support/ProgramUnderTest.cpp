// Compiled once for every test program, with the program it drives
// (WINVESK_BINARY) and whether it is sanitized (WINVESK_SANITIZED, 0 or 1).
#include "support/ProgramUnderTest.h"

namespace vesk::test {

const char *winveskBinary() {
    return WINVESK_BINARY;
}

bool sanitizedBuild() {
    return WINVESK_SANITIZED != 0;
}

} // namespace vesk::test
