// On the host the library loads with the program: the load entry runs before
// main and the unload entry at exit, as the Windows loader would run DllMain.

#include <stdio.h>
#include <stdlib.h>
#include "wgl.h"

static char libraryAnchor;

__attribute__((constructor)) static void hostLoad(void) {
    if (!__wglDllEntry((HINSTANCE)&libraryAnchor, DLL_PROCESS_ATTACH)) {
        fputs("OPENGL32.dll failed to initialise\n", stderr);
        _Exit(1);
    }
}

__attribute__((destructor)) static void hostUnload(void) {
    __wglDllEntry((HINSTANCE)&libraryAnchor, DLL_PROCESS_DETACH);
}
