#include "core/Version.h"

namespace vesk {

const char *versionString() {
    return WINVESK_VERSION;
}

} // namespace vesk
