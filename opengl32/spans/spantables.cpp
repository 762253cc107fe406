// The constant tables the span stage families share: byte squares and the
// dither addends.

#include "raster/glbuffer.h"
#include "spans/spans.h"

namespace {

struct SquareTable {
    uint8_t v[511];
};

constexpr SquareTable makeSquares() {
    SquareTable t{};
    for (int x = -255; x <= 255; ++x) t.v[255 + x] = (uint8_t)(x * x / 255);
    return t;
}

constexpr SquareTable squares = makeSquares();
static_assert(squares.v[255 + 15] == 0 && squares.v[255 + 16] == 1, "squares: 16 * 16 / 255 is the first 1");
static_assert(squares.v[0] == 255 && squares.v[510] == 255, "squares: both ends are 255");

GLint ditherTables[2][4][GL_SPAN_DITHER_ROW];

const bool ditherTablesBuilt = [] {
    for (int r = 0; r < 4; ++r) {
        for (int j = 0; j < GL_SPAN_DITHER_ROW; ++j) {
            ditherTables[0][r][j] = __glDitherMatrix4x4[r][j & 3] * 4096;
            ditherTables[1][r][j] = __glDitherMatrix4x4[r][(4 - (j & 3)) & 3] * 4096;
        }
    }
    return true;
}();

}  // namespace

extern "C" const uint8_t __glSquareTable[511] = {
#define S(i) squares.v[i]
#define S8(i) S(i), S(i + 1), S(i + 2), S(i + 3), S(i + 4), S(i + 5), S(i + 6), S(i + 7)
#define S64(i) S8(i), S8(i + 8), S8(i + 16), S8(i + 24), S8(i + 32), S8(i + 40), S8(i + 48), S8(i + 56)
    S64(0), S64(64), S64(128), S64(192), S64(256), S64(320), S64(384),
    S8(448), S8(456), S8(464), S8(472), S8(480), S8(488), S8(496), S(504), S(505), S(506), S(507), S(508), S(509), S(510)
#undef S64
#undef S8
#undef S
};

const GLint (&__glSpanDitherTables)[2][4][GL_SPAN_DITHER_ROW] = ditherTables;
