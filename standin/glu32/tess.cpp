// Polygon tessellator of the GLU stand-in: a band sweep. The vertex heights cut the plane into
// bands; inside a band the edges crossing it are ordered left to right and every span that the
// winding rule calls inside becomes a trapezoid of two triangles. Points where an edge crosses a
// band boundary between its ends are new vertices made through the combine callback.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "standin/control.h"
#include "GL/glu.h"

namespace {

struct TessVertex {
  double coords[3];
  void *data;
  double u, v;  // projected
};

struct TessEdge {
  int low, high;    // vertex indices, low has the smaller v
  int direction;    // +1 when the contour runs upwards along it
  double crossV;    // boundary of the cached crossing
  void *crossData;  // vertex data made there
};

typedef void(APIENTRY *BeginProc)(GLenum);
typedef void(APIENTRY *BeginDataProc)(GLenum, void *);
typedef void(APIENTRY *VertexProc)(void *);
typedef void(APIENTRY *VertexDataProc)(void *, void *);
typedef void(APIENTRY *EndProc)(void);
typedef void(APIENTRY *EndDataProc)(void *);
typedef void(APIENTRY *ErrorProc)(GLenum);
typedef void(APIENTRY *ErrorDataProc)(GLenum, void *);
typedef void(APIENTRY *CombineProc)(GLdouble[3], void *[4], GLfloat[4], void **);
typedef void(APIENTRY *CombineDataProc)(GLdouble[3], void *[4], GLfloat[4], void **, void *);

}  // namespace

struct GLUtesselator {
  int state;  // 0 idle, 1 in polygon, 2 in contour
  void *polygonData;
  GLenum windingRule;
  double normal[3];
  std::vector<TessVertex> vertices;
  std::vector<int> contourStarts;
  BeginProc begin;
  BeginDataProc beginData;
  VertexProc vertex;
  VertexDataProc vertexData;
  EndProc end;
  EndDataProc endData;
  ErrorProc error;
  ErrorDataProc errorData;
  CombineProc combine;
  CombineDataProc combineData;
};

namespace {

void ReportError(GLUtesselator *t, GLenum code) {
  if (t->errorData) t->errorData(code, t->polygonData);
  else if (t->error) t->error(code);
}

void EmitBegin(GLUtesselator *t, GLenum mode) {
  if (t->beginData) t->beginData(mode, t->polygonData);
  else if (t->begin) t->begin(mode);
}

void EmitVertex(GLUtesselator *t, void *data) {
  if (t->vertexData) t->vertexData(data, t->polygonData);
  else if (t->vertex) t->vertex(data);
}

void EmitEnd(GLUtesselator *t) {
  if (t->endData) t->endData(t->polygonData);
  else if (t->end) t->end();
}

bool Inside(GLenum rule, int winding) {
  switch (rule) {
    case GLU_TESS_WINDING_NONZERO: return winding != 0;
    case GLU_TESS_WINDING_POSITIVE: return winding > 0;
    case GLU_TESS_WINDING_NEGATIVE: return winding < 0;
    case GLU_TESS_WINDING_ABS_GEQ_TWO: return winding >= 2 || winding <= -2;
    default: return (winding & 1) != 0;
  }
}

// Newell's normal of the contours, for a tessellator without a given normal.
void ComputeNormal(const GLUtesselator *t, double n[3]) {
  n[0] = n[1] = n[2] = 0;
  for (size_t c = 0; c < t->contourStarts.size(); ++c) {
    int first = t->contourStarts[c];
    int last = c + 1 < t->contourStarts.size() ? t->contourStarts[c + 1] : int(t->vertices.size());
    for (int i = first; i < last; ++i) {
      const double *a = t->vertices[i].coords;
      const double *b = t->vertices[i + 1 < last ? i + 1 : first].coords;
      n[0] += (a[1] - b[1]) * (a[2] + b[2]);
      n[1] += (a[2] - b[2]) * (a[0] + b[0]);
      n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
  }
  if (n[0] == 0 && n[1] == 0 && n[2] == 0) n[2] = 1;
}

// Projects onto the plane across the normal's largest axis, oriented so that turning
// anticlockwise about the normal is anticlockwise in (u, v).
void Project(GLUtesselator *t, const double n[3]) {
  int axis = fabs(n[0]) > fabs(n[1]) ? (fabs(n[0]) > fabs(n[2]) ? 0 : 2) : (fabs(n[1]) > fabs(n[2]) ? 1 : 2);
  int ua = (axis + 1) % 3, va = (axis + 2) % 3;
  double sign = n[axis] < 0 ? -1 : 1;
  for (TessVertex &v : t->vertices) {
    v.u = v.coords[ua];
    v.v = v.coords[va] * sign;
  }
}

struct Crossing {
  double uLow, uHigh;  // at the band's lower and upper boundary
  int edge;
};

// The vertex data where edge e meets height v: an end point, or a combined new vertex.
void *PointAt(GLUtesselator *t, TessEdge &e, double v, bool *failed) {
  const TessVertex &a = t->vertices[e.low], &b = t->vertices[e.high];
  if (a.v == v) return a.data;
  if (b.v == v) return b.data;
  if (e.crossData && e.crossV == v) return e.crossData;
  double s = (v - a.v) / (b.v - a.v);
  GLdouble coords[3];
  for (int k = 0; k < 3; ++k) coords[k] = a.coords[k] + s * (b.coords[k] - a.coords[k]);
  void *in[4] = {a.data, b.data, nullptr, nullptr};
  GLfloat weight[4] = {GLfloat(1 - s), GLfloat(s), 0, 0};
  void *out = nullptr;
  if (t->combineData) t->combineData(coords, in, weight, &out, t->polygonData);
  else if (t->combine) t->combine(coords, in, weight, &out);
  if (!out) {
    if (!*failed) ReportError(t, GLU_TESS_NEED_COMBINE_CALLBACK);
    *failed = true;
    return nullptr;
  }
  e.crossV = v;
  e.crossData = out;
  return out;
}

void Sweep(GLUtesselator *t) {
  double n[3] = {t->normal[0], t->normal[1], t->normal[2]};
  if (n[0] == 0 && n[1] == 0 && n[2] == 0) ComputeNormal(t, n);
  Project(t, n);

  std::vector<TessEdge> edges;
  for (size_t c = 0; c < t->contourStarts.size(); ++c) {
    int first = t->contourStarts[c];
    int last = c + 1 < t->contourStarts.size() ? t->contourStarts[c + 1] : int(t->vertices.size());
    for (int i = first; i < last; ++i) {
      int j = i + 1 < last ? i + 1 : first;
      if (t->vertices[i].v == t->vertices[j].v) continue;  // horizontal edges bound no band
      bool up = t->vertices[i].v < t->vertices[j].v;
      edges.push_back({up ? i : j, up ? j : i, up ? 1 : -1, 0, nullptr});
    }
  }
  std::vector<double> levels;
  for (const TessVertex &v : t->vertices) levels.push_back(v.v);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());

  bool begun = false, failed = false;
  std::vector<Crossing> crossings;
  for (size_t band = 0; band + 1 < levels.size() && !failed; ++band) {
    const double v0 = levels[band], v1 = levels[band + 1];
    crossings.clear();
    for (size_t e = 0; e < edges.size(); ++e) {
      const TessVertex &a = t->vertices[edges[e].low], &b = t->vertices[edges[e].high];
      if (a.v > v0 || b.v < v1) continue;
      double du = (b.u - a.u) / (b.v - a.v);
      crossings.push_back({a.u + (v0 - a.v) * du, a.u + (v1 - a.v) * du, int(e)});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing &x, const Crossing &y) {
      return x.uLow + x.uHigh < y.uLow + y.uHigh;
    });
    int winding = 0;
    for (size_t k = 0; k + 1 < crossings.size() && !failed; ++k) {
      winding += edges[crossings[k].edge].direction;
      if (!Inside(t->windingRule, winding)) continue;
      TessEdge &left = edges[crossings[k].edge], &right = edges[crossings[k + 1].edge];
      void *a = PointAt(t, left, v0, &failed), *b = PointAt(t, right, v0, &failed);
      void *c = PointAt(t, right, v1, &failed), *d = PointAt(t, left, v1, &failed);
      if (failed) break;
      if (!begun) {
        EmitBegin(t, GL_TRIANGLES);
        begun = true;
      }
      const bool bottomWide = crossings[k + 1].uLow > crossings[k].uLow;
      const bool topWide = crossings[k + 1].uHigh > crossings[k].uHigh;
      if (bottomWide) {
        EmitVertex(t, a);
        EmitVertex(t, b);
        EmitVertex(t, c);
      }
      if (topWide) {
        EmitVertex(t, a);
        EmitVertex(t, c);
        EmitVertex(t, d);
      }
    }
  }
  if (begun) EmitEnd(t);
}

}  // namespace

extern "C" {

GLUtesselator *APIENTRY gluNewTess(void) {
  GLUtesselator *t = new (std::nothrow) GLUtesselator();
  if (t) t->windingRule = GLU_TESS_WINDING_ODD;
  return t;
}

void APIENTRY gluDeleteTess(GLUtesselator *tess) { delete tess; }

void APIENTRY gluTessBeginPolygon(GLUtesselator *tess, GLvoid *data) {
  if (tess->state != 0) ReportError(tess, GLU_TESS_MISSING_END_POLYGON);
  tess->state = 1;
  tess->polygonData = data;
  tess->vertices.clear();
  tess->contourStarts.clear();
}

void APIENTRY gluTessBeginContour(GLUtesselator *tess) {
  if (tess->state == 0) ReportError(tess, GLU_TESS_MISSING_BEGIN_POLYGON);
  if (tess->state == 2) ReportError(tess, GLU_TESS_MISSING_END_CONTOUR);
  tess->state = 2;
  tess->contourStarts.push_back(int(tess->vertices.size()));
}

void APIENTRY gluTessVertex(GLUtesselator *tess, GLdouble location[3], GLvoid *data) {
  if (tess->state != 2) {
    ReportError(tess, GLU_TESS_MISSING_BEGIN_CONTOUR);
    return;
  }
  TessVertex v{{location[0], location[1], location[2]}, data, 0, 0};
  tess->vertices.push_back(v);
}

void APIENTRY gluTessEndContour(GLUtesselator *tess) {
  if (tess->state != 2) ReportError(tess, GLU_TESS_MISSING_BEGIN_CONTOUR);
  tess->state = 1;
}

void APIENTRY gluTessEndPolygon(GLUtesselator *tess) {
  if (tess->state == 0) {
    ReportError(tess, GLU_TESS_MISSING_BEGIN_POLYGON);
    return;
  }
  if (tess->state == 2) ReportError(tess, GLU_TESS_MISSING_END_CONTOUR);
  Sweep(tess);
  tess->state = 0;
  tess->vertices.clear();
  tess->contourStarts.clear();
}

void APIENTRY gluTessProperty(GLUtesselator *tess, GLenum which, GLdouble data) {
  if (which == GLU_TESS_WINDING_RULE && data >= GLU_TESS_WINDING_ODD && data <= GLU_TESS_WINDING_ABS_GEQ_TWO)
    tess->windingRule = GLenum(data);
}

void APIENTRY gluTessNormal(GLUtesselator *tess, GLdouble valueX, GLdouble valueY, GLdouble valueZ) {
  tess->normal[0] = valueX;
  tess->normal[1] = valueY;
  tess->normal[2] = valueZ;
}

void APIENTRY gluTessCallback(GLUtesselator *tess, GLenum which, _GLUfuncptr callback) {
  switch (which) {
    case GLU_TESS_BEGIN: tess->begin = reinterpret_cast<BeginProc>(callback); break;
    case GLU_TESS_BEGIN_DATA: tess->beginData = reinterpret_cast<BeginDataProc>(callback); break;
    case GLU_TESS_VERTEX: tess->vertex = reinterpret_cast<VertexProc>(callback); break;
    case GLU_TESS_VERTEX_DATA: tess->vertexData = reinterpret_cast<VertexDataProc>(callback); break;
    case GLU_TESS_END: tess->end = reinterpret_cast<EndProc>(callback); break;
    case GLU_TESS_END_DATA: tess->endData = reinterpret_cast<EndDataProc>(callback); break;
    case GLU_TESS_ERROR: tess->error = reinterpret_cast<ErrorProc>(callback); break;
    case GLU_TESS_ERROR_DATA: tess->errorData = reinterpret_cast<ErrorDataProc>(callback); break;
    case GLU_TESS_COMBINE: tess->combine = reinterpret_cast<CombineProc>(callback); break;
    case GLU_TESS_COMBINE_DATA: tess->combineData = reinterpret_cast<CombineDataProc>(callback); break;
    default: break;  // edge flags: the output is independent triangles either way
  }
}

HMODULE StandinRegisterGlu(const char *fileName, const char *leaveOut) {
  static const StandinExport all[] = {
      {"gluNewTess", reinterpret_cast<void *>(gluNewTess)},
      {"gluDeleteTess", reinterpret_cast<void *>(gluDeleteTess)},
      {"gluTessBeginPolygon", reinterpret_cast<void *>(gluTessBeginPolygon)},
      {"gluTessBeginContour", reinterpret_cast<void *>(gluTessBeginContour)},
      {"gluTessVertex", reinterpret_cast<void *>(gluTessVertex)},
      {"gluTessEndContour", reinterpret_cast<void *>(gluTessEndContour)},
      {"gluTessEndPolygon", reinterpret_cast<void *>(gluTessEndPolygon)},
      {"gluTessProperty", reinterpret_cast<void *>(gluTessProperty)},
      {"gluTessNormal", reinterpret_cast<void *>(gluTessNormal)},
      {"gluTessCallback", reinterpret_cast<void *>(gluTessCallback)},
  };
  StandinExport kept[sizeof all / sizeof all[0] + 1] = {};
  size_t count = 0;
  for (const StandinExport &e : all)
    if (!leaveOut || strcmp(e.name, leaveOut) != 0) kept[count++] = e;
  return StandinRegisterModule(fileName, kept);
}

}  // extern "C"
