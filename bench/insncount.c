/* qemu TCG plugin: counts the guest instructions a program executes.
 * Each translated block gets an inline add of its instruction count, so the
 * count costs no helper call.  At exit the total goes to the file named by
 * the plugin argument "out=<path>" (stderr when absent).
 * Built natively (it runs inside qemu), against qemu's stable plugin API
 * (qemu_plugin.h). */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "qemu_plugin.h"

static uint64_t insns;
static char outPath[4096];

static void onTranslate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb) {
    (void)id;
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &insns,
                                             qemu_plugin_tb_n_insns(tb));
}

static void onExit(qemu_plugin_id_t id, void *p) {
    (void)id; (void)p;
    FILE *f = outPath[0] ? fopen(outPath, "w") : stderr;
    if (!f) return;
    fprintf(f, "%llu\n", (unsigned long long)insns);
    if (f != stderr) fclose(f);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
                                                               int argc, char **argv) {
    (void)info;
    for (int i = 0; i < argc; i++)
        if (strncmp(argv[i], "out=", 4) == 0) snprintf(outPath, sizeof outPath, "%s", argv[i] + 4);
    qemu_plugin_register_vcpu_tb_trans_cb(id, onTranslate);
    qemu_plugin_register_atexit_cb(id, onExit, NULL);
    return 0;
}
