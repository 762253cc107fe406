/* The per-thread block standing for the thread environment block. */
#ifndef STANDIN_TEB_H
#define STANDIN_TEB_H

#define STANDIN_TEB_SIZE 4096
/* Byte offset of TLS slot 0 in the block: NT and Windows 9x layouts. */
#define STANDIN_TEB_TLS_NT 0xE10
#define STANDIN_TEB_TLS_9X 0x88

#ifdef __cplusplus
extern "C" {
#endif

/* Each thread has its own zero-filled copy in the program's static TLS, so code
   can address it as %gs:__standinTeb@ntpoff(offset). */
extern __thread unsigned char __standinTeb[STANDIN_TEB_SIZE] __attribute__((aligned(16)));

/* The calling thread's block. */
struct _TEB *NtCurrentTeb(void);

#ifdef __cplusplus
}
#endif

#endif /* STANDIN_TEB_H */
