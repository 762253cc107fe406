// The robustness tests run with the library loaded once, software contexts only.
#include "gltest.h"

static const bool loaded = (gltestLoadForAllTests(), true);
