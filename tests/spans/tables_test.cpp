// The stage tables by format, the square table and the dither tables.
#include "spanrig.h"

#include <set>

namespace {

std::set<int> entriesOf(const GlSpanProc* table, int n) {
    std::set<int> s;
    for (int i = 0; i < n; ++i)
        if (table[i]) s.insert(i);
    return s;
}

std::set<int> range(std::initializer_list<std::pair<int, int>> spans) {
    std::set<int> s;
    for (auto r : spans)
        for (int i = r.first; i <= r.second; ++i) s.insert(i);
    return s;
}

TEST(SpanTables, OnlyTheFourFormatsHaveTablesAndCode7SharesTheColourTableOf10) {
    for (int code = 0; code < GL_SPAN_FORMAT_CODES; ++code) {
        const bool own = code == 2 || code == 4 || code == 5 || code == 10;
        EXPECT_EQ(own, __glDirectProcTables[code] != nullptr) << code;
        EXPECT_EQ(own, __glStoreProcTables[code] != nullptr) << code;
        EXPECT_EQ(own || code == 7, __glShadeProcTables[code] != nullptr) << code;
    }
    EXPECT_EQ(__glShadeProcTables[10], __glShadeProcTables[7]);
    EXPECT_NE(__glShadeProcTables[2], __glShadeProcTables[10]);
}

TEST(SpanTables, EntriesThatNoIndexReachesAreNull) {
    const std::set<int> store = range({{0, 31}, {64, 97}, {99, 99}, {102, 102}, {105, 105}, {112, 113}, {115, 115},
                                       {118, 118}, {121, 121}});
    const std::set<int> shade = range({{0, 7}, {12, 23}, {36, 55}, {57, 57}, {59, 59}, {61, 61}, {63, 63}});
    const std::set<int> direct = range({{0, 7}, {12, 23}, {32, 63}});
    for (const SpanFormat& f : kSpanFormats) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(store, entriesOf(__glStoreProcTables[f.code], GL_SPAN_STORE_STAGES));
        EXPECT_EQ(store.size(), 74u);
        EXPECT_EQ(shade, entriesOf(__glShadeProcTables[f.code], GL_SPAN_COLOR_STAGES));
        EXPECT_EQ(shade.size(), 44u);
        EXPECT_EQ(direct, entriesOf(__glDirectProcTables[f.code], GL_SPAN_COLOR_STAGES));
    }
}

TEST(SpanTables, SquareTableAndByteProduct) {
    for (int x = -255; x <= 255; ++x) ASSERT_EQ(__glSquareTable[255 + x], x * x / 255) << x;
    // mul lies within (ab/255 - 1.5, ab/255 + 0.5), exact at 0 and 255.
    for (int a = 0; a < 256; ++a) {
        EXPECT_EQ(spanMul(a, 255), a);
        EXPECT_EQ(spanMul(255, a), a);
        EXPECT_EQ(spanMul(a, 0), 0);
        for (int b = 0; b < 256; ++b) {
            const double exact = a * b / 255.0;
            const int m = spanMul(a, b);
            ASSERT_GT(m, exact - 1.5) << a << " " << b;
            ASSERT_LT(m, exact + 0.5) << a << " " << b;
            ASSERT_EQ(m, spanMul(b, a));
        }
    }
    EXPECT_EQ(spanMul(128, 255), 128);
    EXPECT_EQ(spanMul(255, 224), 224);
}

TEST(SpanTables, DitherTablesRepeatTheMatrixAndMirrorIt) {
    static const int mirrored[4][4] = {{0, 10, 2, 8}, {12, 6, 14, 4}, {3, 9, 1, 11}, {15, 5, 13, 7}};
    for (int r = 0; r < 4; ++r) {
        for (int j = 0; j < GL_SPAN_DITHER_ROW; ++j) {
            EXPECT_EQ(__glSpanDitherTables[0][r][j], __glDitherMatrix4x4[r][j & 3] * 4096) << r << " " << j;
            EXPECT_EQ(__glSpanDitherTables[1][r][j], mirrored[r][j & 3] * 4096) << r << " " << j;
        }
    }
    // A group starting at column 3 of row 2 reads 32 addends from entry 3.
    const GLint* d = __glSpanDitherStart(&__glSpanDitherTables[0][0][0], 7, 6);
    EXPECT_EQ(d, &__glSpanDitherTables[0][2][3]);
    EXPECT_EQ(d[31], __glDitherMatrix4x4[2][(3 + 31) & 3] * 4096);
}

}  // namespace
