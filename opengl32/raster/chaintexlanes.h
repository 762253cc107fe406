// What the textured span stages of the chain share: the positive q they
// divide by, the reciprocals of pixel distances within a run, and lanes of
// four pixels' coordinates.
#pragma once

#include <float.h>
#include <emmintrin.h>
#include "core/glcore.h"

// q as the divisions take it: not positive (or not a number) gives the
// smallest positive float.
static inline GLfloat __glTexPositiveQ(GLfloat q) { return q > 0.0f ? q : FLT_MIN; }

// 1/k for the pixel distances k within a run of 16.
extern "C" const GLfloat __glTexRunReciprocal[16];

// Lanes v, v + d, v + 2 d, v + 3 d from v and d in lane 0.
static inline __m128i __glTexRamp4(__m128i v, __m128i d) {
    v = _mm_shuffle_epi32(v, 0), d = _mm_shuffle_epi32(d, 0);
    const __m128i d0111 = _mm_slli_si128(d, 4);
    return _mm_add_epi32(_mm_add_epi32(v, d0111), _mm_add_epi32(_mm_slli_si128(d0111, 4), _mm_slli_si128(d0111, 8)));
}
