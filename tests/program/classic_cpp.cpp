// The classic program as C++: the same headers give the same names.
#include "classic.c"
