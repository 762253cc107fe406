/*
 * The GLU 1.2 interface, for C and C++: on Windows programs link the platform's glu32; on the
 * host they link our GLU (see the README for the part it implements).
 */
#ifndef __glu_h__
#define __glu_h__
#ifndef __GLU_H__
#define __GLU_H__
#endif

#include "gl.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Boolean */
#define GLU_FALSE 0
#define GLU_TRUE 1

/* StringName */
#define GLU_VERSION 100800
#define GLU_EXTENSIONS 100801

/* ErrorCode */
#define GLU_INVALID_ENUM 100900
#define GLU_INVALID_VALUE 100901
#define GLU_OUT_OF_MEMORY 100902
#define GLU_INCOMPATIBLE_GL_VERSION 100903

/* NurbsDisplay */
#define GLU_OUTLINE_POLYGON 100240
#define GLU_OUTLINE_PATCH 100241

/* NurbsError */
#define GLU_NURBS_ERROR1 100251
#define GLU_NURBS_ERROR2 100252
#define GLU_NURBS_ERROR3 100253
#define GLU_NURBS_ERROR4 100254
#define GLU_NURBS_ERROR5 100255
#define GLU_NURBS_ERROR6 100256
#define GLU_NURBS_ERROR7 100257
#define GLU_NURBS_ERROR8 100258
#define GLU_NURBS_ERROR9 100259
#define GLU_NURBS_ERROR10 100260
#define GLU_NURBS_ERROR11 100261
#define GLU_NURBS_ERROR12 100262
#define GLU_NURBS_ERROR13 100263
#define GLU_NURBS_ERROR14 100264
#define GLU_NURBS_ERROR15 100265
#define GLU_NURBS_ERROR16 100266
#define GLU_NURBS_ERROR17 100267
#define GLU_NURBS_ERROR18 100268
#define GLU_NURBS_ERROR19 100269
#define GLU_NURBS_ERROR20 100270
#define GLU_NURBS_ERROR21 100271
#define GLU_NURBS_ERROR22 100272
#define GLU_NURBS_ERROR23 100273
#define GLU_NURBS_ERROR24 100274
#define GLU_NURBS_ERROR25 100275
#define GLU_NURBS_ERROR26 100276
#define GLU_NURBS_ERROR27 100277
#define GLU_NURBS_ERROR28 100278
#define GLU_NURBS_ERROR29 100279
#define GLU_NURBS_ERROR30 100280
#define GLU_NURBS_ERROR31 100281
#define GLU_NURBS_ERROR32 100282
#define GLU_NURBS_ERROR33 100283
#define GLU_NURBS_ERROR34 100284
#define GLU_NURBS_ERROR35 100285
#define GLU_NURBS_ERROR36 100286
#define GLU_NURBS_ERROR37 100287

/* NurbsProperty */
#define GLU_AUTO_LOAD_MATRIX 100200
#define GLU_CULLING 100201
#define GLU_PARAMETRIC_TOLERANCE 100202
#define GLU_SAMPLING_TOLERANCE 100203
#define GLU_DISPLAY_MODE 100204
#define GLU_SAMPLING_METHOD 100205
#define GLU_U_STEP 100206
#define GLU_V_STEP 100207

/* NurbsSampling */
#define GLU_PATH_LENGTH 100215
#define GLU_PARAMETRIC_ERROR 100216
#define GLU_DOMAIN_DISTANCE 100217

/* NurbsTrim */
#define GLU_MAP1_TRIM_2 100210
#define GLU_MAP1_TRIM_3 100211

/* QuadricDrawStyle */
#define GLU_POINT 100010
#define GLU_LINE 100011
#define GLU_FILL 100012
#define GLU_SILHOUETTE 100013

/* QuadricCallback */
#define GLU_ERROR 100103

/* QuadricNormal */
#define GLU_SMOOTH 100000
#define GLU_FLAT 100001
#define GLU_NONE 100002

/* QuadricOrientation */
#define GLU_OUTSIDE 100020
#define GLU_INSIDE 100021

/* TessCallback */
#define GLU_TESS_BEGIN 100100
#define GLU_BEGIN 100100
#define GLU_TESS_VERTEX 100101
#define GLU_VERTEX 100101
#define GLU_TESS_END 100102
#define GLU_END 100102
#define GLU_TESS_ERROR 100103
#define GLU_TESS_EDGE_FLAG 100104
#define GLU_EDGE_FLAG 100104
#define GLU_TESS_COMBINE 100105
#define GLU_TESS_BEGIN_DATA 100106
#define GLU_TESS_VERTEX_DATA 100107
#define GLU_TESS_END_DATA 100108
#define GLU_TESS_ERROR_DATA 100109
#define GLU_TESS_EDGE_FLAG_DATA 100110
#define GLU_TESS_COMBINE_DATA 100111

/* TessContour */
#define GLU_CW 100120
#define GLU_CCW 100121
#define GLU_INTERIOR 100122
#define GLU_EXTERIOR 100123
#define GLU_UNKNOWN 100124

/* TessProperty */
#define GLU_TESS_WINDING_RULE 100140
#define GLU_TESS_BOUNDARY_ONLY 100141
#define GLU_TESS_TOLERANCE 100142

/* TessError */
#define GLU_TESS_ERROR1 100151
#define GLU_TESS_ERROR2 100152
#define GLU_TESS_ERROR3 100153
#define GLU_TESS_ERROR4 100154
#define GLU_TESS_ERROR5 100155
#define GLU_TESS_ERROR6 100156
#define GLU_TESS_ERROR7 100157
#define GLU_TESS_ERROR8 100158
#define GLU_TESS_MISSING_BEGIN_POLYGON 100151
#define GLU_TESS_MISSING_BEGIN_CONTOUR 100152
#define GLU_TESS_MISSING_END_POLYGON 100153
#define GLU_TESS_MISSING_END_CONTOUR 100154
#define GLU_TESS_COORD_TOO_LARGE 100155
#define GLU_TESS_NEED_COMBINE_CALLBACK 100156

/* TessWinding */
#define GLU_TESS_WINDING_ODD 100130
#define GLU_TESS_WINDING_NONZERO 100131
#define GLU_TESS_WINDING_POSITIVE 100132
#define GLU_TESS_WINDING_NEGATIVE 100133
#define GLU_TESS_WINDING_ABS_GEQ_TWO 100134

#define GLU_TESS_MAX_COORD 1.0e150

typedef struct GLUnurbs GLUnurbs;
typedef struct GLUquadric GLUquadric;
typedef struct GLUtesselator GLUtesselator;
typedef GLUnurbs GLUnurbsObj;
typedef GLUquadric GLUquadricObj;
typedef GLUtesselator GLUtesselatorObj;
typedef GLUtesselator GLUtriangulatorObj;

/* Callbacks are passed as this type and called with their own arguments. */
typedef void(APIENTRY *_GLUfuncptr)(void);

const GLubyte *APIENTRY gluErrorString(GLenum errCode);
const GLubyte *APIENTRY gluGetString(GLenum name);

void APIENTRY gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top);
void APIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void APIENTRY gluPickMatrix(GLdouble x, GLdouble y, GLdouble width, GLdouble height, GLint viewport[4]);
void APIENTRY gluLookAt(GLdouble eyex, GLdouble eyey, GLdouble eyez, GLdouble centerx, GLdouble centery,
                        GLdouble centerz, GLdouble upx, GLdouble upy, GLdouble upz);
int APIENTRY gluProject(GLdouble objx, GLdouble objy, GLdouble objz, const GLdouble modelMatrix[16],
                        const GLdouble projMatrix[16], const GLint viewport[4], GLdouble *winx, GLdouble *winy,
                        GLdouble *winz);
int APIENTRY gluUnProject(GLdouble winx, GLdouble winy, GLdouble winz, const GLdouble modelMatrix[16],
                          const GLdouble projMatrix[16], const GLint viewport[4], GLdouble *objx, GLdouble *objy,
                          GLdouble *objz);

int APIENTRY gluScaleImage(GLenum format, GLint widthin, GLint heightin, GLenum typein, const void *datain,
                           GLint widthout, GLint heightout, GLenum typeout, void *dataout);
int APIENTRY gluBuild1DMipmaps(GLenum target, GLint components, GLint width, GLenum format, GLenum type,
                               const void *data);
int APIENTRY gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                               GLenum type, const void *data);

GLUquadric *APIENTRY gluNewQuadric(void);
void APIENTRY gluDeleteQuadric(GLUquadric *state);
void APIENTRY gluQuadricNormals(GLUquadric *quadObject, GLenum normals);
void APIENTRY gluQuadricTexture(GLUquadric *quadObject, GLboolean textureCoords);
void APIENTRY gluQuadricOrientation(GLUquadric *quadObject, GLenum orientation);
void APIENTRY gluQuadricDrawStyle(GLUquadric *quadObject, GLenum drawStyle);
void APIENTRY gluCylinder(GLUquadric *qobj, GLdouble baseRadius, GLdouble topRadius, GLdouble height, GLint slices,
                          GLint stacks);
void APIENTRY gluDisk(GLUquadric *qobj, GLdouble innerRadius, GLdouble outerRadius, GLint slices, GLint loops);
void APIENTRY gluPartialDisk(GLUquadric *qobj, GLdouble innerRadius, GLdouble outerRadius, GLint slices,
                             GLint loops, GLdouble startAngle, GLdouble sweepAngle);
void APIENTRY gluSphere(GLUquadric *qobj, GLdouble radius, GLint slices, GLint stacks);
void APIENTRY gluQuadricCallback(GLUquadric *qobj, GLenum which, _GLUfuncptr fn);

GLUtesselator *APIENTRY gluNewTess(void);
void APIENTRY gluDeleteTess(GLUtesselator *tess);
void APIENTRY gluTessBeginPolygon(GLUtesselator *tess, GLvoid *polygon_data);
void APIENTRY gluTessBeginContour(GLUtesselator *tess);
void APIENTRY gluTessVertex(GLUtesselator *tess, GLdouble coords[3], GLvoid *data);
void APIENTRY gluTessEndContour(GLUtesselator *tess);
void APIENTRY gluTessEndPolygon(GLUtesselator *tess);
void APIENTRY gluTessProperty(GLUtesselator *tess, GLenum which, GLdouble value);
void APIENTRY gluTessNormal(GLUtesselator *tess, GLdouble x, GLdouble y, GLdouble z);
void APIENTRY gluTessCallback(GLUtesselator *tess, GLenum which, _GLUfuncptr fn);
void APIENTRY gluGetTessProperty(GLUtesselator *tess, GLenum which, GLdouble *value);

GLUnurbs *APIENTRY gluNewNurbsRenderer(void);
void APIENTRY gluDeleteNurbsRenderer(GLUnurbs *nobj);
void APIENTRY gluBeginSurface(GLUnurbs *nobj);
void APIENTRY gluBeginCurve(GLUnurbs *nobj);
void APIENTRY gluEndCurve(GLUnurbs *nobj);
void APIENTRY gluEndSurface(GLUnurbs *nobj);
void APIENTRY gluBeginTrim(GLUnurbs *nobj);
void APIENTRY gluEndTrim(GLUnurbs *nobj);
void APIENTRY gluPwlCurve(GLUnurbs *nobj, GLint count, GLfloat *array, GLint stride, GLenum type);
void APIENTRY gluNurbsCurve(GLUnurbs *nobj, GLint nknots, GLfloat *knot, GLint stride, GLfloat *ctlarray,
                            GLint order, GLenum type);
void APIENTRY gluNurbsSurface(GLUnurbs *nobj, GLint sknot_count, GLfloat *sknot, GLint tknot_count, GLfloat *tknot,
                              GLint s_stride, GLint t_stride, GLfloat *ctlarray, GLint sorder, GLint torder,
                              GLenum type);
void APIENTRY gluLoadSamplingMatrices(GLUnurbs *nobj, const GLfloat modelMatrix[16], const GLfloat projMatrix[16],
                                      const GLint viewport[4]);
void APIENTRY gluNurbsProperty(GLUnurbs *nobj, GLenum property, GLfloat value);
void APIENTRY gluGetNurbsProperty(GLUnurbs *nobj, GLenum property, GLfloat *value);
void APIENTRY gluNurbsCallback(GLUnurbs *nobj, GLenum which, _GLUfuncptr fn);

/* The GLU 1.0 polygon calls. */
void APIENTRY gluBeginPolygon(GLUtesselator *tess);
void APIENTRY gluNextContour(GLUtesselator *tess, GLenum type);
void APIENTRY gluEndPolygon(GLUtesselator *tess);

#ifdef __cplusplus
}
#endif

#endif /* __glu_h__ */
