// Every dispatch slot with its entry and argument words that are safe to pass:
// zero for numbers, a zeroed scratch block for pointers.
#pragma once

#include <stdint.h>
#include <type_traits>
#include <vector>
#include "core/gldispatch.h"

struct SlotCase {
    int slot;
    const char* name;
    const void* entry;
    int argBytes;
    int cls;
    int act;
    bool returnsValue;
    std::vector<uint32_t> args;
};

uint32_t* slotScratch();

template <class T>
void appendArg(std::vector<uint32_t>& w) {
    if constexpr (std::is_pointer_v<T>)
        w.push_back((uint32_t)(uintptr_t)slotScratch());
    else
        for (size_t i = 0; i < (sizeof(T) + 3) / 4; i++) w.push_back(0);
}

template <class F>
struct SlotArgs;
template <class R, class... A>
struct SlotArgs<R(A...)> {
    static std::vector<uint32_t> make() {
        std::vector<uint32_t> w;
        (appendArg<A>(w), ...);
        return w;
    }
};

const std::vector<SlotCase>& allSlots();
