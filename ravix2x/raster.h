// Drawing: triangles, lines and points through the pixel pipeline.
#ifndef RAVIX2X_RASTER_H
#define RAVIX2X_RASTER_H

#include <cstdint>

#include "ravix2x.h"

namespace rvx {

// aa[i] antialiases the edge from vertex i to vertex i + 1 (mod 3); null: none.
void drawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c, const int32_t *aa);
void drawLine(const RvVertex *a, const RvVertex *b, bool antialiased);
void drawPoint(const RvVertex *a, bool antialiased);

} // namespace rvx

#endif
