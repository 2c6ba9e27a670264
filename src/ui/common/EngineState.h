#pragma once

// The engine's state for GUI code. Qt's keyword macros (slots, signals, emit)
// would rewrite engine names that happen to be those words, so they are
// switched off while the engine headers are read and restored afterwards.

#pragma push_macro("slots")
#pragma push_macro("signals")
#pragma push_macro("emit")
#undef slots
#undef signals
#undef emit
#include "run/State.h"
#pragma pop_macro("emit")
#pragma pop_macro("signals")
#pragma pop_macro("slots")
