// State validation: derived geometry state, the vertex needs and the pickers.

#include "raster/glbuffer.h"
#include "glcontext.h"
#include "geometry/geometry.h"

// Derived values and every picker; run before the next drawing call after a
// state change.
extern "C" void GLPROC __glGenericValidate(GlContext* gc) {
    const GLuint general = gc->enables.general;
    const bool lighting = (general & GL_EN_LIGHTING) != 0;
    gc->clipPlaneMask = gc->enables.clipPlanes & 0x3F;
    gc->smoothShading = gc->lighting.shadeModel != GL_FLAT;
    gc->twoSided = lighting && gc->lighting.model.twoSide;

    GLuint needs = 0;
    if (lighting) needs |= GL_VX_FRONT_LIT | GL_VX_EYE_NORMAL | GL_VX_EYE;
    if (gc->clipPlaneMask) needs |= GL_VX_EYE;
    if (general & GL_EN_FOG) needs |= GL_VX_FOG | GL_VX_EYE;
    if ((gc->enables.texture & 0x3) && (gc->enables.texture & 0x3C)) needs |= GL_VX_TEXGEN | GL_VX_EYE;
    gc->frontNeeds = needs;
    gc->triangleNeeds = needs & ~(GLuint)(GL_VX_FRONT_LIT | GL_VX_BACK_LIT);
    gc->faceNeeds[0] = needs & GL_VX_FRONT_LIT;
    gc->faceNeeds[1] = lighting ? (gc->twoSided ? GL_VX_BACK_LIT : GL_VX_FRONT_LIT) : 0;
    gc->pendingNeeds = needs | gc->faceNeeds[1];

    // The viewport and depth transforms follow the stored values (an attribute
    // pop restores only those).
    __glReadDrawableSize(gc);
    __glComputeViewportTransform(gc);
    __glUpdateDepthRange(gc);
    gc->procs.computeWindowClipBox(gc);

    __glPickAllProcs(gc);
    __glComputeViewportBox(gc);  // also re-picks the vertex procedures
    __glPickColorBuffers(gc);

    gc->dirtyPickers = 0;
    gc->dirtyTables = 0;
    gc->contextFlags |= GL_CONTEXT_VALIDATED;
}

// Entered through procs.validate; the full form is the same.
extern "C" void GLPROC __glCallValidate(GlContext* gc) { gc->procs.validate(gc); }
