/* qemu TCG plugin: where the guest instructions go.  Each translated block
 * gets an inline add of 1 to its own execution counter; at exit every block
 * start address with its instructions executed (runs x block size) goes to
 * the file named by "out=<path>", one "address count" line each, for
 * scripts/profile.sh to fold into procedures.  Blocks translated more than
 * once share one record.  With "listing=<path>" each executed instruction
 * also goes there as "address runs disassembly", for annotated listings. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qemu_plugin.h"

typedef struct Block {
    uint64_t vaddr, insns, runs;
    struct Block *next;
    uint64_t *insnAt;  /* listing only: each instruction's address and text */
    char **insnText;
} Block;

enum { kBuckets = 1 << 16 };
static Block *buckets[kBuckets];
static char outPath[4096], listingPath[4096];

static void onTranslate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb) {
    (void)id;
    const uint64_t vaddr = qemu_plugin_tb_vaddr(tb);
    const uint64_t insns = qemu_plugin_tb_n_insns(tb);
    Block **slot = &buckets[(vaddr ^ (vaddr >> 16)) & (kBuckets - 1)];
    Block *b = *slot;
    while (b && !(b->vaddr == vaddr && b->insns == insns)) b = b->next;
    if (!b) {
        b = calloc(1, sizeof *b);
        if (!b) return;
        b->vaddr = vaddr, b->insns = insns, b->next = *slot;
        *slot = b;
        if (listingPath[0]) {
            b->insnAt = calloc(insns, sizeof *b->insnAt);
            b->insnText = calloc(insns, sizeof *b->insnText);
            for (size_t i = 0; b->insnAt && b->insnText && i < insns; i++) {
                const struct qemu_plugin_insn *insn = qemu_plugin_tb_get_insn(tb, i);
                b->insnAt[i] = qemu_plugin_insn_vaddr(insn);
                b->insnText[i] = qemu_plugin_insn_disas(insn);
            }
        }
    }
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &b->runs, 1);
}

static void onExit(qemu_plugin_id_t id, void *p) {
    (void)id; (void)p;
    FILE *f = outPath[0] ? fopen(outPath, "w") : stderr;
    if (!f) return;
    for (int i = 0; i < kBuckets; i++)
        for (Block *b = buckets[i]; b; b = b->next)
            if (b->runs) fprintf(f, "%llx %llu\n", (unsigned long long)b->vaddr,
                                 (unsigned long long)(b->runs * b->insns));
    if (f != stderr) fclose(f);
    FILE *l = listingPath[0] ? fopen(listingPath, "w") : NULL;
    if (!l) return;
    for (int i = 0; i < kBuckets; i++)
        for (Block *b = buckets[i]; b; b = b->next)
            for (uint64_t k = 0; b->runs && b->insnAt && b->insnText && k < b->insns; k++)
                fprintf(l, "%llx %llu %s\n", (unsigned long long)b->insnAt[k], (unsigned long long)b->runs,
                        b->insnText[k] ? b->insnText[k] : "?");
    fclose(l);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
                                                               int argc, char **argv) {
    (void)info;
    for (int i = 0; i < argc; i++)
        if (strncmp(argv[i], "out=", 4) == 0) snprintf(outPath, sizeof outPath, "%s", argv[i] + 4);
        else if (strncmp(argv[i], "listing=", 8) == 0) snprintf(listingPath, sizeof listingPath, "%s", argv[i] + 8);
    qemu_plugin_register_vcpu_tb_trans_cb(id, onTranslate);
    qemu_plugin_register_atexit_cb(id, onExit, NULL);
    return 0;
}
