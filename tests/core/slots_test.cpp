// Consistency of the dispatch-slot table (opengl32/core/glslots.inc) with
// <GL/gl.h>, the stdcall argument sizes and the module-definition file.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Bytes a stdcall callee pops for a function type: each argument rounded
// up to a multiple of 4.
template <class F> struct ArgBytes;
template <class R, class... A> struct ArgBytes<R(A...)> {
  static constexpr unsigned value = (0u + ... + ((sizeof(A) + 3u) & ~3u));
};

struct Slot {
  int slot;
  const char *name;
  unsigned bytes;
  int cls;
  int act;
  bool exported;
};

// Stand-ins for the extension entry points, which <GL/gl.h> must not
// declare: if it did, the unqualified names below would be ambiguous.
namespace ext {
struct NotExported {};
#define X(name) constexpr NotExported gl##name{};
X(ArrayElementEXT) X(ColorPointerEXT) X(DrawArraysEXT) X(EdgeFlagPointerEXT)
X(GetPointervEXT) X(IndexPointerEXT) X(NormalPointerEXT) X(TexCoordPointerEXT)
X(VertexPointerEXT) X(ColorSubTableEXT) X(ColorTableEXT) X(CopyColorTableEXT)
X(GetColorTableEXT) X(GetColorTableParameterfvEXT)
X(GetColorTableParameterivEXT) X(LockArraysQTA) X(UnlockArraysQTA)
X(CullParameterdvQTA) X(CullParameterfvQTA) X(IndexFuncQTA)
X(IndexMaterialQTA) X(AddSwapHintRectWIN)
#undef X

template <class Expected, class Actual> struct Entry {
  // An exported slot's table signature must be exactly its gl.h prototype.
  static constexpr bool matches = std::is_same<Expected, Actual>::value;
  static constexpr bool exported = true;
};
template <class Expected> struct Entry<Expected, const NotExported *> {
  static constexpr bool matches = true;
  static constexpr bool exported = false;
};

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                \
  static_assert(ArgBytes<ret params>::value == (bytes),                        \
                "argBytes of gl" #name);                                       \
  typedef ret(APIENTRY *Pfn_##name) params;                                    \
  static_assert(Entry<Pfn_##name, decltype(&gl##name)>::matches,               \
                "gl" #name " differs from its gl.h prototype");
#include "../../opengl32/core/glslots.inc"
#undef GL_SLOT

const Slot kSlots[] = {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                \
  {slot, #name, bytes, cls, act, Entry<Pfn_##name, decltype(&gl##name)>::exported},
#include "../../opengl32/core/glslots.inc"
#undef GL_SLOT
};
}  // namespace ext

using ext::kSlots;

bool StartsWith(const char *s, const char *prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

const Slot *Find(const char *name) {
  for (const Slot &s : kSlots)
    if (std::strcmp(s.name, name) == 0) return &s;
  return nullptr;
}

TEST(Slots, NumberedTwoTo359InOrder) {
  ASSERT_EQ(sizeof(kSlots) / sizeof(kSlots[0]), 358u);
  for (size_t i = 0; i < 358; ++i) EXPECT_EQ(kSlots[i].slot, int(i) + 2) << kSlots[i].name;
}

TEST(Slots, ExtensionSlotsAreTheUnexportedOnes) {
  int exported = 0;
  for (const Slot &s : kSlots) {
    bool ext_range = (s.slot >= 170 && s.slot <= 184) || (s.slot >= 215 && s.slot <= 221);
    EXPECT_EQ(s.exported, !ext_range) << s.name;
    exported += s.exported;
  }
  EXPECT_EQ(exported, 336);
}

TEST(Slots, ClassAndActCounts) {
  int per_cls[6] = {};
  int act = 0;
  for (const Slot &s : kSlots) {
    ASSERT_GE(s.cls, 1) << s.name;
    ASSERT_LE(s.cls, 5) << s.name;
    ASSERT_TRUE(s.act == 0 || s.act == 1) << s.name;
    ++per_cls[s.cls];
    act += s.act;
  }
  EXPECT_EQ(act, 73);
  EXPECT_EQ(per_cls[1], 128);
  EXPECT_EQ(per_cls[2], 170);
  EXPECT_EQ(per_cls[3], 52);
  EXPECT_EQ(per_cls[4], 7);
  EXPECT_EQ(per_cls[5], 1);
  EXPECT_EQ(Find("End")->cls, 5);
}

// Families whose class follows from the name alone.
TEST(Slots, ClassByFamily) {
  struct Case {
    const char *prefix;
    int cls;
  } const cases[] = {
      {"Vertex2", 1},   {"Vertex3", 1},   {"Vertex4", 1},   {"Color3", 1},
      {"Color4", 1},    {"Normal3", 1},   {"TexCoord1", 1}, {"TexCoord2", 1},
      {"TexCoord3", 1}, {"TexCoord4", 1}, {"EvalCoord", 1},
      {"EvalPoint", 1}, {"RasterPos", 3}, {"Rect", 3},      {"Get", 2},
  };
  for (const Case &c : cases) {
    int matched = 0;
    for (const Slot &s : kSlots) {
      if (!StartsWith(s.name, c.prefix)) continue;
      // glGetColorTableEXT draws through the pixel path.
      if (std::strcmp(s.name, "GetColorTableEXT") == 0) continue;
      EXPECT_EQ(s.cls, c.cls) << s.name;
      ++matched;
    }
    EXPECT_GT(matched, 0) << c.prefix;
  }
}

// Queries act at once while a list is compiled; no primitive-building call does.
TEST(Slots, ActMatchesQueriesAndNotPrimitives) {
  for (const Slot &s : kSlots) {
    bool query = StartsWith(s.name, "Get") || StartsWith(s.name, "Is");
    if ((s.slot >= 122 && s.slot <= 151) || query) {
      EXPECT_EQ(s.act, 1) << s.name;
    } else if (s.cls != 2) {
      // Of the drawing and vertex calls only glReadPixels acts at once.
      EXPECT_EQ(s.act, std::strcmp(s.name, "ReadPixels") == 0 ? 1 : 0) << s.name;
    }
  }
}

// The null table has one no-op per popped size; every slot must fit one.
TEST(Slots, ArgBytesAreNullProcedureSizes) {
  const std::set<unsigned> sizes = {0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 48, 56};
  std::set<unsigned> used;
  for (const Slot &s : kSlots) {
    EXPECT_TRUE(sizes.count(s.bytes)) << s.name << " pops " << s.bytes;
    used.insert(s.bytes);
  }
  EXPECT_EQ(used, sizes);
}

#ifdef GL_DEF_FILE
TEST(Slots, DefFileExportsExportedSlotsInOrder) {
  std::ifstream in(GL_DEF_FILE);
  ASSERT_TRUE(in) << GL_DEF_FILE;
  std::vector<std::string> entries;
  bool saw_library = false, saw_exports = false, saw_marker = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "; window-system entries") {
      saw_marker = true;
      break;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line == "LIBRARY OPENGL32.dll") {
      saw_library = true;
    } else if (line == "EXPORTS") {
      saw_exports = true;
    } else {
      entries.push_back(line);
    }
  }
  EXPECT_TRUE(saw_library);
  EXPECT_TRUE(saw_exports);
  EXPECT_TRUE(saw_marker);

  std::vector<std::string> expected;
  for (const Slot &s : kSlots) {
    if (!s.exported) continue;
    std::ostringstream e;
    e << "gl" << s.name << " = gl" << s.name << '@' << s.bytes;
    expected.push_back(e.str());
  }
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(entries[i], expected[i]) << "export " << i;
}
#endif

}  // namespace
