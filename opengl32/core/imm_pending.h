// Immediate implementations still provided by imm_defaults.cpp (begin-state class only).
// Remove a line when the call gets its implementation.
#pragma once

#include "glpp.h"

