// x86 encoder: one instruction node to machine code, table-driven by op code;
// labels resolve backward jumps at once and forward jumps through fix-up chains.

#include <string.h>
#include "codegen/codegen.h"

namespace {
// Scheduling-class names used in the op list.
constexpr uint16_t DR = GL_OG_S_DR, DW = GL_OG_S_DW, FR = GL_OG_S_FR, FW = GL_OG_S_FW, JCC = GL_OG_S_JCC,
                   BAR = GL_OG_S_BAR, PREFIX = GL_OG_S_PREFIX, ADDR = GL_OG_S_ADDR, STACK = GL_OG_S_STACK,
                   DIVIDE = GL_OG_S_DIVIDE, STRING = GL_OG_S_STRING, FPU = GL_OG_S_FPU,
                   TIMESTAMP = GL_OG_S_TIMESTAMP, MMXSTATE = GL_OG_S_MMXSTATE, CL = GL_OG_S_CL;
}  // namespace

#define GL_OG_OP_INFO(name, form, a, b, c, d, sched) {GL_OG_F_##form, a, b, c, d, (uint16_t)(sched)},
const GlOgOpInfo __glOgOpTable[GL_OG_OP_COUNT] = {GL_OG_OPS(GL_OG_OP_INFO)};
#undef GL_OG_OP_INFO

static inline bool isKind(const GlOgNode* n, GLuint kind) { return n && n->kind == kind; }
static inline bool isReg(const GlOgNode* n) { return isKind(n, GL_OG_REG32) || isKind(n, GL_OG_REG8); }
static inline bool isRm32(const GlOgNode* n) { return isKind(n, GL_OG_REG32) || isKind(n, GL_OG_MEM); }

static inline uint8_t* put32(uint8_t* out, uint32_t v) {
    memcpy(out, &v, 4);
    return out + 4;
}

static GLuint scaleBits(GLuint scale) { return scale == 8 ? 3 : scale == 4 ? 2 : scale == 2 ? 1 : 0; }

static inline bool fits8(int32_t v) { return v >= -128 && v <= 127; }

// The memory forms (o a GL_OG_MEM node), r the register field in bits 3-5;
// out of line with its arguments in registers: most operands are registers.
static uint8_t* __attribute__((noinline, regparm(3))) modrmMem(uint8_t* out, GLuint r, const GlOgNode* o) {
    const GlOgNode* base = o->mem.base;
    const GlOgNode* index = o->mem.index;
    const bool hasDisp = o->mem.disp != nullptr;
    const int32_t d = hasDisp ? o->mem.disp->imm.value : 0;
    if (!base && !index) {  // absolute
        *out++ = (uint8_t)(r | 5);
        return put32(out, (uint32_t)d);
    }
    if (!index && base->reg.code != GL_OG_ESP) {
        // [base] without displacement; ebp cannot go without one and takes an 8-bit 0.
        if (!hasDisp && base->reg.code != GL_OG_EBP) {
            *out++ = (uint8_t)(r | base->reg.code);
            return out;
        }
        // |d| < 128: -128 takes the 32-bit form.
        if (d > -128 && d < 128) {
            *out++ = (uint8_t)(0x40 | r | base->reg.code);
            *out++ = (uint8_t)d;
            return out;
        }
        *out++ = (uint8_t)(0x80 | r | base->reg.code);
        return put32(out, (uint32_t)d);
    }
    if (!base) {  // [index * scale + d32]
        *out++ = (uint8_t)(r | 4);
        *out++ = (uint8_t)(scaleBits(o->mem.scale) << 6 | index->reg.code << 3 | 5);
        return put32(out, (uint32_t)d);
    }
    // SIB with a base: base and index, or base esp.
    GLuint mod;
    if (d == 0 && base->reg.code != GL_OG_EBP) mod = 0x00;
    else if (d > -128 && d < 128) mod = 0x40;
    else mod = 0x80;
    const GLuint idx = index ? index->reg.code : 4;
    *out++ = (uint8_t)(mod | r | 4);
    *out++ = (uint8_t)(scaleBits(o->mem.scale) << 6 | idx << 3 | base->reg.code);
    if (mod == 0x40) *out++ = (uint8_t)d;
    if (mod == 0x80) out = put32(out, (uint32_t)d);
    return out;
}

static inline uint8_t* modrm(uint8_t* out, GLuint regField, const GlOgNode* o) {
    const GLuint r = (regField & 7) << 3;
    if (isReg(o) || isKind(o, GL_OG_MMX)) {
        *out = (uint8_t)(0xC0 | r | o->reg.code);
        return out + 1;
    }
    return isKind(o, GL_OG_MEM) ? modrmMem(out, r, o) : out;
}

uint8_t* __glOgEncodeModRM(uint8_t* out, GLuint regField, const GlOgNode* o) { return modrm(out, regField, o); }

// Pushes a fix-up for the displacement field at `field` on the label's list.
static void addFixup(GlContext* gc, GlOgNode* label, uint8_t* field, GLuint width) {
    GlOgNode* f = __glOgNewNode(gc, GL_OG_LABEL);
    f->fixup.width = width;
    f->fixup.next = label->label.fixups;
    f->fixup.field = field;
    label->label.fixups = f;
}

void __glOgPatchFixups(GlOgNode* fixups, uint8_t* address) {
    for (GlOgNode* f = fixups; f; f = f->fixup.next) {
        if (f->fixup.width) put32(f->fixup.field, (uint32_t)(address - f->fixup.field - 4));
        else f->fixup.field[0] = (uint8_t)(address - f->fixup.field - 1);
    }
}

void __glOgBindLabel(GlContext*, GlOgNode* label, uint8_t* address) {
    __glOgPatchFixups(label->label.fixups, address);
}

uint8_t* __glOgPlaceLabel(GlContext* gc, uint8_t* out, GlOgNode* label) {
    label->label.address = out;
    __glOgBindLabel(gc, label, out);
    return out;
}

uint8_t* __glOgEncodeJcc(GlContext* gc, uint8_t* out, GLuint cc, GlOgNode* label) {
    if (!isKind(label, GL_OG_LABEL)) return out;
    if (uint8_t* to = label->label.address) {
        const intptr_t d = to - out;
        if (d > -127 && d < 127) {  // at most 126 bytes back
            *out++ = (uint8_t)(0x70 + cc);
            *out = (uint8_t)(to - (out + 1));
            return out + 1;
        }
        *out++ = 0x0F;
        *out++ = (uint8_t)(0x80 + cc);
        return put32(out, (uint32_t)(to - (out + 4)));
    }
    if (label->label.width) {
        *out++ = 0x0F;
        *out++ = (uint8_t)(0x80 + cc);
        addFixup(gc, label, out, 1);
        return put32(out, 0);
    }
    *out++ = (uint8_t)(0x70 + cc);
    addFixup(gc, label, out, 0);
    *out = 0;
    return out + 1;
}

// jmp and call to a label: the 8-bit form only for a bound jmp within reach.
static uint8_t* encodeRel32(GlContext* gc, uint8_t* out, uint8_t opcode, GlOgNode* label) {
    *out++ = opcode;
    if (uint8_t* to = label->label.address) return put32(out, (uint32_t)(to - (out + 4)));
    addFixup(gc, label, out, 1);
    return put32(out, 0);
}

uint8_t* __glOgEncodeJmp(GlContext* gc, uint8_t* out, GlOgNode* label) {
    if (!isKind(label, GL_OG_LABEL)) return out;
    if (uint8_t* to = label->label.address) {
        const intptr_t d = to - (out + 2);
        if (fits8((int32_t)d)) {
            out[0] = 0xEB;
            out[1] = (uint8_t)d;
            return out + 2;
        }
    }
    return encodeRel32(gc, out, 0xE9, label);
}

// opcode bytes then ModRM.
static uint8_t* opRm(uint8_t* out, uint8_t opcode, GLuint regField, const GlOgNode* rm) {
    *out++ = opcode;
    return modrm(out, regField, rm);
}
static uint8_t* op2Rm(uint8_t* out, uint8_t opcode2, GLuint regField, const GlOgNode* rm) {
    *out++ = 0x0F;
    return opRm(out, opcode2, regField, rm);
}

static uint8_t* encodeMov(uint8_t* out, const GlOgNode* dst, const GlOgNode* src) {
    if (isKind(src, GL_OG_IMM)) {
        if (isKind(dst, GL_OG_REG32)) {
            *out++ = (uint8_t)(0xB8 + dst->reg.code);
            return put32(out, (uint32_t)src->imm.value);
        }
        if (isKind(dst, GL_OG_REG8)) {  // an 8-bit register takes an 8-bit immediate
            *out++ = (uint8_t)(0xB0 + dst->reg.code);
            *out++ = (uint8_t)src->imm.value;
            return out;
        }
        if (!isKind(dst, GL_OG_MEM)) return out;
        out = opRm(out, 0xC7, 0, dst);
        return put32(out, (uint32_t)src->imm.value);
    }
    if (isKind(dst, GL_OG_REG32) && isRm32(src)) return opRm(out, 0x8B, dst->reg.code, src);
    if (isKind(dst, GL_OG_MEM) && isKind(src, GL_OG_REG32)) return opRm(out, 0x89, src->reg.code, dst);
    if (isKind(dst, GL_OG_REG8) && (isKind(src, GL_OG_REG8) || isKind(src, GL_OG_MEM)))
        return opRm(out, 0x8A, dst->reg.code, src);
    if (isKind(dst, GL_OG_MEM) && isKind(src, GL_OG_REG8)) return opRm(out, 0x88, src->reg.code, dst);
    return out;
}

static uint8_t* encodeAlu(uint8_t* out, const GlOgOpInfo& t, GLuint op, const GlOgNode* dst,
                          const GlOgNode* src) {
    if (isKind(src, GL_OG_IMM)) {
        const int32_t v = src->imm.value;
        if (isKind(dst, GL_OG_REG8)) {
            out = opRm(out, 0x80, t.a, dst);
            *out++ = (uint8_t)v;
            return out;
        }
        if (!isRm32(dst)) return out;
        if (op == GL_OG_Cmp && fits8(v)) {
            out = opRm(out, 0x83, t.a, dst);
            *out++ = (uint8_t)v;
            return out;
        }
        out = opRm(out, 0x81, t.a, dst);
        return put32(out, (uint32_t)v);
    }
    if (isReg(src) && (isReg(dst) || isKind(dst, GL_OG_MEM)))
        return opRm(out, (uint8_t)(t.b - isKind(src, GL_OG_REG8)), src->reg.code, dst);
    if (isReg(dst) && isKind(src, GL_OG_MEM))
        return opRm(out, (uint8_t)(t.c - isKind(dst, GL_OG_REG8)), dst->reg.code, src);
    return out;
}

static uint8_t* encodeTest(uint8_t* out, const GlOgNode* dst, const GlOgNode* src) {
    if (isKind(src, GL_OG_IMM)) {
        if (isKind(dst, GL_OG_REG8)) {
            out = opRm(out, 0xF6, 0, dst);
            *out++ = (uint8_t)src->imm.value;
            return out;
        }
        if (!isRm32(dst)) return out;
        out = opRm(out, 0xF7, 0, dst);
        return put32(out, (uint32_t)src->imm.value);
    }
    if (isReg(src) && (isReg(dst) || isKind(dst, GL_OG_MEM)))
        return opRm(out, (uint8_t)(0x85 - isKind(src, GL_OG_REG8)), src->reg.code, dst);
    if (isReg(dst) && isKind(src, GL_OG_MEM))  // test is symmetric
        return opRm(out, (uint8_t)(0x85 - isKind(dst, GL_OG_REG8)), dst->reg.code, src);
    return out;
}

static inline __attribute__((always_inline)) uint8_t* encodeInsn(GlContext* gc, uint8_t* out, GLuint op, GlOgNode* dst,
                                                              GlOgNode* src) {
    const GlOgOpInfo& t = __glOgOpTable[op];
    switch (t.form) {
    case GL_OG_F_MOV:
        return encodeMov(out, dst, src);
    case GL_OG_F_MOVX:
        if (!isKind(dst, GL_OG_REG32) || !(isReg(src) || isKind(src, GL_OG_MEM))) return out;
        return op2Rm(out, t.a, dst->reg.code, src);
    case GL_OG_F_LEA:
        if (!isKind(dst, GL_OG_REG32) || !isKind(src, GL_OG_MEM)) return out;
        return opRm(out, 0x8D, dst->reg.code, src);
    case GL_OG_F_PUSH:
        if (isKind(dst, GL_OG_IMM)) {
            *out++ = 0x68;
            return put32(out, (uint32_t)dst->imm.value);
        }
        if (isKind(dst, GL_OG_REG32)) {
            *out++ = (uint8_t)(0x50 + dst->reg.code);
            return out;
        }
        return isKind(dst, GL_OG_MEM) ? opRm(out, 0xFF, 6, dst) : out;
    case GL_OG_F_POP:
        if (isKind(dst, GL_OG_REG32)) {
            *out++ = (uint8_t)(0x58 + dst->reg.code);
            return out;
        }
        return isKind(dst, GL_OG_MEM) ? opRm(out, 0x8F, 0, dst) : out;
    case GL_OG_F_INCDEC:
        if (isKind(dst, GL_OG_REG32)) {
            *out++ = (uint8_t)(t.b + dst->reg.code);
            return out;
        }
        if (isKind(dst, GL_OG_REG8)) return opRm(out, 0xFE, t.a, dst);
        return isKind(dst, GL_OG_MEM) ? opRm(out, 0xFF, t.a, dst) : out;
    case GL_OG_F_JCC:
        return __glOgEncodeJcc(gc, out, t.a, dst);
    case GL_OG_F_CALL:
        if (isKind(dst, GL_OG_LABEL)) return encodeRel32(gc, out, 0xE8, dst);
        return isRm32(dst) ? opRm(out, 0xFF, 2, dst) : out;
    case GL_OG_F_JMP:
        return __glOgEncodeJmp(gc, out, dst);
    case GL_OG_F_JMPIND:
        return isRm32(dst) ? opRm(out, 0xFF, 4, dst) : out;
    case GL_OG_F_RETN:
        if (!isKind(dst, GL_OG_IMM)) return out;
        out[0] = 0xC2;
        out[1] = (uint8_t)dst->imm.value;
        out[2] = (uint8_t)(dst->imm.value >> 8);
        return out + 3;
    case GL_OG_F_ALU:
        return encodeAlu(out, t, op, dst, src);
    case GL_OG_F_IMUL:
        if (!isKind(dst, GL_OG_REG32)) return out;
        if (isKind(src, GL_OG_IMM)) {
            out = opRm(out, 0x69, dst->reg.code, dst);
            return put32(out, (uint32_t)src->imm.value);
        }
        return isRm32(src) ? op2Rm(out, 0xAF, dst->reg.code, src) : out;
    case GL_OG_F_IDIV:
        return isRm32(dst) ? opRm(out, 0xF7, 7, dst) : out;
    case GL_OG_F_UNARY:
        if (isKind(dst, GL_OG_REG8)) return opRm(out, 0xF6, t.a, dst);
        return isRm32(dst) ? opRm(out, 0xF7, t.a, dst) : out;
    case GL_OG_F_SHIFTCL:
        return isKind(dst, GL_OG_REG32) ? opRm(out, 0xD3, t.a, dst) : out;
    case GL_OG_F_SHIFT:
        if (!isReg(dst) || !isKind(src, GL_OG_IMM) || src->imm.value < 1) return out;
        out[0] = isKind(dst, GL_OG_REG8) ? 0xC0 : 0xC1;
        out[1] = (uint8_t)(0xC0 | t.a << 3 | dst->reg.code);
        out[2] = (uint8_t)src->imm.value;
        return out + 3;
    case GL_OG_F_TEST:
        return encodeTest(out, dst, src);
    case GL_OG_F_BYTES1:
        *out++ = t.a;
        return out;
    case GL_OG_F_BYTES2:
        out[0] = t.a;
        out[1] = t.b;
        return out + 2;
    case GL_OG_F_X87:
        if (isKind(dst, GL_OG_ST) && t.a) {
            out[0] = t.a;
            out[1] = (uint8_t)(t.b + (dst->reg.code & 7));
            return out + 2;
        }
        return isKind(dst, GL_OG_MEM) && t.c ? opRm(out, t.c, t.d, dst) : out;
    case GL_OG_F_MOVD:
        if (isKind(dst, GL_OG_MMX) && isRm32(src)) return op2Rm(out, 0x6E, dst->reg.code, src);
        if (isKind(src, GL_OG_MMX) && isRm32(dst)) return op2Rm(out, 0x7E, src->reg.code, dst);
        return out;
    case GL_OG_F_MOVQ:
        if (isKind(dst, GL_OG_MMX) && (isKind(src, GL_OG_MMX) || isKind(src, GL_OG_MEM)))
            return op2Rm(out, 0x6F, dst->reg.code, src);
        if (isKind(dst, GL_OG_MEM) && isKind(src, GL_OG_MMX)) return op2Rm(out, 0x7F, src->reg.code, dst);
        return out;
    case GL_OG_F_MSHIFT:
        if (isKind(dst, GL_OG_MMX) && isKind(src, GL_OG_IMM)) {
            out[0] = 0x0F;
            out[1] = t.b;
            out[2] = (uint8_t)(0xC0 | t.c << 3 | dst->reg.code);
            out[3] = (uint8_t)src->imm.value;
            return out + 4;
        }
        [[fallthrough]];
    case GL_OG_F_MMX:
        if (isKind(dst, GL_OG_MMX) && (isKind(src, GL_OG_MMX) || isKind(src, GL_OG_MEM)))
            return op2Rm(out, t.a, dst->reg.code, src);
        return out;
    case GL_OG_F_MSHUF:  // every lane the word the order names: 0F 70 /r ib
        if (!isKind(dst, GL_OG_MMX) || !(isKind(src, GL_OG_MMX) || isKind(src, GL_OG_MEM))) return out;
        out = op2Rm(out, 0x70, dst->reg.code, src);
        *out++ = t.a;
        return out;
    case GL_OG_F_SHLD:  // the destination shifted left, filled from the source's top bits: 0F A4 /r ib
        if (!isKind(dst, GL_OG_REG32) || !isKind(src, GL_OG_REG32)) return out;
        out = op2Rm(out, 0xA4, src->reg.code, dst);
        *out++ = t.a;
        return out;
    case GL_OG_F_MPEXTRW:  // a word of an MMX register zero-extended: 0F C5 /r ib
        if (!isKind(dst, GL_OG_REG32) || !isKind(src, GL_OG_MMX)) return out;
        out = op2Rm(out, 0xC5, dst->reg.code, src);
        *out++ = t.a;
        return out;
    default:  // no instruction, or a block op out of place
        return out;
    }
}

GlOgEncodeHook __glOgEncodeHook;

// An instruction written, reported to the hook.
static inline uint8_t* written(GlContext* gc, uint8_t* out, uint8_t* end, GLuint op, const GlOgNode* first,
                               const GlOgNode* second) {
    if (__glOgEncodeHook && end != out) __glOgEncodeHook(gc, out, end, op, first, second);
    return end;
}

uint8_t* __glOgEncode(GlContext* gc, uint8_t* out, GlOgNode* node) {
    if (!isKind(node, GL_OG_INSN) || node->insn.op >= GL_OG_OP_COUNT) return out;
    GlOgGen* g = &gc->og.gen;
    const GLuint op = node->insn.op;
    const GlOgForm form = __glOgOpTable[op].form;
    if (g->scheduling) {  // a block queues its nodes until its end
        if (form == GL_OG_F_END) {
            g->scheduling = 0;
            return __glOgFlushSchedule(gc, out);
        }
        if (form != GL_OG_F_NONE && form != GL_OG_F_BEGIN) __glOgQueueNode(gc, node);
        return out;
    }
    if (form == GL_OG_F_BEGIN) {
        g->scheduling = 1;
        return out;
    }
    return written(gc, out, encodeInsn(gc, out, op, node->insn.first, node->insn.second), op, node->insn.first,
                   node->insn.second);
}

uint8_t* __glOgEncodeOp(GlContext* gc, uint8_t* out, GLuint op, GlOgNode* first, GlOgNode* second) {
    if (op >= GL_OG_OP_COUNT) return out;
    const GlOgForm form = __glOgOpTable[op].form;
    if (gc->og.gen.scheduling || form == GL_OG_F_BEGIN || form == GL_OG_F_END)
        return __glOgEncode(gc, out, __glOgInsn(gc, op, first, second));
    return written(gc, out, encodeInsn(gc, out, op, first, second), op, first, second);
}
