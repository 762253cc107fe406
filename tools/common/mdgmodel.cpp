#include "mdgmodel.h"

#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <cmath>
#include <memory>
#include <new>
#include <string>

#include "tiletargets.h"
#include "toolsio.h"

namespace {

constexpr size_t kNumberChars = 64;

int NextNonSpace(FILE *stream) {
  int c;
  do c = getc(stream);
  while (c != EOF && isspace(c));
  return c;
}

// Appends a character of a number being read; a number too long to be one sets `overflow`.
void Put(char *text, size_t *n, int c, bool *overflow) {
  if (*n + 1 >= kNumberChars) *overflow = true;
  else text[(*n)++] = static_cast<char>(c);
}

// Collects the digits that follow; returns the first other character.
int TakeDigits(FILE *stream, int c, char *text, size_t *n, bool *overflow) {
  for (; c != EOF && isdigit(c); c = getc(stream)) Put(text, n, c, overflow);
  return c;
}

// Reads a decimal integer like "%d" but fails on values outside 32 bits.
bool ScanInt(FILE *stream, int32_t *out) {
  char text[kNumberChars];
  size_t n = 0;
  bool overflow = false;
  int c = NextNonSpace(stream);
  if (c == '+' || c == '-') Put(text, &n, c, &overflow), c = getc(stream);
  size_t digitsAt = n;
  c = TakeDigits(stream, c, text, &n, &overflow);
  if (c != EOF) ungetc(c, stream);
  if (n == digitsAt || overflow) return false;
  text[n] = '\0';
  errno = 0;
  long long value = strtoll(text, nullptr, 10);
  if (errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

// Reads a decimal floating-point number like "%f" but fails on values that are not finite floats.
bool ScanFloat(FILE *stream, float *out) {
  char text[kNumberChars];
  size_t n = 0;
  bool overflow = false;
  int c = NextNonSpace(stream);
  if (c == '+' || c == '-') Put(text, &n, c, &overflow), c = getc(stream);
  size_t before = n;
  c = TakeDigits(stream, c, text, &n, &overflow);
  size_t digits = n - before;
  if (c == '.') {
    Put(text, &n, '.', &overflow);
    before = n;
    c = TakeDigits(stream, getc(stream), text, &n, &overflow);
    digits += n - before;
  }
  if (digits && (c == 'e' || c == 'E')) {
    Put(text, &n, 'e', &overflow);
    c = getc(stream);
    if (c == '+' || c == '-') Put(text, &n, c, &overflow), c = getc(stream);
    before = n;
    c = TakeDigits(stream, c, text, &n, &overflow);
    if (n == before) overflow = true;  // an exponent without digits
  }
  if (c != EOF) ungetc(c, stream);
  if (!digits || overflow) return false;
  text[n] = '\0';
  float value = strtof(text, nullptr);
  if (!std::isfinite(value)) return false;
  *out = value;
  return true;
}

// Reads one whitespace-delimited word into `word` (`size` bytes with its terminator); a null
// `word` discards it. Fails at the end of the stream or when the word does not fit.
bool ScanWord(FILE *stream, char *word, size_t size) {
  int c = NextNonSpace(stream);
  if (c == EOF) return false;
  size_t n = 0;
  bool fits = true;
  for (; c != EOF && !isspace(c); c = getc(stream)) {
    if (!word) continue;
    if (n + 1 < size) word[n++] = static_cast<char>(c);
    else fits = false;
  }
  if (c != EOF) ungetc(c, stream);
  if (word) word[n] = '\0';
  return fits;
}

bool ScanFloats(FILE *stream, float *values, int count, float scale) {
  for (int i = 0; i < count; ++i) {
    if (!ScanFloat(stream, &values[i])) return false;
    values[i] *= scale;
  }
  // The rest of the line is free text; the last line of the file may end without a newline.
  SkipLines(1, stream);
  return true;
}

bool ValidCount(int32_t n) { return n >= 0 && n <= kMaxModelVertices; }

// Everything after the six header numbers: the triangle vertices.
bool ScanTriangleVertices(FILE *stream, int32_t count, float scale, float (*positions)[3], float (*normals)[3],
                          float (*texCoords)[2]) {
  for (int32_t i = 0; i < count; ++i)
    if (!ScanFloats(stream, positions[i], 3, scale) || !ScanFloats(stream, normals[i], 3, 1.0f) ||
        !ScanFloats(stream, texCoords[i], 2, 1.0f))
      return false;
  return true;
}

// Line 1, the model name, the texture name and N with the rest of its line.
bool ScanPreamble(FILE *stream, char *textureName, size_t nameSize, int32_t *count) {
  SkipLines(1, stream);
  if (!ScanWord(stream, nullptr, 0) || !ScanWord(stream, textureName, nameSize) || !ScanInt(stream, count) ||
      !ValidCount(*count))
    return false;
  SkipLines(1, stream);
  return true;
}

bool ScanTargetModel(FILE *stream, float scale, TargetModel *m) {
  int32_t triangles = 0, lines = 0, ignored = 0;
  if (!ScanPreamble(stream, m->textureName, sizeof m->textureName, &triangles) || !ScanInt(stream, &lines) ||
      !ValidCount(lines) || !ScanInt(stream, &ignored) || !ScanInt(stream, &ignored))
    return false;
  for (int32_t &e : m->halfExtents)
    if (!ScanInt(stream, &e)) return false;
  if (!ScanTriangleVertices(stream, triangles, scale, m->positions, m->normals, m->texCoords)) return false;
  for (int32_t i = 0; i < lines; ++i)
    if (!ScanFloats(stream, m->lineVertices[i], 3, scale)) return false;
  m->textureIndex = FindTextureIndex(m->textureName);
  m->triangleVertexCount = triangles;
  m->lineVertexCount = lines;
  return true;
}

bool ScanViewerModel(FILE *stream, float scale, ViewerModel *m) {
  int32_t triangles = 0;
  if (!ScanPreamble(stream, m->textureName, sizeof m->textureName, &triangles)) return false;
  for (float(&triple)[3] : m->header)
    for (float &value : triple)
      if (!ScanFloat(stream, &value)) return false;
  if (!ScanTriangleVertices(stream, triangles, scale, m->positions, m->normals, m->texCoords)) return false;
  m->triangleVertexCount = triangles;
  return true;
}

// Reads into a scratch copy so that a file that fails half-way leaves the model as it was.
template <class Model>
int ReadModel(float scale, const char *path, Model *model, bool (*scan)(FILE *, float, Model *)) {
  FILE *stream = ToolsOpenFile(path, "r");
  if (!stream) return 0;
  std::unique_ptr<Model> scratch(new (std::nothrow) Model);
  bool ok = scratch && scan(stream, scale, scratch.get());
  fclose(stream);
  if (!ok) return 0;
  memcpy(model, scratch.get(), sizeof *model);
  return 1;
}

}  // namespace

int SkipLines(int n, FILE *stream) {
  for (int seen = 0; seen < n;) {
    int c = getc(stream);
    if (c == EOF) return 0;
    if (c == '\n') ++seen;
  }
  return 1;
}

int ReadTargetModel(float scale, const char *path, TargetModel *model) {
  return ReadModel(scale, path, model, ScanTargetModel);
}

int ReadViewerModel(float scale, const char *path, ViewerModel *model) {
  return ReadModel(scale, path, model, ScanViewerModel);
}

int FindTextureIndex(char *textureName) {
  for (char *p = textureName; *p; ++p) *p = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
  for (int i = 0; i < kModelSlotCount; ++i) {
    // The table is constant: compare against an upper-case copy of the entry.
    std::string entry = kTextureNames[i];
    for (char &c : entry) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (strstr(textureName, entry.c_str())) return i;
  }
  return 0;
}
