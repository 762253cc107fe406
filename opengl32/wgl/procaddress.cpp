// wglGetProcAddress over the extension table, and the buffer lock entries.

#include <string.h>
#include "wgl.h"

// Entries of any signature travel as PROC.
#define WGL_PROC(f) ((PROC)(void (*)(void))(f))

extern "C" const WglExtensionEntry WglExtensionTable[25] = {
    {"glArrayElementEXT", WGL_PROC(glArrayElementEXT)},
    {"glDrawArraysEXT", WGL_PROC(glDrawArraysEXT)},
    {"glVertexPointerEXT", WGL_PROC(glVertexPointerEXT)},
    {"glNormalPointerEXT", WGL_PROC(glNormalPointerEXT)},
    {"glColorPointerEXT", WGL_PROC(glColorPointerEXT)},
    {"glIndexPointerEXT", WGL_PROC(glIndexPointerEXT)},
    {"glTexCoordPointerEXT", WGL_PROC(glTexCoordPointerEXT)},
    {"glEdgeFlagPointerEXT", WGL_PROC(glEdgeFlagPointerEXT)},
    {"glGetPointervEXT", WGL_PROC(glGetPointervEXT)},
    {"glColorSubTableEXT", WGL_PROC(glColorSubTableEXT)},
    {"glColorTableEXT", WGL_PROC(glColorTableEXT)},
    {"glCopyColorTableEXT", WGL_PROC(glCopyColorTableEXT)},
    {"glGetColorTableEXT", WGL_PROC(glGetColorTableEXT)},
    {"glGetColorTableParameterfvEXT", WGL_PROC(glGetColorTableParameterfvEXT)},
    {"glGetColorTableParameterivEXT", WGL_PROC(glGetColorTableParameterivEXT)},
    {"glLockArraysQTA", WGL_PROC(glLockArraysQTA)},
    {"glUnlockArraysQTA", WGL_PROC(glUnlockArraysQTA)},
    {"glCullParameterdvQTA", WGL_PROC(glCullParameterdvQTA)},
    {"glCullParameterfvQTA", WGL_PROC(glCullParameterfvQTA)},
    {"glIndexFuncQTA", WGL_PROC(glIndexFuncQTA)},
    {"glIndexMaterialQTA", WGL_PROC(glIndexMaterialQTA)},
    {"glAddSwapHintRectWIN", WGL_PROC(glAddSwapHintRectWIN)},
    {"wglLockBuffers", WGL_PROC(wglLockBuffers)},
    {"wglUnlockBuffers", WGL_PROC(wglUnlockBuffers)},
    {nullptr, nullptr},
};

extern "C" PROC WINAPI __wglGetProcAddress(LPCSTR name) {
    GlContext* gc = __wglGetCurrentContext();
    if (!gc || gc == __wglNullContext) {
        __wglSystemError("wglGetProcAddress", 2);
        return nullptr;
    }
    if (!name) return nullptr;
    for (const WglExtensionEntry* e = WglExtensionTable; e->name; e++)
        if (strcmp(e->name, name) == 0) return e->entry;
    return nullptr;
}

// The context of a handle when it is the calling thread's current one.
static GlContext* currentContextOf(HGLRC handle) {
    GlContext* current = __wglGetCurrentContext();
    GlContext* found = nullptr;
    __wglLock();
    for (WglContextHandle* h = __wglHandleList.next; h != &__wglHandleList; h = h->next)
        if (h->handle == (uint32_t)(uintptr_t)handle) {
            found = h->glContext;
            break;
        }
    __wglUnlock();
    if (!found || found == __wglNullContext || found != current) return nullptr;
    return found;
}

extern "C" BOOL WINAPI wglLockBuffers(HGLRC handle) {
    GlContext* gc = currentContextOf(handle);
    if (!gc) {
        __wglSystemError("wglLockBuffers", 2);
        return FALSE;
    }
    return gc->procs.lockBuffers(gc);
}

extern "C" BOOL WINAPI wglUnlockBuffers(HGLRC handle) {
    GlContext* gc = currentContextOf(handle);
    if (!gc) {
        __wglSystemError("wglUnlockBuffers", 2);
        return FALSE;
    }
    return gc->procs.unlockBuffers(gc);
}
