// Bounded call log shared by every rv* call.
#include <atomic>
#include <cstring>

#include "ravix2x_log.h"

namespace {

RvLogEntry g_entries[RV_LOG_CAPACITY];
uint32_t g_count;
uint32_t g_dropped;
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

struct Guard {
    Guard()
    {
        while (g_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Guard() { g_lock.clear(std::memory_order_release); }
};

bool sameName(const RvLogEntry &e, const char *name)
{
    return e.name && name && std::strcmp(e.name, name) == 0;
}

} // namespace

extern "C" {

void RVAPI rvLogAppend(const RvLogEntry *entry)
{
    if (!entry)
        return;
    Guard g;
    if (g_count < RV_LOG_CAPACITY)
        g_entries[g_count++] = *entry;
    else
        ++g_dropped;
}

uint32_t RVAPI rvLogCount(void)
{
    Guard g;
    return g_count;
}

const RvLogEntry *RVAPI rvLogEntry(uint32_t index)
{
    Guard g;
    return index < g_count ? &g_entries[index] : nullptr;
}

void RVAPI rvLogClear(void)
{
    Guard g;
    g_count = 0;
    g_dropped = 0;
}

uint32_t RVAPI rvLogDropped(void)
{
    Guard g;
    return g_dropped;
}

int32_t RVAPI rvLogFind(const char *name, uint32_t from)
{
    Guard g;
    for (uint32_t i = from; i < g_count; ++i)
        if (sameName(g_entries[i], name))
            return static_cast<int32_t>(i);
    return -1;
}

uint32_t RVAPI rvLogCountOf(const char *name)
{
    Guard g;
    uint32_t n = 0;
    for (uint32_t i = 0; i < g_count; ++i)
        n += sameName(g_entries[i], name);
    return n;
}

} // extern "C"
