// GLU quadrics: spheres, cylinders (and cones), disks and partial disks as GL primitives, with
// the quadric's normals, texture coordinates, orientation and draw style. Angles run from the +y
// axis towards +x; front faces face outwards (+z for disks) unless the orientation is inside.
#include <math.h>
#include <windows.h>
#include <GL/glu.h>

#include <new>
#include <vector>

struct GLUquadric {
  GLenum normals = GLU_SMOOTH;
  GLboolean texture = GL_FALSE;
  GLenum orientation = GLU_OUTSIDE;
  GLenum drawStyle = GLU_FILL;
};

namespace {

const double kPi = 3.14159265358979323846;

double Sign(const GLUquadric *q) { return q->orientation == GLU_INSIDE ? -1.0 : 1.0; }

void Normal(const GLUquadric *q, double x, double y, double z) {
  if (q->normals == GLU_NONE) return;
  const double s = Sign(q);
  glNormal3d(s * x, s * y, s * z);
}

void Vertex(const GLUquadric *q, double s, double t, double x, double y, double z) {
  if (q->texture) glTexCoord2d(s, t);
  glVertex3d(x, y, z);
}

// A surface of revolution about z: ring j (0..rings-1) has radius radius(j) at height z(j) and
// outward normal (cos-part, z-part); slices go round from the +y axis. Drawn as strips between
// rings (fill), as rings and meridians (line), or as its vertices (point); `silhouette` keeps only
// the first and last ring and the meridians.
struct Surface {
  Surface(int slices, int rings) : slices(slices), rings(rings), radius(rings), z(rings), nr(rings), nz(rings), t(rings) {}
  int slices, rings;
  std::vector<double> radius, z, nr, nz, t;
};

void RingVertex(const GLUquadric *q, const Surface &sf, int j, int i, bool flatNormal, double flatAngle,
                double flatNr, double flatNz) {
  const double a = 2 * kPi * i / sf.slices;
  const double x = sin(a), y = cos(a);
  if (flatNormal)
    Normal(q, sin(flatAngle) * flatNr, cos(flatAngle) * flatNr, flatNz);
  else
    Normal(q, x * sf.nr[j], y * sf.nr[j], sf.nz[j]);
  Vertex(q, double(i) / sf.slices, sf.t[j], x * sf.radius[j], y * sf.radius[j], sf.z[j]);
}

void DrawSurface(const GLUquadric *q, const Surface &sf) {
  const bool smooth = q->normals != GLU_FLAT;
  switch (q->drawStyle) {
    case GLU_FILL:
      for (int j = 0; j + 1 < sf.rings; ++j) {
        // Outwards, ring j then ring j + 1 turns anticlockwise when j's z is the lower one.
        const bool upwards = sf.z[j] <= sf.z[j + 1];
        const int first = (upwards == (q->orientation != GLU_INSIDE)) ? j : j + 1, second = 2 * j + 1 - first;
        const double midNr = (sf.nr[j] + sf.nr[j + 1]) / 2, midNz = (sf.nz[j] + sf.nz[j + 1]) / 2;
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= sf.slices; ++i) {
          const double faceAngle = 2 * kPi * (i == 0 ? 0.5 : i - 0.5) / sf.slices;
          RingVertex(q, sf, first, i, !smooth, faceAngle, midNr, midNz);
          RingVertex(q, sf, second, i, !smooth, faceAngle, midNr, midNz);
        }
        glEnd();
      }
      return;
    case GLU_POINT:
      glBegin(GL_POINTS);
      for (int j = 0; j < sf.rings; ++j)
        for (int i = 0; i < sf.slices; ++i) RingVertex(q, sf, j, i, false, 0, 0, 0);
      glEnd();
      return;
    default: {  // GLU_LINE, GLU_SILHOUETTE
      const bool outline = q->drawStyle == GLU_SILHOUETTE;
      for (int j = 0; j < sf.rings; ++j) {
        if (sf.radius[j] == 0 || (outline && j != 0 && j != sf.rings - 1)) continue;
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < sf.slices; ++i) RingVertex(q, sf, j, i, false, 0, 0, 0);
        glEnd();
      }
      for (int i = 0; i < sf.slices; ++i) {
        glBegin(GL_LINE_STRIP);
        for (int j = 0; j < sf.rings; ++j) RingVertex(q, sf, j, i, false, 0, 0, 0);
        glEnd();
      }
      return;
    }
  }
}

// Rings of radius inner..outer (loops + 1 of them) over the sweep; slices + 1 angles.
void DrawDisk(const GLUquadric *q, double inner, double outer, int slices, int loops, double start, double sweep) {
  if (sweep < -360) sweep = -360;
  if (sweep > 360) sweep = 360;
  if (sweep < 0) start += sweep, sweep = -sweep;
  const bool full = sweep == 360;
  const double a0 = start * kPi / 180, span = sweep * kPi / 180;
  auto point = [&](double r, int i) {
    const double a = a0 + span * i / slices, x = r * sin(a), y = r * cos(a);
    Vertex(q, 0.5 + x / (2 * outer), 0.5 + y / (2 * outer), x, y, 0);
  };
  auto radius = [&](int loop) { return outer - (outer - inner) * loop / loops; };
  Normal(q, 0, 0, 1);
  switch (q->drawStyle) {
    case GLU_FILL:
      for (int l = 0; l < loops; ++l) {
        const double a = radius(l), b = radius(l + 1);
        const bool outward = q->orientation != GLU_INSIDE;
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
          point(outward ? a : b, i);
          point(outward ? b : a, i);
        }
        glEnd();
      }
      return;
    case GLU_POINT:
      glBegin(GL_POINTS);
      for (int l = 0; l <= loops; ++l)
        for (int i = 0; i < slices + (full ? 0 : 1); ++i) point(radius(l), i);
      glEnd();
      return;
    default: {  // GLU_LINE, GLU_SILHOUETTE
      const bool outline = q->drawStyle == GLU_SILHOUETTE;
      for (int l = 0; l <= loops; ++l) {
        const double r = radius(l);
        if (r == 0 || (outline && l != 0 && l != loops)) continue;
        glBegin(full ? GL_LINE_LOOP : GL_LINE_STRIP);
        for (int i = 0; i < slices + (full ? 0 : 1); ++i) point(r, i);
        glEnd();
      }
      for (int i = 0; i <= slices; ++i) {
        if ((full && i == slices) || (outline && (full || (i != 0 && i != slices)))) continue;
        glBegin(GL_LINE_STRIP);
        for (int l = 0; l <= loops; ++l) point(radius(l), i);
        glEnd();
      }
      return;
    }
  }
}

}  // namespace

extern "C" {

GLUquadric *APIENTRY gluNewQuadric(void) { return new (std::nothrow) GLUquadric; }

void APIENTRY gluDeleteQuadric(GLUquadric *state) { delete state; }

void APIENTRY gluQuadricNormals(GLUquadric *quadObject, GLenum normals) {
  if (quadObject && (normals == GLU_SMOOTH || normals == GLU_FLAT || normals == GLU_NONE))
    quadObject->normals = normals;
}

void APIENTRY gluQuadricTexture(GLUquadric *quadObject, GLboolean textureCoords) {
  if (quadObject) quadObject->texture = textureCoords;
}

void APIENTRY gluQuadricOrientation(GLUquadric *quadObject, GLenum orientation) {
  if (quadObject && (orientation == GLU_OUTSIDE || orientation == GLU_INSIDE)) quadObject->orientation = orientation;
}

void APIENTRY gluQuadricDrawStyle(GLUquadric *quadObject, GLenum drawStyle) {
  if (quadObject && (drawStyle == GLU_FILL || drawStyle == GLU_LINE || drawStyle == GLU_SILHOUETTE ||
                     drawStyle == GLU_POINT))
    quadObject->drawStyle = drawStyle;
}

// Along z from 0 to height; t runs from 0 at z = 0 to 1 at the top.
void APIENTRY gluCylinder(GLUquadric *qobj, GLdouble baseRadius, GLdouble topRadius, GLdouble height, GLint slices,
                          GLint stacks) {
  if (!qobj || slices < 2 || stacks < 1 || baseRadius < 0 || topRadius < 0 || height < 0) return;
  Surface sf(slices, stacks + 1);
  const double slope = height > 0 ? (baseRadius - topRadius) / height : 0, length = sqrt(1 + slope * slope);
  for (int j = 0; j <= stacks; ++j) {
    sf.radius[j] = baseRadius + (topRadius - baseRadius) * j / stacks;
    sf.z[j] = height * j / stacks;
    sf.nr[j] = 1 / length;
    sf.nz[j] = slope / length;
    sf.t[j] = double(j) / stacks;
  }
  DrawSurface(qobj, sf);
}

// About the origin; t runs from 0 at z = -radius to 1 at z = +radius.
void APIENTRY gluSphere(GLUquadric *qobj, GLdouble radius, GLint slices, GLint stacks) {
  if (!qobj || slices < 2 || stacks < 1 || radius < 0) return;
  Surface sf(slices, stacks + 1);
  for (int j = 0; j <= stacks; ++j) {
    const double polar = kPi * j / stacks;  // from +z
    sf.nr[j] = j == 0 || j == stacks ? 0 : sin(polar);
    sf.nz[j] = cos(polar);
    sf.radius[j] = radius * sf.nr[j];
    sf.z[j] = radius * sf.nz[j];
    sf.t[j] = 1 - double(j) / stacks;
  }
  DrawSurface(qobj, sf);
}

void APIENTRY gluDisk(GLUquadric *qobj, GLdouble innerRadius, GLdouble outerRadius, GLint slices, GLint loops) {
  gluPartialDisk(qobj, innerRadius, outerRadius, slices, loops, 0, 360);
}

// In the z = 0 plane; angles in degrees clockwise from +y; texture coordinates map the outer
// circle's square onto 0..1.
void APIENTRY gluPartialDisk(GLUquadric *qobj, GLdouble innerRadius, GLdouble outerRadius, GLint slices,
                             GLint loops, GLdouble startAngle, GLdouble sweepAngle) {
  if (!qobj || slices < 2 || loops < 1 || innerRadius < 0 || outerRadius <= 0 || innerRadius > outerRadius) return;
  DrawDisk(qobj, innerRadius, outerRadius, slices, loops, startAngle, sweepAngle);
}

}  // extern "C"
