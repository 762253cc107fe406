// Reader of ".mdg" model files, a whitespace-separated text format:
//   line 1 ignored; model name; texture name; N (rest of line skipped);
//   L, two ignored integers, half extents x y z;
//   N triangle vertices of three lines each (position, normal, texture coordinates);
//   L line vertices of one line each (x y z).
// Every vertex line may carry trailing text.
#ifndef TOOLS_MDGMODEL_H
#define TOOLS_MDGMODEL_H

#include <stdint.h>
#include <stdio.h>

constexpr int kMaxModelVertices = 3000;
constexpr int kTargetTextureNameSize = 30;
constexpr int kViewerTextureNameSize = 260;

// One model slot of the tile target editor.
struct TargetModel {
  int32_t triangleVertexCount;
  int32_t lineVertexCount;
  char textureName[kTargetTextureNameSize];
  int32_t textureIndex;  // FindTextureIndex of the texture name
  int32_t halfExtents[3];  // bounding box, unscaled
  float lineVertices[kMaxModelVertices][3];  // scaled
  float positions[kMaxModelVertices][3];     // scaled
  float normals[kMaxModelVertices][3];
  float texCoords[kMaxModelVertices][2];
};

// The model viewer's one model. The header's six numbers are kept as two float triples.
struct ViewerModel {
  int32_t triangleVertexCount;
  char textureName[kViewerTextureNameSize];
  float texCoords[kMaxModelVertices][2];
  float header[2][3];
  float positions[kMaxModelVertices][3];  // scaled
  float normals[kMaxModelVertices][3];
};

// Read a model; positions and line vertices are multiplied by `scale`. 1 on success. 0 when the
// file does not open or is not a readable model (truncated, a count outside 0-3000, a number
// that does not parse or fit, a texture name longer than its field): the model is then unchanged.
int ReadTargetModel(float scale, const char *path, TargetModel *model);
int ReadViewerModel(float scale, const char *path, ViewerModel *model);

// Consumes characters until `n` newlines have been read. 0 when the stream ends first.
int SkipLines(int n, FILE *stream);

// Index (0-71) of the first texture-name table entry contained in `textureName`, compared in
// upper case; 0 when none is. The name is turned into upper case in place.
int FindTextureIndex(char *textureName);

#endif  // TOOLS_MDGMODEL_H
