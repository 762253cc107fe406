// Polygon tessellator of the GLU stand-in: a band sweep. The heights of the vertices and of the
// points where edges cross cut the plane into bands; inside a band the edges crossing it are
// ordered left to right and the winding rule picks the spans inside. Spans of consecutive bands
// whose boundaries run on into each other form pieces monotone in height, each cut into
// triangles from its boundary's vertices; vertices are made through the combine callback only
// where a piece starts or ends beside a vertex, or where edges cross.
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
  double crossV;    // height of the vertex made on it last
  int crossRef;     // that vertex (below 0), or 0 for none
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

// Output vertices: an input vertex (ref >= 0) or one made through the combine callback (ref < 0,
// made[-1 - ref]).
struct MadeVertex {
  double u, v;
  void *data;
};

struct Sweeper {
  GLUtesselator *t;
  std::vector<TessEdge> edges;
  std::vector<int> next, prev;  // each input vertex's neighbours along its contour
  std::vector<double> levels;
  std::vector<MadeVertex> made;
  bool failed = false, begun = false;

  double U(int ref) const { return ref >= 0 ? t->vertices[ref].u : made[-1 - ref].u; }
  double V(int ref) const { return ref >= 0 ? t->vertices[ref].v : made[-1 - ref].v; }
  void *Data(int ref) const { return ref >= 0 ? t->vertices[ref].data : made[-1 - ref].data; }
};

// Where edge e meets height v: an end point, or a vertex made there (once per edge and height).
int RefAt(Sweeper &s, TessEdge &e, double v) {
  const TessVertex &a = s.t->vertices[e.low], &b = s.t->vertices[e.high];
  if (a.v == v) return e.low;
  if (b.v == v) return e.high;
  if (e.crossRef < 0 && e.crossV == v) return e.crossRef;
  const double f = (v - a.v) / (b.v - a.v);
  GLdouble coords[3];
  for (int k = 0; k < 3; ++k) coords[k] = a.coords[k] + f * (b.coords[k] - a.coords[k]);
  void *in[4] = {a.data, b.data, nullptr, nullptr};
  GLfloat weight[4] = {GLfloat(1 - f), GLfloat(f), 0, 0};
  void *out = nullptr;
  if (s.t->combineData) s.t->combineData(coords, in, weight, &out, s.t->polygonData);
  else if (s.t->combine) s.t->combine(coords, in, weight, &out);
  if (!out) {
    if (!s.failed) ReportError(s.t, GLU_TESS_NEED_COMBINE_CALLBACK);
    s.failed = true;
    return e.low;
  }
  s.made.push_back(MadeVertex{a.u + f * (b.u - a.u), v, out});
  e.crossV = v;
  e.crossRef = -int(s.made.size());
  return e.crossRef;
}

// True when the boundary runs on from edge `from` into edge `to`: through the vertex between
// them, or along level edges from one's top to the other's bottom (`path`: the vertices after
// the top, up to the bottom).
bool RunsOn(const Sweeper &s, int from, int to, std::vector<int> *path) {
  path->clear();
  if (from == to) return true;
  const int x = s.edges[from].high, y = s.edges[to].low;
  if (x == y) return true;
  const double v = s.t->vertices[x].v;
  for (const std::vector<int> *step : {&s.next, &s.prev}) {
    path->clear();
    for (int k = (*step)[x]; k != x && s.t->vertices[k].v == v; k = (*step)[k]) {
      path->push_back(k);
      if (k == y) return true;
      if (path->size() > s.t->vertices.size()) break;
    }
  }
  path->clear();
  return false;
}

// A piece of the inside between a left and a right boundary chain, monotone in v: the spans of
// consecutive bands between edges that run on into each other.
struct Piece {
  int left, right;                    // the edges at the top band so far
  std::vector<int> leftChain, rightChain;  // vertex refs from the bottom up
  std::vector<int> spans;             // band, left edge, right edge for each band
};

double Cross(const Sweeper &s, int a, int b, int c) {
  return (s.U(b) - s.U(a)) * (s.V(c) - s.V(a)) - (s.V(b) - s.V(a)) * (s.U(c) - s.U(a));
}

void Emit(Sweeper &s, const std::vector<int> &triangles) {
  if (triangles.empty()) return;
  if (!s.begun) {
    EmitBegin(s.t, GL_TRIANGLES);
    s.begun = true;
  }
  for (int ref : triangles) EmitVertex(s.t, s.Data(ref));
}

// The piece's bands as trapezoids of two triangles, cut where the bands meet.
void EmitBands(Sweeper &s, const Piece &p) {
  std::vector<int> triangles;
  for (size_t i = 0; i + 2 < p.spans.size() && !s.failed; i += 3) {
    const double v0 = s.levels[p.spans[i]], v1 = s.levels[p.spans[i] + 1];
    TessEdge &left = s.edges[p.spans[i + 1]], &right = s.edges[p.spans[i + 2]];
    const int a = RefAt(s, left, v0), b = RefAt(s, right, v0), c = RefAt(s, right, v1), d = RefAt(s, left, v1);
    if (s.U(b) > s.U(a)) triangles.insert(triangles.end(), {a, b, c});
    if (s.U(c) > s.U(d)) triangles.insert(triangles.end(), {a, c, d});
  }
  if (!s.failed) Emit(s, triangles);
}

// Triangulates a closed piece from its chains' vertices (the monotone polygon sweep); a result
// that does not cover the piece's area exactly gives way to the piece's bands.
void EmitPiece(Sweeper &s, const Piece &p) {
  struct Corner {
    int ref;
    bool right;
  };
  std::vector<Corner> seq;
  const std::vector<int> &l = p.leftChain, &r = p.rightChain;
  const size_t rFirst = r.front() == l.front() ? 1 : 0, rEnd = r.size() > rFirst && r.back() == l.back() ? r.size() - 1 : r.size();
  size_t i = 0, j = rFirst;
  while (i < l.size() || j < rEnd) {
    if (j >= rEnd || (i < l.size() && s.V(l[i]) <= s.V(r[j]))) seq.push_back(Corner{l[i++], false});
    else seq.push_back(Corner{r[j++], true});
  }
  double area2 = 0, covered = 0;
  std::vector<int> outline(r.begin(), r.end());
  outline.insert(outline.end(), l.rbegin(), l.rend());
  for (size_t k = 0; k < outline.size(); ++k) {
    const int a = outline[k], b = outline[(k + 1) % outline.size()];
    area2 += s.U(a) * s.V(b) - s.U(b) * s.V(a);
  }
  std::vector<int> triangles;
  auto triangle = [&](int a, int b, int c) {
    const double o = Cross(s, a, b, c);
    if (o == 0) return;
    if (o > 0) triangles.insert(triangles.end(), {a, b, c});
    else triangles.insert(triangles.end(), {a, c, b});
    covered += fabs(o);
  };
  const size_t n = seq.size();
  if (n >= 3) {
    std::vector<size_t> stack = {0, 1};
    for (size_t k = 2; k + 1 < n; ++k) {
      if (seq[k].right != seq[stack.back()].right) {
        while (stack.size() > 1) {
          const size_t top = stack.back();
          stack.pop_back();
          triangle(seq[k].ref, seq[top].ref, seq[stack.back()].ref);
        }
        stack.clear();
        stack.push_back(k - 1);
        stack.push_back(k);
      } else {
        size_t last = stack.back();
        stack.pop_back();
        while (!stack.empty()) {
          const double o = Cross(s, seq[stack.back()].ref, seq[last].ref, seq[k].ref);
          if (seq[k].right ? o <= 0 : o >= 0) break;
          triangle(seq[stack.back()].ref, seq[last].ref, seq[k].ref);
          last = stack.back();
          stack.pop_back();
        }
        stack.push_back(last);
        stack.push_back(k);
      }
    }
    for (size_t k = stack.size() - 1; k >= 1; --k) triangle(seq[n - 1].ref, seq[stack[k]].ref, seq[stack[k - 1]].ref);
  }
  if (fabs(covered - area2) <= 1e-7 * std::max(covered, fabs(area2))) Emit(s, triangles);
  else EmitBands(s, p);
}

// Heights where two edges cross between their ends.
void AddCrossingLevels(Sweeper &s) {
  const std::vector<TessVertex> &vs = s.t->vertices;
  std::vector<int> order(s.edges.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return vs[s.edges[a].low].v < vs[s.edges[b].low].v; });
  auto uAt = [&](const TessEdge &e, double v) {
    const TessVertex &a = vs[e.low], &b = vs[e.high];
    return a.u + (v - a.v) * (b.u - a.u) / (b.v - a.v);
  };
  for (size_t i = 0; i < order.size(); ++i) {
    const TessEdge &e = s.edges[order[i]];
    for (size_t j = i + 1; j < order.size(); ++j) {
      const TessEdge &f = s.edges[order[j]];
      const double va = vs[f.low].v, vb = std::min(vs[e.high].v, vs[f.high].v);
      if (va >= vs[e.high].v) break;
      if (va >= vb) continue;
      const double da = uAt(e, va) - uAt(f, va), db = uAt(e, vb) - uAt(f, vb);
      if ((da < 0 && db > 0) || (da > 0 && db < 0)) {
        const double v = va + (vb - va) * da / (da - db);
        if (v > va && v < vb) s.levels.push_back(v);
      }
    }
  }
}

void Sweep(GLUtesselator *t) {
  double n[3] = {t->normal[0], t->normal[1], t->normal[2]};
  if (n[0] == 0 && n[1] == 0 && n[2] == 0) ComputeNormal(t, n);
  Project(t, n);

  Sweeper s;
  s.t = t;
  s.next.resize(t->vertices.size());
  s.prev.resize(t->vertices.size());
  for (size_t c = 0; c < t->contourStarts.size(); ++c) {
    int first = t->contourStarts[c];
    int last = c + 1 < t->contourStarts.size() ? t->contourStarts[c + 1] : int(t->vertices.size());
    for (int i = first; i < last; ++i) {
      int j = i + 1 < last ? i + 1 : first;
      s.next[i] = j;
      s.prev[j] = i;
      if (t->vertices[i].v == t->vertices[j].v) continue;  // level edges bound no band
      bool up = t->vertices[i].v < t->vertices[j].v;
      s.edges.push_back({up ? i : j, up ? j : i, up ? 1 : -1, 0, 0});
    }
  }
  for (const TessVertex &v : t->vertices) s.levels.push_back(v.v);
  AddCrossingLevels(s);
  std::sort(s.levels.begin(), s.levels.end());
  s.levels.erase(std::unique(s.levels.begin(), s.levels.end()), s.levels.end());

  std::vector<Crossing> crossings;
  std::vector<Piece> active, next;
  std::vector<int> path;
  auto close = [&](Piece &p, double v) {
    const int l = RefAt(s, s.edges[p.left], v), r = RefAt(s, s.edges[p.right], v);
    if (p.leftChain.back() != l) p.leftChain.push_back(l);
    if (p.rightChain.back() != r) p.rightChain.push_back(r);
    if (!s.failed) EmitPiece(s, p);
  };
  for (size_t band = 0; band + 1 < s.levels.size() && !s.failed; ++band) {
    const double v0 = s.levels[band], v1 = s.levels[band + 1];
    crossings.clear();
    for (size_t e = 0; e < s.edges.size(); ++e) {
      const TessVertex &a = t->vertices[s.edges[e].low], &b = t->vertices[s.edges[e].high];
      if (a.v > v0 || b.v < v1) continue;
      double du = (b.u - a.u) / (b.v - a.v);
      crossings.push_back({a.u + (v0 - a.v) * du, a.u + (v1 - a.v) * du, int(e)});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing &x, const Crossing &y) {
      return x.uLow + x.uHigh < y.uLow + y.uHigh;
    });
    std::vector<bool> claimed(active.size(), false);
    next.clear();
    int winding = 0;  // a contour turning anticlockwise winds once round what it encloses
    for (size_t k = 0; k + 1 < crossings.size() && !s.failed; ++k) {
      winding -= s.edges[crossings[k].edge].direction;
      if (!Inside(t->windingRule, winding)) continue;
      const int left = crossings[k].edge, right = crossings[k + 1].edge;
      size_t found = active.size();
      std::vector<int> leftPath, rightPath;
      for (size_t a = 0; a < active.size() && found == active.size(); ++a) {
        if (claimed[a] || !RunsOn(s, active[a].left, left, &leftPath)) continue;
        if (RunsOn(s, active[a].right, right, &rightPath)) found = a;
      }
      Piece p;
      if (found < active.size()) {
        claimed[found] = true;
        p = std::move(active[found]);
        if (p.left != left) {
          p.leftChain.push_back(s.edges[p.left].high);
          p.leftChain.insert(p.leftChain.end(), leftPath.begin(), leftPath.end());
        }
        if (p.right != right) {
          p.rightChain.push_back(s.edges[p.right].high);
          p.rightChain.insert(p.rightChain.end(), rightPath.begin(), rightPath.end());
        }
      } else {
        p.leftChain.push_back(RefAt(s, s.edges[left], v0));
        p.rightChain.push_back(RefAt(s, s.edges[right], v0));
      }
      p.left = left;
      p.right = right;
      p.spans.insert(p.spans.end(), {int(band), left, right});
      next.push_back(std::move(p));
    }
    for (size_t a = 0; a < active.size() && !s.failed; ++a)
      if (!claimed[a]) close(active[a], v0);
    active.swap(next);
  }
  for (Piece &p : active)
    if (!s.failed) close(p, s.levels.back());
  if (s.begun) EmitEnd(t);
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
