// Texture image procedures not built yet: levels get no memory, images are
// not stored or copied, and no texture is complete.

#include "texture.h"

extern "C" uint8_t* GLPROC __glAllocTexLevel(GlContext*, GlTextureParams*, GLint, GLint, GLint, GLint, GLint, GLint,
                                             GLint) {
    return nullptr;
}
extern "C" uint8_t* GLPROC __glAllocProxyTexLevel(GlContext*, GlTextureParams*, GLint, GLint, GLint, GLint, GLint,
                                                  GLint, GLint) {
    return nullptr;
}
extern "C" void GLPROC __glTexStoreImageHook(GlContext*, GlPixelOpRecord*, GlTextureParams*, GLint) {}
extern "C" void GLPROC __glTexCopyImageHook(GlContext*, GlPixelOpRecord*, GlTextureParams*, GLint) {}
extern "C" GLboolean GLPROC __glIsTextureComplete(GlContext*, const GlTextureParams*) { return GL_FALSE; }
