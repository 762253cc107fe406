#include "editor.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) { return EditorMain(showCommand); }
