/* OpenGL on a window: the pixel format and rendering context, and the projection on resizing. */
#ifndef GLCONTEXT_H
#define GLCONTEXT_H

/* Gives the device context a double-buffered RGBA pixel format of about the given colour and
   depth bits and makes a new rendering context current on it; NULL on failure. */
HGLRC CreateGLContext(HDC hdc, BYTE colorBits, BYTE depthBits);

/* Viewport over the whole client area and a perspective projection of its aspect. */
void ResizePerspective(int width, int height, double fovy, double zNear, double zFar);

#endif
