// A plain Win32 + OpenGL program: the library is loaded before main, so the
// main thread has a record and no current context.
#include <windows.h>
#include <GL/gl.h>
#include <stdio.h>

int main() {
    int failures = 0;
    glClearColor(1, 0, 0, 1);  // no context: does nothing
    if (glGetError() != GL_NO_ERROR) failures++;
    if (glGetString(GL_VERSION) != NULL) failures++;
    SetLastError(0);
    if (wglGetProcAddress("glLockArraysQTA") != NULL) failures++;
    if (GetLastError() != 0xE03D3D02u) failures++;
    printf("%d passed, %d failed\n", 4 - failures, failures);
    return failures ? 1 : 0;
}
