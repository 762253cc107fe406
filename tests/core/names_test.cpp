// Named-object tables: the tree of name ranges against a plain map, the
// range splits, and allocation failure.
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>
#include "core/names.h"
#include "gltest.h"

namespace {

struct Range {
    GLuint first, last;
    bool array;
    bool operator==(const Range& o) const { return first == o.first && last == o.last && array == o.array; }
};
std::ostream& operator<<(std::ostream& os, const Range& r) {
    return os << "[" << r.first << ", " << r.last << (r.array ? "]a" : "]");
}

std::vector<Range> leaves(GlNameTable* t) {
    std::vector<Range> out;
    for (GlNameLeaf* l = __glNameFirstLeaf(t); l; l = __glNameNextLeaf(t, l))
        out.push_back({l->first, l->last, l->objects != nullptr});
    return out;
}

// Checks the subtree and returns its highest name.
GLuint checkNode(GlNameTable* t, void* node, GlNameBranch* parent, int level, std::vector<GlNameLeaf*>* order) {
    EXPECT_EQ(*(GlNameBranch**)node, parent) << "parent link at level " << level;
    if (level == t->depth) {
        GlNameLeaf* l = (GlNameLeaf*)node;
        EXPECT_LE(l->first, l->last);
        EXPECT_EQ(l->kind, t->kind);
        order->push_back(l);
        return l->last;
    }
    GlNameBranch* b = (GlNameBranch*)node;
    EXPECT_NE(b->child[0], nullptr);
    EXPECT_NE(b->child[1], nullptr) << "a branch has two or three children";
    GLuint max = 0;
    for (int i = 0; i < 3 && b->child[i]; i++) {
        max = checkNode(t, b->child[i], b, level + 1, order);
        if (i == 0) {
            EXPECT_EQ(b->key0, max) << "key0 at level " << level;
        } else if (i == 1) {
            EXPECT_EQ(b->key1, max) << "key1 at level " << level;
        }
    }
    return max;
}

void checkTree(GlNameTable* t) {
    if (!t->root) {
        EXPECT_EQ(t->depth, 0);
        return;
    }
    std::vector<GlNameLeaf*> order;
    checkNode(t, t->root, nullptr, 0, &order);
    for (size_t i = 1; i < order.size(); i++) EXPECT_LT(order[i - 1]->last, order[i]->first) << "sorted, disjoint";
    std::vector<GlNameLeaf*> walked;
    for (GlNameLeaf* l = __glNameFirstLeaf(t); l; l = __glNameNextLeaf(t, l)) walked.push_back(l);
    EXPECT_EQ(walked, order);
}

// Objects that count their releases.
struct TestObject {
    GlNameObject head;
    int released;
};
void GLPROC releaseTestObject(GlContext*, void* o) { ((TestObject*)o)->released++; }

struct NamesTest : ::testing::Test {
    GlContext* gc = nullptr;
    GlNameTable* t = nullptr;
    void SetUp() override {
        gc = gltestCreateCurrent(true);
        ASSERT_NE(gc, nullptr);
        t = __glNewNameTable(gc, GL_NAME_KIND_LISTS);
        ASSERT_NE(t, nullptr);
        glGetError();
    }
    void TearDown() override {
        gltestFailAllocationAfter(-1);
        __glFreeNameTable(gc, t);
        gltestDestroyCurrent(gc);
    }
    void reserve(GLuint first, GLuint last) {
        for (GLuint n = first; n <= last; n++) __glNameStore(gc, t, n, nullptr);
    }
};

TEST_F(NamesTest, ModelBasedRandomOperations) {
    std::mt19937 rng(1234);
    std::map<GLuint, TestObject*> model;  // used names; null: reserved only
    std::vector<TestObject*> objects;
    auto pick = [&](GLuint lo, GLuint hi) { return std::uniform_int_distribution<GLuint>(lo, hi)(rng); };
    for (int step = 0; step < 1500; step++) {
        const GLuint op = pick(0, 9);
        if (op < 3) {
            const GLint n = (GLint)pick(1, 12);
            const GLuint first = __glNameGen(gc, t, n);
            ASSERT_NE(first, 0u);
            for (GLuint i = 0; i < (GLuint)n; i++) {
                ASSERT_EQ(model.count(first + i), 0u) << "name " << first + i << " handed out twice, step " << step;
                model[first + i] = nullptr;
            }
        } else if (op < 6) {
            const GLuint name = pick(1, 400);
            TestObject* o = nullptr;
            if (pick(0, 3)) {
                o = new TestObject{{0, releaseTestObject}, 0};
                objects.push_back(o);
            }
            auto it = model.find(name);
            TestObject* old = it != model.end() ? it->second : nullptr;
            ASSERT_TRUE(__glNameStore(gc, t, name, (GlNameObject*)o));
            if (old) {
                EXPECT_EQ(old->released, 1) << "replaced object released";
            }
            model[name] = o;
        } else if (op < 8) {
            const GLuint first = pick(1, 400), count = pick(0, 40);
            __glNameDelete(gc, t, first, count);
            for (GLuint n = first; n < first + count; n++) {
                auto it = model.find(n);
                if (it == model.end()) continue;
                if (it->second) {
                    EXPECT_EQ(it->second->released, 1);
                }
                model.erase(it);
            }
        } else {
            for (int k = 0; k < 20; k++) {
                const GLuint name = pick(0, 420);
                auto it = model.find(name);
                ASSERT_EQ(__glNameIsUsed(gc, t, name) != 0, it != model.end()) << "name " << name << " step " << step;
                GlNameObject* o = __glNameLookup(gc, t, name);
                GlNameObject* want = it == model.end() ? nullptr : (GlNameObject*)it->second;
                if (o == __glNameKinds[0].emptyObject) o = nullptr;
                ASSERT_EQ(o, want) << "lookup " << name << " step " << step;
                if (o) {
                    EXPECT_EQ(o->refCount, 2);
                    __glNameRelease(gc, o);
                    EXPECT_EQ(o->refCount, 1);
                }
            }
        }
        checkTree(t);
        if (HasFailure()) FAIL() << "after step " << step;
    }
    __glFreeNameTable(gc, t);
    t = __glNewNameTable(gc, GL_NAME_KIND_LISTS);
    for (auto& kv : model)
        if (kv.second) {
            EXPECT_EQ(kv.second->released, 1) << "freed with the table: " << kv.first;
        }
    for (TestObject* o : objects) {
        EXPECT_LE(o->released, 1);
        delete o;
    }
}

struct SplitCase {
    const char* what;
    GLuint leafFirst, leafLast;
    GLuint store;
    std::vector<Range> want;
};

TEST_F(NamesTest, StoreCutsAWindowOutOfAReservedRange) {
    const SplitCase cases[] = {
        {"middle", 1, 1000, 100, {{1, 91, false}, {92, 107, true}, {108, 1000, false}}},
        {"near the start", 1, 1000, 5, {{1, 16, true}, {17, 1000, false}}},
        {"near the end", 1, 1000, 995, {{1, 986, false}, {987, 1000, true}}},
        {"small leaf", 10, 40, 20, {{10, 40, true}}},
    };
    for (const SplitCase& c : cases) {
        __glNameDelete(gc, t, 1, 0xFFFFFFFFu);
        ASSERT_EQ(t->root, nullptr);
        EXPECT_EQ(__glNameGen(gc, t, (GLint)c.leafLast), 1u);
        if (c.leafFirst > 1) __glNameDelete(gc, t, 1, c.leafFirst - 1);
        TestObject o = {{0, releaseTestObject}, 0};
        ASSERT_TRUE(__glNameStore(gc, t, c.store, &o.head)) << c.what;
        EXPECT_EQ(leaves(t), c.want) << c.what;
        checkTree(t);
        __glNameDelete(gc, t, c.store, 1);
        EXPECT_EQ(o.released, 1) << c.what;
    }
}

TEST_F(NamesTest, GenerationAndDeletion) {
    EXPECT_EQ(__glNameGen(gc, t, 3), 1u);
    EXPECT_EQ(__glNameGen(gc, t, 2), 4u);
    EXPECT_EQ(leaves(t), (std::vector<Range>{{1, 5, false}}));
    __glNameDelete(gc, t, 1, 0xFFFFFFFFu);
    EXPECT_EQ(__glNameGen(gc, t, 100), 1u);
    __glNameDelete(gc, t, 10, 10);
    EXPECT_EQ(leaves(t), (std::vector<Range>{{1, 9, false}, {20, 100, false}}));
    EXPECT_EQ(__glNameGen(gc, t, 11), 101u) << "the gap holds only 10";
    EXPECT_EQ(__glNameGen(gc, t, 10), 10u) << "the gap is used again";
    EXPECT_EQ(leaves(t), (std::vector<Range>{{1, 111, false}}));
    checkTree(t);
}

TEST_F(NamesTest, GenerationStopsAtTheLargestName) {
    __glNameStore(gc, t, 100, nullptr);
    EXPECT_EQ(__glNameGen(gc, t, 5), 95u) << "the first range grows downward";
    __glNameDelete(gc, t, 1, 0xFFFFFFFFu);
    __glNameStore(gc, t, 1, nullptr);
    __glNameStore(gc, t, 0xFFFFFFF0u, nullptr);
    EXPECT_EQ(__glNameGen(gc, t, 0x7FFFFFFF), 2u);
    EXPECT_EQ(__glNameGen(gc, t, 0x7FFFFFFF), 0u) << "no room above the last range";
    EXPECT_EQ(__glNameGen(gc, t, 15), 0x80000001u);
    checkTree(t);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(NamesTest, ManyRangesKeepTheInvariants) {
    // Every third name reserved: many leaves, several levels.
    for (GLuint n = 1; n < 3000; n += 3) __glNameStore(gc, t, n, nullptr);
    checkTree(t);
    EXPECT_GE(t->depth, 5);
    for (GLuint n = 1; n < 3000; n += 3) ASSERT_TRUE(__glNameIsUsed(gc, t, n)) << n;
    EXPECT_FALSE(__glNameIsUsed(gc, t, 2));
    __glNameDelete(gc, t, 500, 2000);
    checkTree(t);
    EXPECT_TRUE(__glNameIsUsed(gc, t, 499));
    EXPECT_FALSE(__glNameIsUsed(gc, t, 502));
    EXPECT_TRUE(__glNameIsUsed(gc, t, 2500));
    __glNameDelete(gc, t, 1, 0xFFFFFFFFu);
    EXPECT_EQ(t->root, nullptr);
}

TEST_F(NamesTest, FailingAllocatorLeavesTheTreeIntact) {
    reserve(10, 20);
    __glNameStore(gc, t, 50, nullptr);
    const std::vector<Range> before = leaves(t);
    // Drain the spares so that every operation needs fresh nodes.
    for (int i = 0; i < t->spareBranchCount; i++) gc->imports.free(gc, t->spareBranches[i]);
    for (int i = 0; i < t->spareLeafCount; i++) gc->imports.free(gc, t->spareLeaves[i]);
    t->spareBranchCount = t->spareLeafCount = 0;
    gltestFailAllocationAfter(0);
    EXPECT_EQ(__glNameGen(gc, t, 4), 0u);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    GLuint names[3] = {7, 7, 7};
    EXPECT_EQ(__glNameGenArray(gc, t, 3, names), 0u);
    EXPECT_EQ(names[0] | names[1] | names[2], 0u) << "no names handed out after a failure";
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    TestObject o = {{0, releaseTestObject}, 0};
    EXPECT_FALSE(__glNameStore(gc, t, 100, &o.head));
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    __glNameDelete(gc, t, 12, 3);  // a cut inside a range needs a new leaf
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    EXPECT_EQ(leaves(t), before);
    checkTree(t);
    gltestFailAllocationAfter(-1);
    __glNameDelete(gc, t, 12, 3);
    EXPECT_EQ(leaves(t), (std::vector<Range>{{10, 11, false}, {15, 20, false}, {50, 50, false}}));
    checkTree(t);
}

TEST_F(NamesTest, ArrayLeavesMergeBelow1024Names) {
    std::vector<TestObject> objects(1100, TestObject{{0, releaseTestObject}, 0});
    for (GLuint n = 1; n <= 1100; n++) ASSERT_TRUE(__glNameStore(gc, t, n, &objects[n - 1].head));
    EXPECT_EQ(leaves(t), (std::vector<Range>{{1, 1024, true}, {1025, 1100, true}}));
    checkTree(t);
    for (GLuint n = 1; n <= 1100; n += 99) {
        GlNameObject* o = __glNameLookup(gc, t, n);
        EXPECT_EQ(o, &objects[n - 1].head) << n;
        __glNameRelease(gc, o);
    }
    // A reserved range and an array range that touch stay apart.
    __glNameStore(gc, t, 1101, nullptr);
    EXPECT_EQ(leaves(t).size(), 3u);
    __glNameDelete(gc, t, 1, 0xFFFFFFFFu);
    for (const TestObject& o : objects) ASSERT_EQ(o.released, 1);
}

TEST_F(NamesTest, DeleteArrayTakesRunsOfConsecutiveNames) {
    reserve(1, 30);
    const GLuint names[] = {3, 4, 5, 9, 8, 20, 21, 30};
    __glNameDeleteArray(gc, t, 8, names);
    EXPECT_EQ(leaves(t), (std::vector<Range>{{1, 2, false}, {6, 7, false}, {10, 19, false}, {22, 29, false}}));
    checkTree(t);
}

TEST_F(NamesTest, ObjectsAreReleasedThroughTheirOwnProcedure) {
    TestObject a = {{0, releaseTestObject}, 0}, b = {{0, releaseTestObject}, 0};
    ASSERT_TRUE(__glNameStore(gc, t, 7, &a.head));
    GlNameObject* held = __glNameLookup(gc, t, 7);
    ASSERT_EQ(held, &a.head);
    ASSERT_TRUE(__glNameStore(gc, t, 7, &b.head));  // replaced while held
    EXPECT_EQ(a.released, 0);
    __glNameRelease(gc, held);
    EXPECT_EQ(a.released, 1) << "the last reference runs the object's release";
    __glNameDelete(gc, t, 7, 1);
    EXPECT_EQ(b.released, 1);
    // The empty list stands for unset names and is never counted.
    ASSERT_EQ(__glNameGen(gc, t, 20), 1u);
    ASSERT_TRUE(__glNameStore(gc, t, 9, &b.head));
    GlNameObject* empty = __glNameLookup(gc, t, 8);
    ASSERT_EQ(empty, __glNameKinds[0].emptyObject);
    const int32_t count = empty->refCount;
    __glNameRelease(gc, empty);
    __glNameRelease(gc, __glNameLookup(gc, t, 8));
    EXPECT_EQ(empty->refCount, count);
    __glNameDelete(gc, t, 9, 1);
    EXPECT_EQ(b.released, 2);
}

}  // namespace
