// glViewport and glScissor: store and check the boxes. The viewport
// transform and the window clip box come with the matrix and buffer code.

#include "stateutil.h"

extern "C" void GLIMM __glImmViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlViewportState* v = &gc->viewport;
    v->x = x, v->y = y;
    v->width = width < gc->limits.maxViewportWidth ? width : gc->limits.maxViewportWidth;
    v->height = height < gc->limits.maxViewportHeight ? height : gc->limits.maxViewportHeight;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
}

extern "C" void GLIMM __glImmScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlScissorState* s = &gc->scissor;
    if (s->x == x && s->y == y && s->width == width && s->height == height) return;
    s->x = x, s->y = y, s->width = width, s->height = height;
    __glMarkPickers(ts, gc, GL_DIRTY_SCISSOR);
}
