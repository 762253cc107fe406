/* The polygon tessellator part of the GLU 1.2 interface, as far as the library uses it. */
#ifndef STANDIN_GL_GLU_H
#define STANDIN_GL_GLU_H

#include "../../../include/GL/gl.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GLU_OUT_OF_MEMORY 100902

#define GLU_TESS_BEGIN 100100
#define GLU_TESS_VERTEX 100101
#define GLU_TESS_END 100102
#define GLU_TESS_ERROR 100103
#define GLU_TESS_EDGE_FLAG 100104
#define GLU_TESS_COMBINE 100105
#define GLU_TESS_BEGIN_DATA 100106
#define GLU_TESS_VERTEX_DATA 100107
#define GLU_TESS_END_DATA 100108
#define GLU_TESS_ERROR_DATA 100109
#define GLU_TESS_EDGE_FLAG_DATA 100110
#define GLU_TESS_COMBINE_DATA 100111

#define GLU_TESS_WINDING_ODD 100130
#define GLU_TESS_WINDING_NONZERO 100131
#define GLU_TESS_WINDING_POSITIVE 100132
#define GLU_TESS_WINDING_NEGATIVE 100133
#define GLU_TESS_WINDING_ABS_GEQ_TWO 100134

#define GLU_TESS_WINDING_RULE 100140
#define GLU_TESS_BOUNDARY_ONLY 100141
#define GLU_TESS_TOLERANCE 100142

#define GLU_TESS_MISSING_BEGIN_POLYGON 100151
#define GLU_TESS_MISSING_BEGIN_CONTOUR 100152
#define GLU_TESS_MISSING_END_POLYGON 100153
#define GLU_TESS_MISSING_END_CONTOUR 100154
#define GLU_TESS_COORD_TOO_LARGE 100155
#define GLU_TESS_NEED_COMBINE_CALLBACK 100156

typedef struct GLUtesselator GLUtesselator;
typedef void(APIENTRY *_GLUfuncptr)(void);

GLUtesselator *APIENTRY gluNewTess(void);
void APIENTRY gluDeleteTess(GLUtesselator *tess);
void APIENTRY gluTessBeginPolygon(GLUtesselator *tess, GLvoid *data);
void APIENTRY gluTessBeginContour(GLUtesselator *tess);
void APIENTRY gluTessVertex(GLUtesselator *tess, GLdouble location[3], GLvoid *data);
void APIENTRY gluTessEndContour(GLUtesselator *tess);
void APIENTRY gluTessEndPolygon(GLUtesselator *tess);
void APIENTRY gluTessProperty(GLUtesselator *tess, GLenum which, GLdouble data);
void APIENTRY gluTessNormal(GLUtesselator *tess, GLdouble valueX, GLdouble valueY, GLdouble valueZ);
void APIENTRY gluTessCallback(GLUtesselator *tess, GLenum which, _GLUfuncptr callback);

#ifdef __cplusplus
}
#endif

#endif /* STANDIN_GL_GLU_H */
