// Run-time code generator: instruction nodes, op codes, the x86/x87/MMX encoder,
// the pairing scheduler, code caches, constant pools and processor features.
#pragma once

#include "core/glcontext.h"

// Op codes with their encoding form and table bytes, and their scheduling class:
// X(name, form, a, b, c, d, sched). Numbered in order from 0.
//   ALU: a = /digit, b = r/m-destination opcode, c = register-destination opcode.
//   X87: a, b = register form (0: none), c, d = memory opcode and /digit (c 0: none).
//   MMX: a = second byte. MSHIFT: a = register-count byte, b = immediate byte, c = /digit.
//   MSHUF: pshufw with the word order a (the one immediate each op stands for).
//   MPEXTRW: pextrw of word a into a 32-bit register.
//   SHLD: shld of a 32-bit register by a bits from another (the count a).
//   UNARY: a = /digit of F7 (F6 for a byte register). SHIFTCL: a = /digit of D3 (by CL).
#define GL_OG_OPS(X)                                                   \
    X(Mov, MOV, 0, 0, 0, 0, DW)                                        \
    X(Movsx8, MOVX, 0xBE, 0, 0, 0, DW)                                 \
    X(Movzx8, MOVX, 0xB6, 0, 0, 0, DW)                                 \
    X(Movsx16, MOVX, 0xBF, 0, 0, 0, DW)                                \
    X(Movzx16, MOVX, 0xB7, 0, 0, 0, DW)                                \
    X(Lea, LEA, 0, 0, 0, 0, DW | ADDR)                                 \
    X(Push, PUSH, 0, 0, 0, 0, DR | STACK)                              \
    X(Pop, POP, 0, 0, 0, 0, DW | STACK)                                \
    X(Inc, INCDEC, 0, 0x40, 0, 0, DR | DW | FW)                        \
    X(Dec, INCDEC, 1, 0x48, 0, 0, DR | DW | FW)                        \
    X(Ja, JCC, 0x7, 0, 0, 0, JCC)                                      \
    X(Jae, JCC, 0x3, 0, 0, 0, JCC)                                     \
    X(Jb, JCC, 0x2, 0, 0, 0, JCC)                                      \
    X(Jbe, JCC, 0x6, 0, 0, 0, JCC)                                     \
    X(Jge, JCC, 0xD, 0, 0, 0, JCC)                                     \
    X(Jl, JCC, 0xC, 0, 0, 0, JCC)                                      \
    X(Jle, JCC, 0xE, 0, 0, 0, JCC)                                     \
    X(Jg, JCC, 0xF, 0, 0, 0, JCC)                                      \
    X(Je, JCC, 0x4, 0, 0, 0, JCC)                                      \
    X(Jne, JCC, 0x5, 0, 0, 0, JCC)                                     \
    X(Jo, JCC, 0x0, 0, 0, 0, JCC)                                      \
    X(Jno, JCC, 0x1, 0, 0, 0, JCC)                                     \
    X(Js, JCC, 0x8, 0, 0, 0, JCC)                                      \
    X(Jns, JCC, 0x9, 0, 0, 0, JCC)                                     \
    X(Call, CALL, 0, 0, 0, 0, BAR)                                     \
    X(Jmp, JMP, 0, 0, 0, 0, BAR)                                       \
    X(JmpIndirect, JMPIND, 0, 0, 0, 0, BAR)                            \
    X(Ret, BYTES1, 0xC3, 0, 0, 0, BAR)                                 \
    X(RetN, RETN, 0, 0, 0, 0, BAR)                                     \
    X(Cmp, ALU, 7, 0x39, 0x3B, 0, DR | FW)                             \
    X(Add, ALU, 0, 0x01, 0x03, 0, DR | DW | FW)                        \
    X(Adc, ALU, 2, 0x11, 0x13, 0, DR | DW | FW | FR)                   \
    X(Imul, IMUL, 0, 0, 0, 0, DR | DW | FW)                            \
    X(Idiv, IDIV, 0, 0, 0, 0, DR | FW | DIVIDE)                        \
    X(Sub, ALU, 5, 0x29, 0x2B, 0, DR | DW | FW)                        \
    X(Sbb, ALU, 3, 0x19, 0x1B, 0, DR | DW | FW | FR)                   \
    X(And, ALU, 4, 0x21, 0x23, 0, DR | DW | FW)                        \
    X(Or, ALU, 1, 0x09, 0x0B, 0, DR | DW | FW)                         \
    X(Xor, ALU, 6, 0x31, 0x33, 0, DR | DW | FW)                        \
    X(Rol, SHIFT, 0, 0, 0, 0, DR | DW | FW)                            \
    X(Shl, SHIFT, 4, 0, 0, 0, DR | DW | FW)                            \
    X(Shr, SHIFT, 5, 0, 0, 0, DR | DW | FW)                            \
    X(Sar, SHIFT, 7, 0, 0, 0, DR | DW | FW)                            \
    X(Test, TEST, 0, 0, 0, 0, DR | FW)                                 \
    X(Int3, BYTES1, 0xCC, 0, 0, 0, BAR)                                \
    X(Fwait, BYTES1, 0x9B, 0, 0, 0, BAR)                               \
    X(OperandSize, BYTES1, 0x66, 0, 0, 0, BAR | PREFIX)                \
    X(Rep, BYTES1, 0xF3, 0, 0, 0, BAR | PREFIX)                        \
    X(Movsd, BYTES1, 0xA5, 0, 0, 0, STRING)                            \
    X(Nop, BYTES1, 0x90, 0, 0, 0, 0)                                   \
    X(FldS, X87, 0xD9, 0xC0, 0xD9, 0, DR | FPU)                        \
    X(Fild32, X87, 0, 0, 0xDB, 0, DR | FPU)                            \
    X(Fild64, X87, 0, 0, 0xDF, 5, DR | FPU)                            \
    X(Fxch, X87, 0xD9, 0xC8, 0, 0, FPU)                                \
    X(FstS, X87, 0xDD, 0xD0, 0xD9, 2, DW | FPU)                        \
    X(FstpS, X87, 0xDD, 0xD8, 0xD9, 3, DW | FPU)                       \
    X(FstpD, X87, 0xDD, 0xD8, 0xDD, 3, DW | FPU)                       \
    X(Fistp32, X87, 0, 0, 0xDB, 3, DW | FPU)                           \
    X(Fist32, X87, 0, 0, 0xDB, 2, DW | FPU)                            \
    X(Fistp64, X87, 0, 0, 0xDF, 7, DW | FPU)                           \
    X(FmulS, X87, 0xD8, 0xC8, 0xD8, 1, DR | FPU)                       \
    X(Fmulp, X87, 0xDE, 0xC8, 0, 0, FPU)                               \
    X(FaddS, X87, 0xD8, 0xC0, 0xD8, 0, DR | FPU)                       \
    X(Faddp, X87, 0xDE, 0xC0, 0, 0, FPU)                               \
    X(FsubS, X87, 0xD8, 0xE0, 0xD8, 4, DR | FPU)                       \
    X(FdivrS, X87, 0xD8, 0xF8, 0xD8, 7, DR | FPU)                      \
    X(FdivS, X87, 0xD8, 0xF0, 0xD8, 6, DR | FPU)                       \
    X(Fldpi, BYTES2, 0xD9, 0xEB, 0, 0, FPU)                            \
    X(Fabs, BYTES2, 0xD9, 0xE1, 0, 0, FPU)                             \
    X(Fldcw, X87, 0, 0, 0xD9, 5, DR | FPU)                             \
    X(Fnstcw, X87, 0, 0, 0xD9, 7, DW | FPU)                            \
    X(Fsubp, X87, 0xDE, 0xE8, 0, 0, FPU)                               \
    X(Fsubrp, X87, 0xDE, 0xE0, 0, 0, FPU)                              \
    X(FldD, X87, 0xD9, 0xC0, 0xDD, 0, DR | FPU)                        \
    X(FaddD, X87, 0xD8, 0xC0, 0xDC, 0, DR | FPU)                       \
    X(Fchs, BYTES2, 0xD9, 0xE0, 0, 0, FPU)                             \
    X(Rdtsc, BYTES2, 0x0F, 0x31, 0, 0, TIMESTAMP)                      \
    X(Emms, BYTES2, 0x0F, 0x77, 0, 0, MMXSTATE)                        \
    X(Movd, MOVD, 0, 0, 0, 0, DW)                                      \
    X(Movq, MOVQ, 0, 0, 0, 0, DW)                                      \
    X(Packssdw, MMX, 0x6B, 0, 0, 0, DR | DW)                           \
    X(Packsswb, MMX, 0x63, 0, 0, 0, DR | DW)                           \
    X(Packuswb, MMX, 0x67, 0, 0, 0, DR | DW)                           \
    X(Pslld, MSHIFT, 0xF2, 0x72, 6, 0, DR | DW)                        \
    X(Psllq, MSHIFT, 0xF3, 0x73, 6, 0, DR | DW)                        \
    X(Psllw, MSHIFT, 0xF1, 0x71, 6, 0, DR | DW)                        \
    X(Psrad, MSHIFT, 0xE2, 0x72, 4, 0, DR | DW)                        \
    X(Unused87, NONE, 0, 0, 0, 0, 0)                                   \
    X(Psraw, MSHIFT, 0xE1, 0x71, 4, 0, DR | DW)                        \
    X(Psrld, MSHIFT, 0xD2, 0x72, 2, 0, DR | DW)                        \
    X(Psrlq, MSHIFT, 0xD3, 0x73, 2, 0, DR | DW)                        \
    X(Psrlw, MSHIFT, 0xD1, 0x71, 2, 0, DR | DW)                        \
    X(Punpckhbw, MMX, 0x68, 0, 0, 0, DR | DW)                          \
    X(Punpckhdq, MMX, 0x6A, 0, 0, 0, DR | DW)                          \
    X(Punpckhwd, MMX, 0x69, 0, 0, 0, DR | DW)                          \
    X(Punpcklbw, MMX, 0x60, 0, 0, 0, DR | DW)                          \
    X(Punpckldq, MMX, 0x62, 0, 0, 0, DR | DW)                          \
    X(Punpcklwd, MMX, 0x61, 0, 0, 0, DR | DW)                          \
    X(Paddb, MMX, 0xFC, 0, 0, 0, DR | DW)                              \
    X(Paddd, MMX, 0xFE, 0, 0, 0, DR | DW)                              \
    X(Paddsb, MMX, 0xEC, 0, 0, 0, DR | DW)                             \
    X(Paddsw, MMX, 0xED, 0, 0, 0, DR | DW)                             \
    X(Paddusb, MMX, 0xDC, 0, 0, 0, DR | DW)                            \
    X(Paddusw, MMX, 0xDD, 0, 0, 0, DR | DW)                            \
    X(Paddw, MMX, 0xFD, 0, 0, 0, DR | DW)                              \
    X(Pand, MMX, 0xDB, 0, 0, 0, DR | DW)                               \
    X(Pandn, MMX, 0xDF, 0, 0, 0, DR | DW)                              \
    X(Pcmpeqb, MMX, 0x74, 0, 0, 0, DR | DW)                            \
    X(Pcmpeqd, MMX, 0x76, 0, 0, 0, DR | DW)                            \
    X(Pcmpeqw, MMX, 0x75, 0, 0, 0, DR | DW)                            \
    X(Pcmpgtb, MMX, 0x64, 0, 0, 0, DR | DW)                            \
    X(Pcmpgtw, MMX, 0x65, 0, 0, 0, DR | DW)                            \
    X(Pcmpgtd, MMX, 0x66, 0, 0, 0, DR | DW)                            \
    X(Pmaddwd, MMX, 0xF5, 0, 0, 0, DR | DW)                            \
    X(Pmulhw, MMX, 0xE5, 0, 0, 0, DR | DW)                             \
    X(Pmullw, MMX, 0xD5, 0, 0, 0, DR | DW)                             \
    X(Psubb, MMX, 0xF8, 0, 0, 0, DR | DW)                              \
    X(Psubw, MMX, 0xF9, 0, 0, 0, DR | DW)                              \
    X(Psubd, MMX, 0xFA, 0, 0, 0, DR | DW)                              \
    X(Psubsb, MMX, 0xE8, 0, 0, 0, DR | DW)                             \
    X(Psubsw, MMX, 0xE9, 0, 0, 0, DR | DW)                             \
    X(Psubusb, MMX, 0xD8, 0, 0, 0, DR | DW)                            \
    X(Psubusw, MMX, 0xD9, 0, 0, 0, DR | DW)                            \
    X(Por, MMX, 0xEB, 0, 0, 0, DR | DW)                                \
    X(Pxor, MMX, 0xEF, 0, 0, 0, DR | DW)                               \
    X(BeginBlock, BEGIN, 0, 0, 0, 0, 0)                                \
    X(EndBlock, END, 0, 0, 0, 0, 0)                                    \
    X(Neg, UNARY, 3, 0, 0, 0, DR | DW | FW)                            \
    X(Not, UNARY, 2, 0, 0, 0, DR | DW)                                 \
    X(Cdq, BYTES1, 0x99, 0, 0, 0, BAR)                                 \
    X(Sahf, BYTES1, 0x9E, 0, 0, 0, BAR)                                \
    X(Fnstsw, BYTES2, 0xDF, 0xE0, 0, 0, BAR)                           \
    X(Fld1, BYTES2, 0xD9, 0xE8, 0, 0, FPU)                             \
    X(Fldz, BYTES2, 0xD9, 0xEE, 0, 0, FPU)                             \
    X(FcompS, X87, 0xD8, 0xD8, 0xD8, 3, DR | FPU)                      \
    X(FcompD, X87, 0, 0, 0xDC, 3, DR | FPU)                            \
    X(FsubrS, X87, 0xD8, 0xE8, 0xD8, 5, DR | FPU)                      \
    X(FmulD, X87, 0, 0, 0xDC, 1, DR | FPU)                             \
    X(FsubD, X87, 0, 0, 0xDC, 4, DR | FPU)                             \
    X(FdivD, X87, 0, 0, 0xDC, 6, DR | FPU)                             \
    X(Fdivp, X87, 0xDE, 0xF8, 0, 0, FPU)                               \
    X(Fdivrp, X87, 0xDE, 0xF0, 0, 0, FPU)                              \
    X(Fimul32, X87, 0, 0, 0xDA, 1, DR | FPU)                           \
    X(Fiadd32, X87, 0, 0, 0xDA, 0, DR | FPU)                           \
    X(Fild16, X87, 0, 0, 0xDF, 0, DR | FPU)                            \
    X(Jp, JCC, 0xA, 0, 0, 0, JCC)                                      \
    X(Jnp, JCC, 0xB, 0, 0, 0, JCC)                                     \
    X(Bsf, MOVX, 0xBC, 0, 0, 0, DW | FW)                               \
    X(Bsr, MOVX, 0xBD, 0, 0, 0, DW | FW)                               \
    X(Fistp16, X87, 0, 0, 0xDF, 3, DW | FPU)                           \
    X(ShlCl, SHIFTCL, 4, 0, 0, 0, DR | DW | FW | CL)                   \
    X(ShrCl, SHIFTCL, 5, 0, 0, 0, DR | DW | FW | CL)                   \
    X(Pmulhuw, MMX, 0xE4, 0, 0, 0, DR | DW)                            \
    X(Pminub, MMX, 0xDA, 0, 0, 0, DR | DW)                             \
    X(Pminsw, MMX, 0xEA, 0, 0, 0, DR | DW)                             \
    X(FstD, X87, 0xDD, 0xD0, 0xDD, 2, DW | FPU)                        \
    X(Pshufw0, MSHUF, 0x00, 0, 0, 0, DW)                               \
    X(Pshufw1, MSHUF, 0x55, 0, 0, 0, DW)                               \
    X(Pextrw0, MPEXTRW, 0, 0, 0, 0, DW)                                \
    X(Pextrw1, MPEXTRW, 1, 0, 0, 0, DW)                                \
    X(Pextrw2, MPEXTRW, 2, 0, 0, 0, DW)                                \
    X(Pextrw3, MPEXTRW, 3, 0, 0, 0, DW)                                \
    X(Pshufw13, MSHUF, 0xDD, 0, 0, 0, DW)                              \
    X(Shld16, SHLD, 16, 0, 0, 0, DR | DW | FW)                        \
    X(Maskmovq, MMX, 0xF7, 0, 0, 0, DR | BAR)

#define GL_OG_OP_ENUM(name, form, a, b, c, d, sched) GL_OG_##name,
enum GlOgOp { GL_OG_OPS(GL_OG_OP_ENUM) GL_OG_OP_COUNT };
#undef GL_OG_OP_ENUM
static_assert(GL_OG_Unused87 == 87 && GL_OG_Psraw == 88 && GL_OG_Pxor == 124, "op-code numbering");
static_assert(GL_OG_EndBlock == 126, "block ops, then the ops added after them");

// Encoding forms and scheduling classes of the op table.
enum GlOgForm : uint8_t {
    GL_OG_F_NONE, GL_OG_F_MOV, GL_OG_F_MOVX, GL_OG_F_LEA, GL_OG_F_PUSH, GL_OG_F_POP, GL_OG_F_INCDEC,
    GL_OG_F_JCC, GL_OG_F_CALL, GL_OG_F_JMP, GL_OG_F_JMPIND, GL_OG_F_RETN, GL_OG_F_ALU, GL_OG_F_IMUL,
    GL_OG_F_IDIV, GL_OG_F_SHIFT, GL_OG_F_TEST, GL_OG_F_BYTES1, GL_OG_F_BYTES2, GL_OG_F_X87,
    GL_OG_F_MOVD, GL_OG_F_MOVQ, GL_OG_F_MMX, GL_OG_F_MSHIFT, GL_OG_F_BEGIN, GL_OG_F_END, GL_OG_F_UNARY,
    GL_OG_F_SHIFTCL, GL_OG_F_MSHUF, GL_OG_F_MPEXTRW, GL_OG_F_SHLD,
};
enum GlOgSchedClass : uint16_t {
    GL_OG_S_DR = 0x1,          // reads its first operand
    GL_OG_S_DW = 0x2,          // writes its first operand
    GL_OG_S_FR = 0x4,          // reads the flags
    GL_OG_S_FW = 0x8,          // writes the flags
    GL_OG_S_JCC = 0x10,        // conditional jump
    GL_OG_S_BAR = 0x20,        // nothing moves across it
    GL_OG_S_PREFIX = 0x40,     // a prefix: glued to the instruction after it
    GL_OG_S_ADDR = 0x80,       // memory operand is an address only (lea)
    GL_OG_S_STACK = 0x100,     // push and pop: esp and stack memory
    GL_OG_S_DIVIDE = 0x200,    // eax and edx
    GL_OG_S_STRING = 0x400,    // esi, edi and memory
    GL_OG_S_FPU = 0x800,       // the x87 register stack
    GL_OG_S_TIMESTAMP = 0x1000,  // eax and edx written
    GL_OG_S_MMXSTATE = 0x2000,   // every MMX register and the x87 stack
    GL_OG_S_CL = 0x4000,         // reads CL (the shift count)
};
struct GlOgOpInfo {
    GlOgForm form;
    uint8_t a, b, c, d;
    uint16_t sched;
};
extern const GlOgOpInfo __glOgOpTable[GL_OG_OP_COUNT];

// Static register operands shared by every context; generators compare them by identity.
extern GlOgNode __glOgReg32[8], __glOgReg8[8], __glOgStReg[8], __glOgMmReg[8];
enum { GL_OG_EAX, GL_OG_ECX, GL_OG_EDX, GL_OG_EBX, GL_OG_ESP, GL_OG_EBP, GL_OG_ESI, GL_OG_EDI };
#define OG_EAX (&__glOgReg32[GL_OG_EAX])
#define OG_ECX (&__glOgReg32[GL_OG_ECX])
#define OG_EDX (&__glOgReg32[GL_OG_EDX])
#define OG_EBX (&__glOgReg32[GL_OG_EBX])
#define OG_ESP (&__glOgReg32[GL_OG_ESP])
#define OG_EBP (&__glOgReg32[GL_OG_EBP])
#define OG_ESI (&__glOgReg32[GL_OG_ESI])
#define OG_EDI (&__glOgReg32[GL_OG_EDI])
#define OG_R8(code) (&__glOgReg8[code])
#define OG_ST(i) (&__glOgStReg[i])
#define OG_MM(i) (&__glOgMmReg[i])

// Nodes. Constructors take the context first and return a node of its arena.
GlOgNode* __glOgNewNode(GlContext* gc, GLuint kind);
GlOgNode* __glOgImm(GlContext* gc, GLint value);
GlOgNode* __glOgNewLabel(GlContext* gc);
GlOgNode* __glOgNewShortLabel(GlContext* gc);
GlOgNode* __glOgMem(GlContext* gc, GlOgNode* disp, GlOgNode* base, GlOgNode* index, GLuint scale);
GlOgNode* __glOgMemBase(GlContext* gc, GlOgNode* disp, GlOgNode* base);
GlOgNode* __glOgInsn(GlContext* gc, GLuint op, GlOgNode* first, GlOgNode* second);
void __glOgResetArena(GlContext* gc);
// Shorthands: [base + d] and an absolute [address].
GlOgNode* __glOgMemAt(GlContext* gc, GlOgNode* base, GLint disp);
GlOgNode* __glOgMemAbs(GlContext* gc, const void* address);

// One constructor per op code: __glOgMov(gc, dst, src), __glOgRet(gc), __glOgJne(gc, label)...
#define GL_OG_OP_CTOR(name, form, a, b, c, d, sched)                                            \
    inline GlOgNode* __glOg##name(GlContext* gc, GlOgNode* first = nullptr, GlOgNode* second = nullptr) { \
        return __glOgInsn(gc, GL_OG_##name, first, second);                                      \
    }
GL_OG_OPS(GL_OG_OP_CTOR)
#undef GL_OG_OP_CTOR

// Encoder: writes one instruction at out and returns the end of what it wrote.
uint8_t* __glOgEncode(GlContext* gc, uint8_t* out, GlOgNode* node);
// The same for an op and its operands without an instruction node (one is made
// when a scheduled block is open, or the op opens or ends one).
uint8_t* __glOgEncodeOp(GlContext* gc, uint8_t* out, GLuint op, GlOgNode* first, GlOgNode* second);
uint8_t* __glOgEncodeModRM(uint8_t* out, GLuint regField, const GlOgNode* operand);
uint8_t* __glOgEncodeJcc(GlContext* gc, uint8_t* out, GLuint cc, GlOgNode* label);
uint8_t* __glOgEncodeJmp(GlContext* gc, uint8_t* out, GlOgNode* label);
void __glOgPatchFixups(GlOgNode* fixups, uint8_t* address);
void __glOgBindLabel(GlContext* gc, GlOgNode* label, uint8_t* address);
// Binds the label at out (stores the address, then patches); returns out.
uint8_t* __glOgPlaceLabel(GlContext* gc, uint8_t* out, GlOgNode* label);

// Scheduler: the queue of an open block and its placement at the close.
void __glOgQueueNode(GlContext* gc, GlOgNode* node);
uint8_t* __glOgFlushSchedule(GlContext* gc, uint8_t* out);
// Whether generators open scheduled blocks (process-wide, on; tests and the
// benchmark build routines without them to compare).
extern "C" GLint __glOgScheduleBlocks;

// The scheduler's view of one instruction, for counting the pairs of emitted
// code: what it reads and writes (register masks) and whether it may pair.
struct GlOgPairInfo {
    GLuint reads, writes;
    uint16_t op;
    uint8_t pairable;
};
void __glOgPairInfo(GLuint op, const GlOgNode* first, const GlOgNode* second, GlOgPairInfo* info);
// Whether b, right after a, issues beside it by the scheduler's pairing rules.
GLboolean __glOgIssueTogether(const GlOgPairInfo* a, const GlOgPairInfo* b);
// The pairs an in-order dual-issue processor takes from a run of
// instructions (each pairs with the next when the rules let them).
GLuint __glOgCountPairs(const GlOgPairInfo* run, GLuint n);

// Called for each instruction as it is written, with its bytes [at, end)
// (benchmark and test tools; null: none).
typedef void (*GlOgEncodeHook)(GlContext* gc, const uint8_t* at, const uint8_t* end, GLuint op,
                               const GlOgNode* first, const GlOgNode* second);
extern GlOgEncodeHook __glOgEncodeHook;
// The benchmark profile's pair map: records every instruction written from
// now on; writes "address bytes paired" lines (paired: it and the next
// instruction issue together).
extern "C" {
void GLPROC __glOgRecordPairs(void);
void GLPROC __glOgWritePairMap(const char* path);
}

// Shared emit fragments: move a bit field from position `from` to `to`.
uint8_t* __glGenFragmentAdjust(GlContext* gc, uint8_t* out, GlOgNode* reg, GLint from, GLint to);
uint8_t* __glOgEmitAdjust(GlContext* gc, uint8_t* out, GlOgNode* mm, GLint from, GLint to);

// Layouts.
void __glOgLayoutReset(GlOgLayout* layout);
GLint __glOgLayoutSlot(GlOgLayout* layout, GLint key, GLuint bytes);
void __glOgLayoutAlign(GlOgLayout* layout, GLuint alignment);
GLuint __glOgLayoutSize(const GlOgLayout* layout);

// Caches and constant pools.
extern "C" {
GLboolean GLPROC __glOgCreateCaches(GlContext* gc);
void GLPROC __glOgFreeCaches(GlContext* gc);
}
GLboolean __glOgInitCache(GlContext* gc, GlOgCache* cache, GLuint entries, GLuint codeBytes);
// Executable memory for code areas, and its release (null is ignored).
uint8_t* __glOgAllocCode(size_t bytes);
void __glOgFreeCode(uint8_t* code);
GLboolean __glOgCacheLookup(GlOgCache* cache, GLint keyA, GLuint keyB, GlOgLayout** layout, uint8_t** code);
GlOgNode* __glOgFloatConst(GlContext* gc, GLfloat value);
GlOgNode* __glOgMmxConst(GlContext* gc, GLushort lane0, GLushort lane1, GLushort lane2, GLushort lane3);
extern GLint __glOgCacheDisabled;  // process-wide, from "__GL_DISABLE_OG_CACHE"

// Processor features. __glOgHasMmx and __glOgHasMmxExt: the answers once
// decided, -1 before. Generated code uses MMX where __glHasMMX says so, and
// the MMX extensions of SSE processors (the MMX fill) only where
// __glHasMmxExtensions does too.
struct GlOgCpuChoice {
    GLint mmx, mmxExt;
};
// The choice for "__GL_FORCE_MMX" (null: not set) and CPUID's feature words
// (EDX of leaf 1 and of leaf 0x80000001).
GlOgCpuChoice __glOgCpuChoose(const char* force, GLuint leaf1Edx, GLuint extendedEdx);
extern GLint __glOgHasMmx;
extern GLint __glOgHasMmxExt;
GLboolean __glHasMMX(void);
GLboolean __glHasMmxExtensions(void);
GLboolean __glUseMmxSpans(GlContext* gc);
uint8_t* __glGenFragmentLoop(GlContext* gc, uint8_t* out);

// Rasterization generators of the fast triangle path. Each answers null, "no
// generated code", and the picker installs the C++ stages in its place.
extern "C" {
// The walker: mode 0 the whole-triangle fill, 1 the span walk calling the chain.
GlSpanProc GLPROC __glGenSpanProc(GlContext* gc, GLint mode);
// Whether the walker of mode 0 is the MMX fill, which runs no chain stage.
GLboolean GLPROC __glOgMmxFillServes(GlContext* gc);
// The triangle set-up routine for the state (mode: always 0).
GlTriangleProc GLPROC __glGenSetupProc(GlContext* gc, GLuint mode);
// For a generated set-up, its entry for triangles that lie in no single
// pixel row (by arrays.cellMask 0xFFFFF800) or column (__glSameColumn);
// another triangle procedure as it is.
GlTriangleProc GLPROC __glOgSetupTestedEntry(GlContext* gc, GlTriangleProc render);
// The depth stage of the chain for the depth state.
GlSpanProc GLPROC __glGenDepthSpanCode(GlContext* gc);
// The textured span stage for a format key and the level's size.
GlSpanProc GLPROC __glGenTexturedSpanCode(GlContext* gc, GLuint key, GLint width, GLint height);
}
