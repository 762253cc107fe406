// Building call-log entries from a call's arguments.
#ifndef RAVIX2X_RECORD_H
#define RAVIX2X_RECORD_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "board.h"
#include "ravix2x_log.h"

namespace rvx {

inline uint32_t argWord(int32_t v) { return static_cast<uint32_t>(v); }
inline uint32_t argWord(uint32_t v) { return v; }
inline uint32_t argWord(float v)
{
    uint32_t w;
    std::memcpy(&w, &v, sizeof w);
    return w;
}
inline uint32_t argWord(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Trace text of one argument: integers in decimal, addresses, sizes and
// colours in hexadecimal, floats as written.
inline int argText(char *out, size_t size, int32_t v) { return std::snprintf(out, size, "%d", v); }
inline int argText(char *out, size_t size, uint32_t v) { return std::snprintf(out, size, "0x%X", v); }
inline int argText(char *out, size_t size, float v) { return std::snprintf(out, size, "%g", double(v)); }
inline int argText(char *out, size_t size, const void *p) { return std::snprintf(out, size, "%p", p); }

template <typename... A>
void traceCall(const char *name, A... args)
{
    if (!tracing())
        return;
    char line[512];
    size_t used = 0;
    auto append = [&](int n) {
        if (n > 0)
            used = std::min(sizeof line - 1, used + static_cast<size_t>(n));
    };
    append(std::snprintf(line, sizeof line, "%s(", name));
    bool firstArg = true;
    auto one = [&](auto v) {
        if (!firstArg)
            append(std::snprintf(line + used, sizeof line - used, ", "));
        firstArg = false;
        append(argText(line + used, sizeof line - used, v));
    };
    (one(args), ...);
    (void)one; // calls without arguments
    std::snprintf(line + used, sizeof line - used, ")");
    traceLine(line);
}

// The entry of one call; also traces the call.
template <typename... A>
RvLogEntry makeEntry(const char *name, A... args)
{
    static_assert(sizeof...(A) <= RV_LOG_MAX_ARGS, "too many arguments for a log entry");
    ensureStarted();
    traceCall(name, args...);
    RvLogEntry e;
    std::memset(&e, 0, sizeof e);
    e.name = name;
    e.argCount = sizeof...(A);
    uint32_t i = 0;
    ((e.args[i++] = argWord(args)), ...);
    return e;
}

// Copies *v (zeros for null) as the entry's next vertex.
inline void addVertex(RvLogEntry &e, const RvVertex *v)
{
    if (e.vertexCount >= RV_LOG_MAX_VERTICES)
        return;
    if (v)
        e.vertices[e.vertexCount] = *v;
    ++e.vertexCount;
}

inline void setTexInfo(RvLogEntry &e, const RvTexInfo *t)
{
    e.hasTexInfo = 1;
    if (t)
        e.texInfo = *t;
}

template <typename... A>
void record(const char *name, A... args)
{
    RvLogEntry e = makeEntry(name, args...);
    rvLogAppend(&e);
}

// As record, also copying the pointed-to vertices.
template <typename... A>
void recordWithVertices(const char *name, std::initializer_list<const RvVertex *> vertices, A... args)
{
    RvLogEntry e = makeEntry(name, args...);
    for (const RvVertex *v : vertices)
        addVertex(e, v);
    rvLogAppend(&e);
}

} // namespace rvx

#endif
