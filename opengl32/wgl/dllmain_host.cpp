// On the host the library loads with the program: the load entry runs before
// main and the unload entry at exit, as the Windows loader would run DllMain.
// As the loader does, it makes the library a module of its file name first,
// and the platform's GLU32.DLL, which the outline fonts load, is our GLU.

#include <stdio.h>
#include <stdlib.h>
#include "drawable.h"
#include "wgl.h"
#include "standin/control.h"

static HMODULE libraryModule;

__attribute__((constructor)) static void hostLoad(void) {
    StandinRegisterGlu("GLU32.DLL", nullptr);
    StandinRegisterModule("OPENGL32.dll", nullptr);
    libraryModule = LoadLibraryA("OPENGL32.dll");
    if (!libraryModule || !__wglDllEntry((HINSTANCE)libraryModule, DLL_PROCESS_ATTACH)) {
        fputs("OPENGL32.dll failed to initialise\n", stderr);
        _Exit(1);
    }
    __wglHostPicturesStart();
}

__attribute__((destructor)) static void hostUnload(void) {
    __wglDllEntry((HINSTANCE)libraryModule, DLL_PROCESS_DETACH);
    FreeLibrary(libraryModule);
}
