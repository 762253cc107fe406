#include "slot_cases.h"

uint32_t* slotScratch() {
    static uint32_t scratch[16384];
    return scratch;
}

const std::vector<SlotCase>& allSlots() {
    static const std::vector<SlotCase> cases = {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    {slot, "gl" #name, (const void*)gl##name, bytes, cls, act, !std::is_void_v<ret>, \
     SlotArgs<ret params>::make()},
#include "core/glslots.inc"
#undef GL_SLOT
    };
    return cases;
}
