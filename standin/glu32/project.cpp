// GLU viewing: perspective, look-at, 2-D orthographic and pick matrices, and the mapping between
// object and window coordinates.
#include <math.h>
#include <windows.h>
#include <GL/glu.h>

namespace {

const double kPi = 3.14159265358979323846;

// out = a * b, column-major 4 x 4.
void Multiply(const double a[16], const double b[16], double out[16]) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + r] * b[c * 4 + k];
      out[c * 4 + r] = sum;
    }
}

// out = m * v.
void Transform(const double m[16], const double v[4], double out[4]) {
  for (int r = 0; r < 4; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

// Gauss-Jordan elimination with partial pivoting; false for a singular matrix.
bool Invert(const double m[16], double out[16]) {
  double a[4][8];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      a[r][c] = m[c * 4 + r];
      a[r][c + 4] = r == c ? 1.0 : 0.0;
    }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (fabs(a[r][col]) > fabs(a[pivot][col])) pivot = r;
    if (a[pivot][col] == 0.0) return false;
    if (pivot != col)
      for (int c = 0; c < 8; ++c) {
        double t = a[col][c];
        a[col][c] = a[pivot][c];
        a[pivot][c] = t;
      }
    const double scale = 1.0 / a[col][col];
    for (int c = 0; c < 8; ++c) a[col][c] *= scale;
    for (int r = 0; r < 4; ++r) {
      if (r == col || a[r][col] == 0.0) continue;
      const double f = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out[c * 4 + r] = a[r][c + 4];
  return true;
}

void Normalize(double v[3]) {
  double length = sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0) return;
  v[0] /= length, v[1] /= length, v[2] /= length;
}

void Cross(const double a[3], const double b[3], double out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

extern "C" {

void APIENTRY gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top) {
  glOrtho(left, right, bottom, top, -1.0, 1.0);
}

// Degenerate frusta (no depth range, no aspect, a zero or straight angle) leave the matrix alone.
void APIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double half = fovy / 2 * kPi / 180;
  const double depth = zFar - zNear, sine = sin(half);
  if (depth == 0 || sine == 0 || aspect == 0) return;
  const double f = cos(half) / sine;
  double m[16] = {};
  m[0] = f / aspect;
  m[5] = f;
  m[10] = -(zFar + zNear) / depth;
  m[11] = -1;
  m[14] = -2 * zNear * zFar / depth;
  glMultMatrixd(m);
}

void APIENTRY gluLookAt(GLdouble eyex, GLdouble eyey, GLdouble eyez, GLdouble centerx, GLdouble centery,
                        GLdouble centerz, GLdouble upx, GLdouble upy, GLdouble upz) {
  double forward[3] = {centerx - eyex, centery - eyey, centerz - eyez};
  double up[3] = {upx, upy, upz}, side[3];
  Normalize(forward);
  Cross(forward, up, side);
  Normalize(side);
  Cross(side, forward, up);
  double m[16] = {side[0], up[0], -forward[0], 0, side[1], up[1], -forward[1], 0,
                  side[2], up[2], -forward[2], 0, 0,       0,     0,           1};
  glMultMatrixd(m);
  glTranslated(-eyex, -eyey, -eyez);
}

// Maps the pick region (centre x, y in window coordinates) onto the whole clip volume.
void APIENTRY gluPickMatrix(GLdouble x, GLdouble y, GLdouble width, GLdouble height, GLint viewport[4]) {
  if (width <= 0 || height <= 0) return;
  glTranslated((viewport[2] - 2 * (x - viewport[0])) / width, (viewport[3] - 2 * (y - viewport[1])) / height, 0);
  glScaled(viewport[2] / width, viewport[3] / height, 1.0);
}

int APIENTRY gluProject(GLdouble objx, GLdouble objy, GLdouble objz, const GLdouble modelMatrix[16],
                        const GLdouble projMatrix[16], const GLint viewport[4], GLdouble *winx, GLdouble *winy,
                        GLdouble *winz) {
  const double object[4] = {objx, objy, objz, 1.0};
  double eye[4], clip[4];
  Transform(modelMatrix, object, eye);
  Transform(projMatrix, eye, clip);
  if (clip[3] == 0.0) return GL_FALSE;
  *winx = viewport[0] + viewport[2] * (clip[0] / clip[3] + 1) / 2;
  *winy = viewport[1] + viewport[3] * (clip[1] / clip[3] + 1) / 2;
  *winz = (clip[2] / clip[3] + 1) / 2;
  return GL_TRUE;
}

// GL_FALSE for a singular matrix product, an empty viewport or a point at infinity.
int APIENTRY gluUnProject(GLdouble winx, GLdouble winy, GLdouble winz, const GLdouble modelMatrix[16],
                          const GLdouble projMatrix[16], const GLint viewport[4], GLdouble *objx, GLdouble *objy,
                          GLdouble *objz) {
  double product[16], inverse[16];
  Multiply(projMatrix, modelMatrix, product);
  if (!Invert(product, inverse) || viewport[2] == 0 || viewport[3] == 0) return GL_FALSE;
  const double ndc[4] = {2 * (winx - viewport[0]) / viewport[2] - 1, 2 * (winy - viewport[1]) / viewport[3] - 1,
                         2 * winz - 1, 1.0};
  double object[4];
  Transform(inverse, ndc, object);
  if (object[3] == 0.0) return GL_FALSE;
  *objx = object[0] / object[3];
  *objy = object[1] / object[3];
  *objz = object[2] / object[3];
  return GL_TRUE;
}

}  // extern "C"
