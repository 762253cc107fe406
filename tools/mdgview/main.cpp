#include "viewer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) { return ViewerMain(showCommand); }
