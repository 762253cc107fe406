// List-compile entries still provided by imm_defaults.cpp (they record nothing).
// Remove a line when the entry gets its implementation.
#pragma once

#include "glpp.h"

