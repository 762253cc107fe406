#include "stagetest.h"

std::vector<StageCall> gStageCalls;

namespace {
template <int Slot>
void GLSPANCALL record(GLuint mask, GlSpan*) {
    gStageCalls.push_back({mask, Slot});
}
}  // namespace

// cdecl (stage, mask, span): loads callee-saved registers with marks, calls
// the stage with ECX and EDX, and compares them afterwards.
__asm__(".text\n.globl stagetestCall\n.type stagetestCall, @function\n"
        "stagetestCall:\n"
        "\tpushl %ebp\n\tpushl %ebx\n\tpushl %esi\n\tpushl %edi\n"
        "\tmovl 20(%esp), %eax\n\tmovl 24(%esp), %ecx\n\tmovl 28(%esp), %edx\n"
        "\tmovl $0x11111111, %ebx\n\tmovl $0x22222222, %esi\n\tmovl $0x33333333, %edi\n"
        "\tpushl %ebp\n\tmovl $0x44444444, %ebp\n"
        "\tcall *%eax\n"
        "\txorl %eax, %eax\n"
        "\tcmpl $0x44444444, %ebp\n\tpopl %ebp\n\tjne 1f\n"
        "\tcmpl $0x11111111, %ebx\n\tjne 1f\n"
        "\tcmpl $0x22222222, %esi\n\tjne 1f\n"
        "\tcmpl $0x33333333, %edi\n\tjne 1f\n"
        "\tmovl $1, %eax\n"
        "1:\tpopl %edi\n\tpopl %esi\n\tpopl %ebx\n\tpopl %ebp\n\tret\n");

void StageTest::SetUp() {
    gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    memset(&s, 0, sizeof s);
    s.context = gc;
    s.pixelStep = 1;
    GlContextProcs* p = &gc->procs;
    p->spanChain[0] = record<0>, p->spanChain[1] = record<1>, p->spanChain[2] = record<2>;
    p->spanChain[3] = record<3>, p->spanChain[4] = record<4>, p->spanChain[5] = record<5>;
    p->spanChain[6] = record<6>, p->spanChain[7] = record<7>;
    p->stencilOps[0] = record<8>, p->stencilOps[1] = record<9>, p->stencilOps[2] = record<10>;
    p->afterStencilUpdate = record<11>;
}

void StageTest::TearDown() {
    if (gc) gltestDestroyCurrent(gc);
}
