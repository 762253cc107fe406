// gluErrorString: the texts of the GL and GLU error codes.
#include <windows.h>
#include <GL/glu.h>

namespace {

struct ErrorText {
  GLenum code;
  const char *text;
};

const ErrorText kErrors[] = {
    {GL_NO_ERROR, "no error"},
    {GL_INVALID_ENUM, "invalid enumerant"},
    {GL_INVALID_VALUE, "invalid value"},
    {GL_INVALID_OPERATION, "invalid operation"},
    {GL_STACK_OVERFLOW, "stack overflow"},
    {GL_STACK_UNDERFLOW, "stack underflow"},
    {GL_OUT_OF_MEMORY, "out of memory"},
    {GLU_INVALID_ENUM, "invalid enumerant"},
    {GLU_INVALID_VALUE, "invalid value"},
    {GLU_OUT_OF_MEMORY, "out of memory"},
    {GLU_INCOMPATIBLE_GL_VERSION, "incompatible gl version"},
    {GLU_TESS_MISSING_BEGIN_POLYGON, "gluTessBeginPolygon() must precede a gluTessEndPolygon()"},
    {GLU_TESS_MISSING_BEGIN_CONTOUR, "gluTessBeginContour() must precede a gluTessEndContour()"},
    {GLU_TESS_MISSING_END_POLYGON, "gluTessEndPolygon() must follow a gluTessBeginPolygon()"},
    {GLU_TESS_MISSING_END_CONTOUR, "gluTessEndContour() must follow a gluTessBeginContour()"},
    {GLU_TESS_COORD_TOO_LARGE, "a coordinate is too large"},
    {GLU_TESS_NEED_COMBINE_CALLBACK, "need combine callback"},
};

}  // namespace

extern "C" {

// Null for a code that is not an error code.
const GLubyte *APIENTRY gluErrorString(GLenum errCode) {
  for (const ErrorText &e : kErrors)
    if (e.code == errCode) return reinterpret_cast<const GLubyte *>(e.text);
  return nullptr;
}

}  // extern "C"
