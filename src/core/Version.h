#pragma once

namespace vesk {

// The program's version, "major.minor.patch".
const char *versionString();

} // namespace vesk
