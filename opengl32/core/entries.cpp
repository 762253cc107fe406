// The 358 entry points and the 13 null procedures.
//
// An entry reads the thread's GlThreadState from the TLS array of the thread
// environment block at __wglTlsOffset and jumps through the word of its slot;
// a thread without a record takes the null procedure of its argument size.

#include "gldispatch.h"

#ifdef _WIN32
#define GL_ASM_C(sym) "_" sym
#define GL_ASM_ENTRY(name, bytes) "_gl" #name "@" #bytes
#define GL_ASM_FUNC(sym) ".globl " sym "\n.def " sym "; .scl 2; .type 32; .endef\n" sym ":\n"
#define GL_ASM_READ_RECORD "\tmovl %fs:(%ecx), %eax\n"
#else
#define GL_ASM_C(sym) sym
#define GL_ASM_ENTRY(name, bytes) "gl" #name
#define GL_ASM_FUNC(sym) ".globl " sym "\n.type " sym ", @function\n" sym ":\n"
#define GL_ASM_READ_RECORD "\tmovl %gs:__standinTeb@ntpoff(%ecx), %eax\n"
#endif

uint32_t __wglTlsOffset;

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)          \
    __asm__(".text\n.p2align 4\n" GL_ASM_FUNC(GL_ASM_ENTRY(name, bytes)) \
            "\tmovl " GL_ASM_C("__wglTlsOffset") ", %ecx\n"              \
            GL_ASM_READ_RECORD                                           \
            "\ttestl %eax, %eax\n"                                       \
            "\tjz " GL_ASM_C("__glNullProc" #bytes) "\n"                 \
            "\tjmp *" #slot "*4(%eax)\n");
#include "glslots.inc"
#undef GL_SLOT

#define GL_NULL_PROC(n)                                          \
    __asm__(".text\n.p2align 4\n" GL_ASM_FUNC(GL_ASM_C("__glNullProc" #n)) \
            "\txorl %eax, %eax\n"                                \
            "\txorl %edx, %edx\n"                                \
            "\tret $" #n "\n");
GL_NULL_PROC(0) GL_NULL_PROC(4) GL_NULL_PROC(8) GL_NULL_PROC(12) GL_NULL_PROC(16)
GL_NULL_PROC(20) GL_NULL_PROC(24) GL_NULL_PROC(28) GL_NULL_PROC(32) GL_NULL_PROC(36)
GL_NULL_PROC(40) GL_NULL_PROC(48) GL_NULL_PROC(56)
#undef GL_NULL_PROC

extern "C" const GlDispatchTable __glNullDispatchTable = {{
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) (GlEntryProc)__glNullProc##bytes,
#include "glslots.inc"
#undef GL_SLOT
    nullptr, nullptr,
}};

extern "C" const char* const __glSlotNames[GL_SLOT_COUNT] = {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    __glIsExtensionSlot(slot) ? nullptr : "gl" #name,
#include "glslots.inc"
#undef GL_SLOT
};

extern "C" void GLPROC __glClearThreadDispatch(void) {
    __glThreadState()->dispatch = __glNullDispatchTable;
}

extern "C" void GLPROC __glNop(void) {}
