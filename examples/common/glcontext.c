/* OpenGL on a window: pixel format, rendering context and the perspective on resizing. */
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include "glcontext.h"

HGLRC CreateGLContext(HDC hdc, BYTE colorBits, BYTE depthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    HGLRC context;
    int format;

    ZeroMemory(&pfd, sizeof(pfd));
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = colorBits;
    pfd.cDepthBits = depthBits;
    pfd.iLayerType = PFD_MAIN_PLANE;
    format = ChoosePixelFormat(hdc, &pfd);
    if (format == 0 || !SetPixelFormat(hdc, format, &pfd))
        return NULL;
    context = wglCreateContext(hdc);
    if (context != NULL && !wglMakeCurrent(hdc, context)) {
        wglDeleteContext(context);
        context = NULL;
    }
    return context;
}

void ResizePerspective(int width, int height, double fovy, double zNear, double zFar)
{
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovy, (double)width / (double)height, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
